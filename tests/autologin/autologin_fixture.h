#pragma once
// A user of its own for each test: settings store, temporary folder (where
// option.ini goes), game directory, launcher state, and a UTF-8 locale unless
// a test names another.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "autologin/account_slots.h"
#include "core/launcher_state.h"
#include "platform/isolated_env.h"
#include "platform/private_profile.h"
#include "shell/local_settings.h"

namespace kestrow::autologin::test {

inline constexpr char kAbsent[] = "<absent>";

class AutoLoginTest : public ::testing::Test {
  protected:
    AutoLoginTest() {
        std::filesystem::create_directories(Game());
        state_->g_UserTemp = user_.File("tmp") + "/";
        shell::OpenSettingsStore();
    }
    ~AutoLoginTest() override { shell::CloseSettingsStore(); }

    std::string Game() const { return user_.File("game"); }

    // Key AccountK of option.ini, kAbsent when the key or the file is missing.
    static std::string Option(int k) {
        return platform::ReadProfileString(kAccountSection, ProfileKey(k), kAbsent,
                                           OptionIniPath());
    }
    // A value of section Information, kAbsent when it is missing.
    static std::string Info(const std::string& name) {
        return shell::ReadSettingText(shell::kSectionInformation, name, kAbsent);
    }

    kestrow::test::IsolatedUser user_;
    kestrow::test::ScopedEnvVar locale_{"LC_ALL", "C.UTF-8"};
    core::ScopedLauncherState state_;
};

}  // namespace kestrow::autologin::test
