#pragma once
// Environment variables set for a scope, and a scope whose per-user folders
// (settings store, instance locks, temp folder) lie in a fresh directory, so
// tests never touch the real user's files or each other's.

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace kestrow::test {

class ScopedEnvVar {
  public:
    ScopedEnvVar(std::string name, const std::optional<std::string>& value)
        : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str()))
            old_ = old;
        value ? ::setenv(name_.c_str(), value->c_str(), 1) : ::unsetenv(name_.c_str());
    }
    ~ScopedEnvVar() {
        old_ ? ::setenv(name_.c_str(), old_->c_str(), 1) : ::unsetenv(name_.c_str());
    }
    ScopedEnvVar(const ScopedEnvVar&) = delete;
    ScopedEnvVar& operator=(const ScopedEnvVar&) = delete;

  private:
    std::string name_;
    std::optional<std::string> old_;
};

class IsolatedUser {
  public:
    IsolatedUser()
        : config_("XDG_CONFIG_HOME", root_.File("config")),
          runtime_("XDG_RUNTIME_DIR", root_.File("run")),
          tmp_("TMPDIR", root_.File("tmp")) {
        std::filesystem::create_directories(root_.File("run"));
        std::filesystem::create_directories(root_.File("tmp"));
    }
    std::string File(std::string_view name) const { return root_.File(name); }
    std::string StoreFile() const { return root_.File("config/kestrow/settings.store"); }

  private:
    TempDir root_;
    ScopedEnvVar config_, runtime_, tmp_;
};

}  // namespace kestrow::test
