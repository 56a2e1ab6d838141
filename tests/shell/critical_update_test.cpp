#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/settings_store.h"
#include "shell/critical_update.h"
#include "shell/store_fixture.h"

namespace kestrow::shell {
namespace {

class CriticalUpdateTest : public test::StoreTest {
  protected:
    std::optional<platform::SettingsKey> SettingsSection() {
        return platform::SettingsKey::Open("Software\\KestrowUpdater\\Settings");
    }
};

TEST_F(CriticalUpdateTest, DueWhenTheStoredCounterIsBelowTheCriticalVersion) {
    struct Case {
        const char* stored;  // nullptr: missing; "sz:..." a text value; else a REG_DWORD
        int critical;
        bool due;
        std::optional<std::uint32_t> after;  // nullopt: still not a REG_DWORD
    };
    const Case cases[] = {
        {nullptr, 1, false, std::nullopt},  // missing reads as 1
        {nullptr, 2, true, 2},
        {"2", 2, false, 2},
        {"2", 3, true, 3},
        {"sz:5", 2, true, 2},  // text instead of a REG_DWORD reads as 1
        {"sz:5", 1, false, std::nullopt},
        {"4294967295", 0, true, 0},  // compared signed: -1 < 0
        {"7", -3, false, 7},
        {nullptr, 0, false, std::nullopt},  // no options document: critical 0
    };
    for (const Case& c : cases) {
        const std::string label =
            std::string(c.stored ? c.stored : "(missing)") + " vs " + std::to_string(c.critical);
        kestrow::test::IsolatedUser user;  // a fresh store per case
        if (c.stored) {
            const platform::SettingsKey key = Section("Settings");
            const std::string stored = c.stored;
            if (stored.starts_with("sz:")) {
                key.WriteText("Critical", stored.substr(3));
            } else {
                key.WriteDWord("Critical", static_cast<std::uint32_t>(std::stoul(stored)));
            }
        }
        state_->g_CurrentVersion = state_->g_Version = "1.0.1.0";
        state_->g_Critical_Version = c.critical;
        EXPECT_EQ(IsCriticalUpdateDue(*state_), c.due) << label;
        // The section is there afterwards, opened directly.
        std::optional<platform::SettingsKey> section = SettingsSection();
        ASSERT_TRUE(section) << label;
        if (c.after) {
            EXPECT_EQ(section->ReadDWord("Critical"), *c.after) << label;
        } else {
            EXPECT_NE(section->TypeOf("Critical"), platform::SettingType::DWord) << label;
        }
        // The next start does not repeat the forced run.
        EXPECT_FALSE(IsCriticalUpdateDue(*state_)) << label;
    }
}

TEST_F(CriticalUpdateTest, OtherLauncherVersionNeverForcesARunNorTouchesTheStore) {
    for (const char* version : {"1.0.2.0", "1.0.1.0 ", ""}) {
        state_->g_CurrentVersion = "1.0.1.0";
        state_->g_Version = version;
        state_->g_Critical_Version = 100;
        EXPECT_FALSE(CheckCriticalUpdate(*state_)) << version;
        EXPECT_FALSE(SettingsSection()) << version;
    }
}

TEST_F(CriticalUpdateTest, StoreThatCannotBeOpenedStillForcesTheRun) {
    kestrow::test::WriteFile(user_.File("file"), "x");
    kestrow::test::ScopedEnvVar config("XDG_CONFIG_HOME", user_.File("file/config"));
    state_->g_CurrentVersion = state_->g_Version = "1.0";
    state_->g_Critical_Version = 2;
    EXPECT_TRUE(IsCriticalUpdateDue(*state_));
    state_->g_Critical_Version = 1;
    EXPECT_FALSE(IsCriticalUpdateDue(*state_));
}

}  // namespace
}  // namespace kestrow::shell
