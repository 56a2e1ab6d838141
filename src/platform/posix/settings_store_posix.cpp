#include <memory>
#include <utility>

#include "platform/env.h"
#include "platform/posix/settings_file.h"
#include "platform/settings_store.h"

namespace kestrow::platform {
namespace {

std::string NormalizeKeyPath(std::string_view path) {
    std::string out;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start) {
            if (!out.empty())
                out.push_back('\\');
            out.append(path.substr(start, end - start));
        }
        start = end + 1;
    }
    if (out.empty())
        throw ESettingsError("Empty settings key path");
    // The file would not read it back as a key.
    if (out.size() > settings_file::kMaxKeyPath)
        throw ESettingsError("Settings key path too long: " + out);
    return out;
}

std::string StoreFileOrThrow() {
    std::string file = SettingsStorePath();
    if (file.empty())
        throw ESettingsError("No configuration folder for the settings store");
    return file;
}

std::string JoinKey(const std::string& base, std::string_view relative) {
    return NormalizeKeyPath(base + "\\" + std::string(relative));
}

const settings_file::Value& FindTyped(const settings_file::Content& content,
                                      const std::string& key_path, std::string_view name,
                                      SettingType type) {
    const settings_file::Key* key = content.FindKey(key_path);
    if (!key)
        throw ESettingsError("Settings key not found: " + key_path);
    const settings_file::Value* value = settings_file::FindValue(*key, name);
    if (!value)
        throw ESettingsError("Settings value not found: " + std::string(name));
    if (value->type != type)
        throw ESettingsError("Invalid data type for '" + std::string(name) + "'");
    return *value;
}

}  // namespace

std::string SettingsStorePath() {
    std::string config = RoamingAppDataFolder();
    return config.empty() ? std::string() : JoinPath(config, "kestrow/settings.store");
}

SettingsKey::SettingsKey(std::string path, std::string store_file)
    : path_(std::move(path)), store_file_(std::move(store_file)) {}

SettingsKey SettingsKey::Create(std::string_view path) {
    SettingsKey key(NormalizeKeyPath(path), StoreFileOrThrow());
    // Write only when the key is new: opening an existing key changes nothing.
    if (!settings_file::Load(key.store_file_)->FindKey(key.path_)) {
        settings_file::Update(key.store_file_,
                              [&](settings_file::Content& c) { c.EnsureKey(key.path_); });
    }
    return key;
}

std::optional<SettingsKey> SettingsKey::Open(std::string_view path) {
    SettingsKey key(NormalizeKeyPath(path), StoreFileOrThrow());
    if (!settings_file::Load(key.store_file_)->FindKey(key.path_))
        return std::nullopt;
    return key;
}

SettingsKey SettingsKey::CreateSubKey(std::string_view relative) const {
    return Create(JoinKey(path_, relative));
}

std::optional<SettingsKey> SettingsKey::OpenSubKey(std::string_view relative) const {
    return Open(JoinKey(path_, relative));
}

std::optional<SettingType> SettingsKey::TypeOf(std::string_view name) const {
    const std::shared_ptr<const settings_file::Content> content = settings_file::Load(store_file_);
    const settings_file::Key* key = content->FindKey(path_);
    if (!key)
        return std::nullopt;
    const settings_file::Value* value = settings_file::FindValue(*key, name);
    if (!value)
        return std::nullopt;
    return value->type;
}

std::string SettingsKey::ReadText(std::string_view name) const {
    const std::shared_ptr<const settings_file::Content> content = settings_file::Load(store_file_);
    return FindTyped(*content, path_, name, SettingType::Text).text;
}

std::uint32_t SettingsKey::ReadDWord(std::string_view name) const {
    const std::shared_ptr<const settings_file::Content> content = settings_file::Load(store_file_);
    return FindTyped(*content, path_, name, SettingType::DWord).dword;
}

void SettingsKey::WriteText(std::string_view name, std::string_view value) const {
    settings_file::Update(store_file_, [&](settings_file::Content& c) {
        settings_file::SetValue(
            c.EnsureKey(path_),
            settings_file::Value{std::string(name), SettingType::Text, std::string(value), 0});
    });
}

void SettingsKey::WriteDWord(std::string_view name, std::uint32_t value) const {
    settings_file::Update(store_file_, [&](settings_file::Content& c) {
        settings_file::SetValue(
            c.EnsureKey(path_),
            settings_file::Value{std::string(name), SettingType::DWord, {}, value});
    });
}

}  // namespace kestrow::platform
