#pragma once
// The settings store file: parsing, writing and the locked, atomic update.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_store.h"

namespace kestrow::platform::settings_file {

struct Value {
    std::string name;
    SettingType type = SettingType::Text;
    std::string text;
    std::uint32_t dword = 0;
};

struct Key {
    std::string path;
    std::vector<Value> values;
};

struct Content {
    std::vector<Key> keys;

    Key* FindKey(std::string_view path);
    // The key and every key above it, added when missing.
    Key& EnsureKey(std::string_view path);
};

const Value* FindValue(const Key& key, std::string_view name);
void SetValue(Key& key, Value value);

bool NamesEqual(std::string_view a, std::string_view b);  // A to Z without case

std::string EncodeField(std::string_view field);
bool DecodeField(std::string_view field, std::string& out);

// Throws ESettingsError when the text is not a settings store; lines that do
// not parse are skipped.
Content Parse(std::string_view text);
std::string Serialize(const Content& content);

// The file's content; empty when it does not exist.
Content Load(const std::string& file);
// Under the lock file: load, change, write the new file atomically.
void Update(const std::string& file, const std::function<void(Content&)>& change);

}  // namespace kestrow::platform::settings_file
