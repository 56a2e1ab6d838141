// The updater's command line and the report of --check.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "app/updater/check_report.h"
#include "app/updater/command_line.h"

namespace kestrow::updater {
namespace {

using update::QueueReason;

TEST(UpdaterCommandLine, OptionsAndTheirErrors) {
    const UpdaterOptions o = ParseUpdaterArguments(
        {"--check", "--full", "--dir", "/games/l2", "--extract-workers=16", "--lang=en"});
    EXPECT_TRUE(o.check);
    EXPECT_TRUE(o.full_client);
    EXPECT_EQ(o.game_directory, "/games/l2");
    EXPECT_EQ(o.extract_workers, 16);
    EXPECT_EQ(o.language, 1);
    EXPECT_EQ(ParseUpdaterArguments({}).extract_workers, 1);
    EXPECT_EQ(ParseUpdaterArguments({"--dir=x", "--extract-workers", "1"}).game_directory, "x");
    EXPECT_TRUE(ParseUpdaterArguments({"--version"}).version);

    const std::vector<std::vector<std::string>> bad = {
        {"--extract-workers", "0"},
        {"--extract-workers", "17"},
        {"--extract-workers", "2x"},
        {"--extract-workers="},
        {"--extract-workers"},
        {"--dir"},
        {"--dir="},
        {"--checks"},
    };
    for (const auto& args : bad)
        EXPECT_THROW(ParseUpdaterArguments(args), std::invalid_argument) << args.front();
}

// As the update phase merges its list: one line per name, a patch line in
// place of a client line, the first position kept.
TEST(CheckReport, OneLinePerNameThePatchReasonWins) {
    const update::TextList items = {
        update::UpdateItem("system\\L2.ini", "1", "10"),
        update::UpdateItem("maps\\a.unr", "1", "5"),
        update::UpdateItem("System/l2.INI", "2", "12"),
        update::UpdateItem("maps\\a.unr", "1", "5"),
        update::UpdateItem("new.dat", "2", "1"),
    };
    const std::vector<QueueReason> reasons = {QueueReason::Size, QueueReason::Missing,
                                              QueueReason::ReadOnlyRule, QueueReason::Checksum,
                                              QueueReason::Unreadable};
    const std::vector<Difference> d = Differences(items, reasons);
    std::vector<std::string> lines;
    for (const Difference& x : d)
        lines.push_back(DifferenceLine(x));
    EXPECT_EQ(lines, (std::vector<std::string>{"System/l2.INI\tread-only rule",
                                               "maps\\a.unr\tmissing", "new.dat\tunreadable"}));
    update::ScanSummary scan;
    scan.list_files = 9;
    scan.readonly_files = 2;
    EXPECT_EQ(CheckSummaryLine(d, scan),
              "check: 3 to download (missing 1, size 0, checksum 0, read-only rule 1, "
              "unreadable 1), 9 entries compared, 2 read-only files left alone");
}

}  // namespace
}  // namespace kestrow::updater
