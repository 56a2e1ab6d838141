// Any bytes as a settings store file. Read, changed as the launcher changes it
// and written back: every line the reader kept comes back in the same order,
// reading what was written gives the same keys and values, and writing that
// again gives the same bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/settings_file.h"

namespace {

namespace sf = kestrow::platform::settings_file;

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

// The damaged key lines and unreadable lines, in file order.
std::vector<std::string> KeptLines(const sf::Content& content) {
    std::vector<std::string> lines;
    for (const sf::Key& key : content.keys) {
        if (key.kept_head)
            lines.push_back(*key.kept_head);
        for (const sf::Entry& entry : key.entries) {
            if (entry.kept_line)
                lines.push_back(*entry.kept_line);
        }
    }
    return lines;
}

bool SameValue(const sf::Value& a, const sf::Value& b) {
    return a.name == b.name && a.type == b.type && a.text == b.text && a.dword == b.dword;
}

// Every key and value of before is in after, unchanged.
void RequireSameValues(const sf::Content& before, const sf::Content& after) {
    for (const sf::Key& key : before.keys) {
        if (key.path.empty())
            continue;
        const sf::Key* found = after.FindKey(key.path);
        Require(found != nullptr && found->path == key.path);
        for (const sf::Entry& entry : key.entries) {
            if (entry.kept_line)
                continue;
            const sf::Value* value = sf::FindValue(*found, entry.value.name);
            Require(value != nullptr && SameValue(*value, entry.value));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the change made before writing; the rest is the file.
    const std::uint8_t change = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    std::optional<sf::Content> read = sf::Parse(text);
    if (!read)
        return 0;
    const std::vector<std::string> kept = KeptLines(*read);

    // What the launcher writes: a value under its own key, of either type.
    if (change & 1) {
        sf::Key& key = read->EnsureKey("Software\\KestrowUpdater\\Settings");
        if (change & 2) {
            sf::SetValue(key, {"Language", kestrow::platform::SettingType::DWord, {}, change});
        } else {
            sf::SetValue(key, {"Client", kestrow::platform::SettingType::Text,
                               std::string(1, static_cast<char>(change)), 0});
        }
    }
    Require(KeptLines(*read) == kept);

    const std::string written = sf::Serialize(*read);
    std::optional<sf::Content> again = sf::Parse(written);
    Require(again.has_value());
    Require(KeptLines(*again) == kept);
    RequireSameValues(*read, *again);
    RequireSameValues(*again, *read);
    Require(sf::Serialize(*again) == written);

    // Field coding: every name and text survives its encoding.
    std::string decoded;
    Require(sf::DecodeField(sf::EncodeField(text), decoded) && decoded == text);
    return 0;
}
