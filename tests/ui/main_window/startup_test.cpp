// The launcher's start-up order with the main window: the stored language is
// applied before the first status, and the version check beside the window
// ends with its status, full bars and the gate open.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <QTest>

#include "app/launcher/startup.h"
#include "main_window_fixture.h"
#include "shell/local_settings.h"
#include "support/fault_server.h"

namespace kestrow::ui::test {
namespace {

using kestrow::test::ReadFile;
using kestrow::test::WriteFile;

class LauncherStartUp : public ::testing::Test {
  protected:
    LauncherStartUp() {
        ::mkdir(dir.File("runtime").c_str(), 0700);
        ::setenv("XDG_CONFIG_HOME", dir.File("config").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", dir.File("runtime").c_str(), 1);
        // Both options addresses answer 404.
        ::setenv("KESTROW_OPTIONS_URL", server.Url("/options.xml").c_str(), 1);
        ::setenv("KESTROW_OPTIONS_FALLBACK_URL", server.Url("/fallback.xml").c_str(), 1);
        WriteFile(store,
                  "kestrow-settings 1\nkey Software\nkey Software\\KestrowUpdater\n"
                  "key Software\\KestrowUpdater\\Settings\nsz Language 1\nsz SelectPatch 1\n");
    }
    ~LauncherStartUp() override { shell::CloseSettingsStore(); }

    kestrow::test::TempDir dir;
    kestrow::test::FaultServer server;
    std::string store = dir.File("config/kestrow/settings.store");
    Outside outside;
};

TEST_F(LauncherStartUp, AppliesTheStoredLanguageThenTheVersionCheckOpensTheGate) {
    TForm1 form(outside.Actions());
    ASSERT_TRUE(app::FormCreate(form));
    EXPECT_EQ(server.Requests(), 2);
    EXPECT_EQ(form.State().g_ErrorConnect, 2);
    EXPECT_EQ(form.TextFile->Text(), "File");
    EXPECT_FALSE(form.ENG->isEnabled());
    EXPECT_EQ(form.cbSelectPatch->currentIndex(), 1);
    EXPECT_FALSE(form.UPDATE_ON->ReceivesPointer());
    // The check runs, but nothing it shows is served yet.
    EXPECT_FALSE(form.State().canUpdate);
    EXPECT_EQ(form.STATUS->Text(), "");
    EXPECT_NE(ReadFile(store).find("sz Language 1\n"), std::string::npos);

    form.show();
    ASSERT_TRUE(form.thv);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.thv->Finished(); }, 20000));
    EXPECT_TRUE(form.State().canUpdate);
    EXPECT_EQ(form.STATUS->Text(), "Checking successfully completed!");
    EXPECT_EQ(form.FileProgress->Bar().Width(), 341.0f);
    EXPECT_EQ(form.TotalProgress->Bar().Width(), 341.0f);
    // Only an unlock shows the settings button.
    EXPECT_FALSE(form.SETTINGS_BUTTON->isVisible());
    EXPECT_EQ(outside.events, std::vector<std::string>{});
}

}  // namespace
}  // namespace kestrow::ui::test
