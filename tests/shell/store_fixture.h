#pragma once
// A settings store of its own for each test, with RegistreU closed again at
// the end, and the launcher state of its own.

#include <gtest/gtest.h>

#include <string>

#include "core/launcher_state.h"
#include "platform/isolated_env.h"
#include "platform/settings_store.h"
#include "shell/local_settings.h"

namespace kestrow::shell::test {

class StoreTest : public ::testing::Test {
  protected:
    ~StoreTest() override { CloseSettingsStore(); }

    // The section key, created when missing.
    static platform::SettingsKey Section(const std::string& section) {
        return platform::SettingsKey::Create(std::string(kStoreKey) + "\\" + section);
    }

    kestrow::test::IsolatedUser user_;
    core::ScopedLauncherState state_;
};

}  // namespace kestrow::shell::test
