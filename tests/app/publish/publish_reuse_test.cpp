// Publishing again with the archives of an earlier publish.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/publish/command_line.h"
#include "app/publish/publisher.h"
#include "app/publish/quick_options.h"
#include "archive/lzma_decompressor.h"
#include "support/temp_dir.h"

namespace kestrow::publish {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

PublishOptions Options(const TempDir& dir, const std::string& out, const std::string& reuse) {
    PublishOptions o = QuickOptions(dir, true, out, 2);
    o.reuse_dir = reuse.empty() ? "" : dir.File(reuse);
    return o;
}

// What an archive unpacks to, through the launcher's own decoder.
std::string Unpacked(const fs::path& archive, const fs::path& scratch) {
    fs::copy_file(archive, scratch / "a.lzma", fs::copy_options::overwrite_existing);
    archive::DecompressLZMAFile((scratch / "a.lzma").string(), (scratch / "a.out").string());
    return ReadFile((scratch / "a.out").string());
}

ino_t Inode(const fs::path& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_ino;
}

TEST(PublishReuse, UnchangedFilesKeepTheirArchivesTheRestIsCompressed) {
    TempDir dir;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"})
        WriteFile(dir.File(std::string("client/") + name), test::RandomBytes(5000, name[0]));
    WriteFile(dir.File("client/system/l2.ini"), "[Engine]\n");
    WriteFile(dir.File("patch/system/l2.ini"), "[Engine]\n");
    Publish(Options(dir, "www1", ""));

    WriteFile(dir.File("client/a.txt"), test::RandomBytes(5000, 1));  // same size, new content
    WriteFile(dir.File("client/b.txt"), "shorter");
    WriteFile(dir.File("client/f.txt"), "new file");
    // d's archive declares another size; e's lost everything after its header.
    std::string d = ReadFile(dir.File("www1/client/d.txt.lzma"));
    d[5] = static_cast<char>(d[5] ^ 1);
    WriteFile(dir.File("www1/client/d.txt.lzma"), d);
    fs::resize_file(dir.File("www1/client/e.txt.lzma"), 13);

    const PublishSummary again = Publish(Options(dir, "www2", "www1"));
    const PublishSummary fresh = Publish(Options(dir, "www3", ""));
    EXPECT_EQ(again.reused_files, 3u);  // c.txt, both l2.ini
    EXPECT_EQ(again.compressed_files, 5u);
    EXPECT_EQ(fresh.reused_files, 0u);
    std::vector<std::string> refused = again.reuse_refused;
    std::sort(refused.begin(), refused.end());
    EXPECT_EQ(refused, (std::vector<std::string>{"d.txt", "e.txt"}));

    for (const char* doc : {"clientlist.xml", "patchlist.xml", "options.xml"}) {
        EXPECT_EQ(ReadFile(dir.File(std::string("www2/_files/") + doc)),
                  ReadFile(dir.File(std::string("www3/_files/") + doc)))
            << doc;
    }
    const fs::path scratch = dir.File("scratch");
    fs::create_directories(scratch);
    for (const char* tree : {"client", "patch"}) {
        const fs::path root = dir.File(std::string("www2/") + tree);
        for (const auto& e : fs::recursive_directory_iterator(root)) {
            if (!e.is_regular_file())
                continue;
            const std::string name = fs::relative(e.path(), root).replace_extension().string();
            EXPECT_EQ(Unpacked(e.path(), scratch), ReadFile(dir.File(tree + ("/" + name))))
                << e.path();
        }
    }
    EXPECT_EQ(Inode(dir.File("www2/client/c.txt.lzma")), Inode(dir.File("www1/client/c.txt.lzma")));
    EXPECT_FALSE(fs::exists(dir.File("www2/client/c.txt.lzma.part")));
}

TEST(PublishReuse, RefusesTheOutputItselfAndAMissingDirectory) {
    TempDir dir;
    WriteFile(dir.File("client/a.txt"), "a");
    WriteFile(dir.File("patch/b.txt"), "b");
    Publish(Options(dir, "www", ""));
    EXPECT_THROW(Publish(Options(dir, "www", "www")), UsageError);
    EXPECT_THROW(Publish(Options(dir, "www2", "nowhere")), UsageError);
    WriteFile(dir.File("junk/_files/clientlist.xml"), "not xml <");
    EXPECT_THROW(Publish(Options(dir, "www2", "junk")), UsageError);
    EXPECT_EQ(ParseCommandLine(
                  {"--client", "c", "--out", "o", "--base-url", "http://h", "--reuse", "prev"})
                  .publish.reuse_dir,
              "prev");
}

}  // namespace
}  // namespace kestrow::publish
