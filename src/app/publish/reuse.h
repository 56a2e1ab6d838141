#pragma once
// Taking archives over from an earlier publish: a file whose size and CRC-32
// equal its entry in the earlier catalogue keeps the earlier archive (hard
// linked, else copied) instead of being compressed again.

#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>

namespace kestrow::publish {

struct PreviousEntry {
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
};

// Catalogue name -> entry, from one catalogue of an earlier publish. A missing
// file gives an empty map; a file that is not a catalogue throws UsageError.
// Entries without a readable CRC or size are left out.
std::unordered_map<std::string, PreviousEntry> ReadPreviousCatalogue(
    const std::filesystem::path& catalogue);

// True when the archive's 13-byte header fits the entry: properties that
// unpacking accepts, the entry's size as unpacked size, and a body after it
// when that size is not 0.
bool ArchiveHeaderMatches(const std::filesystem::path& archive, std::uint64_t size);

// Puts previous at archive: a hard link, else a copy, through archive +
// ".part" renamed into place. Throws PublishError.
void LinkOrCopyArchive(const std::filesystem::path& previous, const std::filesystem::path& archive);

}  // namespace kestrow::publish
