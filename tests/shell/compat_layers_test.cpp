#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/env.h"
#include "platform/settings_store.h"
#include "shell/compat_layers.h"
#include "shell/game_launch.h"
#include "shell/store_fixture.h"

namespace kestrow::shell {
namespace {

using CompatLayersTest = test::StoreTest;

platform::SettingsKey Layers() {
    return platform::SettingsKey::Create(std::string(kAppCompatFlagsKey) + "\\Layers");
}

TEST_F(CompatLayersTest, OnlyTheExactPairOfTheSystemClientIsCleared) {
    const std::string game = user_.File("game dir");
    const std::string exe = game + "/system/l2.exe";
    struct Case {
        const char* text;
        const char* after;
    };
    const Case cases[] = {
        {"WINXPSP3 RUNASADMIN", ""},
        {"RUNASADMIN WINXPSP3", "RUNASADMIN WINXPSP3"},
        {"WINXPSP3 RUNASADMIN HIGHDPIAWARE", "WINXPSP3 RUNASADMIN HIGHDPIAWARE"},
        {"winxpsp3 runasadmin", "winxpsp3 runasadmin"},
        {" WINXPSP3 RUNASADMIN", " WINXPSP3 RUNASADMIN"},
        {"WINXPSP3", "WINXPSP3"},
        {"", ""},
    };
    for (const Case& c : cases) {
        Layers().WriteText(exe, c.text);
        ClearCompatLayers(game);
        EXPECT_EQ(Layers().TypeOf(exe), platform::SettingType::Text) << c.text;
        EXPECT_EQ(Layers().ReadText(exe), c.after) << c.text;
    }
}

TEST_F(CompatLayersTest, OtherClientsOtherTypesAndMissingEntriesAreLeftAlone) {
    const std::string game = user_.File("game");
    const std::string classic = ClientExecutable(kFolderClassic, game);
    Layers().WriteText(classic, "WINXPSP3 RUNASADMIN");
    ClearCompatLayers(game);
    EXPECT_EQ(Layers().ReadText(classic), "WINXPSP3 RUNASADMIN");
    EXPECT_EQ(Layers().TypeOf(ClientExecutable(kFolderSystem, game)), std::nullopt);

    Layers().WriteDWord(ClientExecutable(kFolderSystem, game), 1);
    ClearCompatLayers(game);
    EXPECT_EQ(Layers().ReadDWord(ClientExecutable(kFolderSystem, game)), 1u);
}

TEST_F(CompatLayersTest, WithoutTheLayersKeyOnlyTheFlagsKeyIsCreated) {
    ClearCompatLayers(user_.File("game"));
    EXPECT_TRUE(platform::SettingsKey::Open(kAppCompatFlagsKey));
    EXPECT_FALSE(platform::SettingsKey::Open(std::string(kAppCompatFlagsKey) + "\\Layers"));
}

TEST_F(CompatLayersTest, DefaultGameDirectoryIsTheWorkingDirectory) {
    const std::string exe = ClientExecutable(kFolderSystem);
    EXPECT_EQ(exe, platform::CurrentDirectory() + "system/l2.exe");
    Layers().WriteText(exe, "WINXPSP3 RUNASADMIN");
    ClearCompatLayers();
    EXPECT_EQ(Layers().ReadText(exe), "");
}

}  // namespace
}  // namespace kestrow::shell
