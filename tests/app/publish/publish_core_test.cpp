#include <gtest/gtest.h>
#include <lzma.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/publish/command_line.h"
#include "app/publish/compress_pool.h"
#include "app/publish/lzma_encoder.h"
#include "app/publish/publisher.h"
#include "app/publish/quick_options.h"
#include "app/publish/source_tree.h"
#include "support/temp_dir.h"

namespace kestrow::publish {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// liblzma's own .lzma reader, independent of the encoder under test.
std::string DecodeAlone(const std::string& archive) {
    lzma_stream strm = LZMA_STREAM_INIT;
    EXPECT_EQ(lzma_alone_decoder(&strm, UINT64_MAX), LZMA_OK);
    std::string out;
    std::vector<unsigned char> buf(1 << 16);
    strm.next_in = reinterpret_cast<const std::uint8_t*>(archive.data());
    strm.avail_in = archive.size();
    lzma_ret ret = LZMA_OK;
    while (ret == LZMA_OK) {
        strm.next_out = buf.data();
        strm.avail_out = buf.size();
        ret = lzma_code(&strm, LZMA_FINISH);
        out.append(reinterpret_cast<char*>(buf.data()), buf.size() - strm.avail_out);
    }
    lzma_end(&strm);
    EXPECT_EQ(ret, LZMA_STREAM_END);
    return out;
}

TEST(EncodeFileToLzma, RoundTripsAcrossReadChunkBoundaries) {
    TempDir dir;
    const std::size_t mib = 1 << 20;
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, mib - 1, mib, mib + 1, 2 * mib}) {
        SCOPED_TRACE(size);
        const std::string data = test::RandomBytes(size, static_cast<std::uint32_t>(size));
        WriteFile(dir.File("src.bin"), data);
        std::uint64_t reported = 0;
        const EncodedFile r = EncodeFileToLzma(dir.File("src.bin"), dir.File("src.bin.lzma"),
                                               {0, false}, [&](std::uint64_t n) { reported += n; });
        const std::string archive = ReadFile(dir.File("src.bin.lzma"));
        EXPECT_EQ(r.size, size);
        EXPECT_EQ(reported, size);
        EXPECT_EQ(r.archive_size, archive.size());
        std::uint64_t declared = 0;
        for (int i = 7; i >= 0; --i) {
            declared = declared << 8 | static_cast<unsigned char>(archive[5 + i]);
        }
        EXPECT_EQ(declared, size);
        EXPECT_EQ(DecodeAlone(archive), data);
        EXPECT_EQ(r.crc,
                  lzma_crc32(reinterpret_cast<const std::uint8_t*>(data.data()), data.size(), 0));
    }
}

TEST(CompressAll, FirstFailureIsReportedAndLeavesNoPartialArchive) {
    TempDir dir;
    std::vector<CompressJob> jobs;
    for (int i = 0; i < 6; ++i) {
        std::string base = "f";
        base += std::to_string(i);
        const std::string name = dir.File(base);
        WriteFile(name, test::RandomBytes(1000 * (i + 1), i));
        jobs.push_back({name, name + ".lzma", 1000u * (i + 1), {}});
    }
    jobs[3].source = dir.File("missing");
    CompressCounters counters;
    EXPECT_THROW(CompressAll(jobs, 3, {0, false}, counters), PublishError);
    EXPECT_LT(counters.files_done.load(), 6u);
    EXPECT_FALSE(std::filesystem::exists(dir.File("f3.lzma.part")));

    jobs[3].source = dir.File("f3");
    CompressCounters again;
    CompressAll(jobs, 3, {0, false}, again);
    EXPECT_EQ(again.files_done.load(), 6u);
    for (const CompressJob& job : jobs) {
        EXPECT_EQ(job.result.size, job.size);
    }
}

// A full check compares every client line on its own, so a patch file whose
// client copy differs is undone by it: the operator is told which.
TEST(Publish, NamesPatchFilesThatDifferFromTheClient) {
    TempDir dir;
    WriteFile(dir.File("client/system/l2.ini"), "old");
    WriteFile(dir.File("client/system/same.int"), "same");
    WriteFile(dir.File("client/maps/a.unr"), "map");
    WriteFile(dir.File("patch/System/L2.ini"), "new");
    WriteFile(dir.File("patch/system/same.int"), "same");
    WriteFile(dir.File("patch/system/only_patch.int"), "p");
    const PublishOptions o = QuickOptions(dir, true);
    EXPECT_EQ(Publish(o).patch_differs_from_client, std::vector<std::string>{"System\\L2.ini"});
}

