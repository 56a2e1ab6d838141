#include <gtest/gtest.h>

#include "shell/exe_version.h"
#include "support/temp_dir.h"

namespace kestrow::shell {
namespace {

platform::VsFixedFileInfo Record(std::uint32_t file_ms, std::uint32_t file_ls,
                                 std::uint32_t product_ms, std::uint32_t product_ls) {
    platform::VsFixedFileInfo info{};
    info.dwSignature = platform::kFixedFileInfoSignature;
    info.dwFileVersionMS = file_ms;
    info.dwFileVersionLS = file_ls;
    info.dwProductVersionMS = product_ms;
    info.dwProductVersionLS = product_ls;
    return info;
}

TEST(VersionTextOf, ProductThenFileThenDefault) {
    struct Case {
        const char* name;
        platform::VsFixedFileInfo info;
        const char* expected;
    };
    const Case cases[] = {
        {"product wins", Record(0x00020001, 0x00000005, 0x00030004, 0x00050006), "3.4.5.6"},
        {"product zero, file", Record(0x00020001, 0x00000005, 0, 0), "2.1.0.5"},
        {"both zero", Record(0, 0, 0, 0), "1.0.0.70"},
        {"halves unsigned", Record(0, 0, 0xFFFF0000, 0x0000FFFF), "65535.0.0.65535"},
        {"only last part", Record(0, 0, 0, 1), "0.0.0.1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VersionTextOf(c.info), c.expected) << c.name;
}

TEST(GetVersionEXE, FileWithoutVersionRecordGivesTheDefault) {
    test::TempDir dir;
    test::WriteFile(dir.File("launcher.exe"), "not an executable");
    EXPECT_EQ(GetVersionEXE(dir.File("launcher.exe")), "1.0.0.70");
    EXPECT_EQ(GetVersionEXE(dir.File("missing.exe")), "1.0.0.70");
}

}  // namespace
}  // namespace kestrow::shell
