#pragma once
// The figures of one catalogue stage and scan, and the summary log line.

#include <cstdint>
#include <string>

namespace kestrow::update {

struct ScanSummary {
    std::int64_t list_files = 0;
    std::int64_t client_archive_count = 0;
    std::int64_t patch_archive_count = 0;
    std::int64_t crit_count = 0;
    std::int64_t missing_files = 0;
    std::int64_t size_checked = 0;
    std::int64_t size_mismatch = 0;
    std::int64_t crc_skipped_by_size = 0;
    std::int64_t crc_checked = 0;
    std::int64_t crc_mismatch = 0;
    std::int64_t readonly_files = 0;
    std::int64_t queued_files = 0;
    std::int64_t client_xml_download_ms = 0;
    std::int64_t patch_xml_download_ms = 0;
    std::int64_t client_xml_parse_ms = 0;
    std::int64_t patch_xml_parse_ms = 0;
    std::int64_t file_check_ms = 0;
    std::int64_t crc_total_ms = 0;
    std::int64_t slowest_crc_ms = 0;
    std::string slowest_crc_file;
    std::int64_t scan_total_ms = 0;
    // Catalogue names left out because they would leave the game directory.
    std::int64_t unsafe_names = 0;
};

// Why the scan queues a file.
enum class QueueReason {
    Missing,       // no such file
    Size,          // the size differs from the catalogue's
    Checksum,      // the CRC-32 differs
    ReadOnlyRule,  // the CRC differs and the read-only file lies under "system\"
    Unreadable,    // the file could not be read for its CRC
};

// "missing", "size", "checksum", "read-only rule", "unreadable".
const char* QueueReasonName(QueueReason reason);

// "Scan summary: list_files=..., ..., scan_total_ms=..., unsafe_names=...".
std::string ScanSummaryLine(const ScanSummary& s);

}  // namespace kestrow::update