// On a player's disk the archive of x is downloaded as x.lzma beside it, so a
// service holding both would have one overwrite the other. Nothing is written
// when such a pair is refused.
TEST(Publish, RefusesAFileBesideItsArchiveName) {
    struct Case {
        const char* name;
        std::vector<std::string> client, patch;
        std::vector<std::string> named;  // empty: published
    };
    const Case cases[] = {
        {"same folder", {"sys/l2.ini", "sys/l2.ini.lzma"}, {}, {"sys/l2.ini", "sys/l2.ini.lzma"}},
        {"letter case", {"sys/L2.ini", "SYS/l2.INI.LZMA"}, {}, {"sys/L2.ini", "SYS/l2.INI.LZMA"}},
        {"folder of that name", {"data", "data.lzma/a.bin"}, {}, {"data", "data.lzma/a.bin"}},
        {"client and patch",
         {"sys/l2.ini"},
         {"sys/L2.ini.lzma"},
         {"sys/l2.ini", "sys/L2.ini.lzma"}},
        {"every pair", {"a", "a.lzma", "b", "B.lzma"}, {}, {"a", "a.lzma", "b", "B.lzma"}},
        {"other folder", {"a/x", "b/x.lzma"}, {}, {}},
        {"archive name alone", {"x.lzma", "x.lz", "x.lzma.txt"}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        for (const std::string& f : c.client) {
            WriteFile(dir.File("client/" + f), f);
        }
        for (const std::string& f : c.patch) {
            WriteFile(dir.File("patch/" + f), f);
        }
        const PublishOptions o = QuickOptions(dir, !c.patch.empty());
        if (c.named.empty()) {
            EXPECT_NO_THROW(Publish(o));
            continue;
        }
        try {
            Publish(o);
            ADD_FAILURE() << "published";
        } catch (const PublishError& e) {
            const std::string message = e.what();
            for (const std::string& n : c.named) {
                EXPECT_NE(message.find("/" + n + "\""), std::string::npos) << n << ": " << message;
            }
        }
        EXPECT_FALSE(std::filesystem::exists(o.out_dir));
    }
}

TEST(IsCatalogueSafeName, AcceptsUtf8RejectsMalformed) {
    struct Case {
        const char* name;
        std::string text;
        bool ok;
    };
    const Case cases[] = {
        {"ascii with space", "system/A B.ini", true}, {"cyrillic", "Папка/файл.txt", true},
        {"four-byte", "\xF0\x9F\x98\x80.txt", true},  {"control character", "a\tb", false},
        {"lone continuation", "a\x80", false},        {"truncated sequence", "a\xD0", false},
        {"overlong slash", "\xC0\xAF", false},        {"surrogate", "\xED\xA0\x80", false},
        {"latin-1 byte", "caf\xE9", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsCatalogueSafeName(c.text), c.ok) << c.name;
    }
}

TEST(ParseCommandLine, ReadsOptionsAndRejectsBadValues) {
    const Command c =
        ParseCommandLine({"--client", "c", "--out", "o", "--base-url", "http://h/a b//", "--preset",
                          "9e", "--crit", "x", "--crit", "y"});
    EXPECT_EQ(c.kind, Command::Kind::Publish);
    EXPECT_EQ(c.publish.base_url, "http://h/a%20b");
    EXPECT_EQ(c.publish.preset, 9u);
    EXPECT_TRUE(c.publish.extreme);
    EXPECT_EQ(c.publish.crit_files, (std::vector<std::string>{"x", "y"}));

    const std::vector<std::vector<std::string>> bad = {
        {"--client", "c", "--out", "o", "--base-url", "http://h", "--preset", "-1"},
        {"--client", "c", "--out", "o", "--base-url", "http://h", "--preset", "6x"},
        {"--client", "c", "--out", "o", "--base-url", "http://h", "--critical-version", "a"},
        {"--client", "c", "--out", "o", "--base-url", "http://h", "--jobs"},
        {"--client", "c", "--out", "o", "--base-url", "file:///x"},
    };
    for (const auto& args : bad) {
        EXPECT_THROW(ParseCommandLine(args), UsageError) << args[args.size() - 1];
    }
}

}  // namespace
}  // namespace kestrow::publish
