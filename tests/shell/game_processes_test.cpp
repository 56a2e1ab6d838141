#include <signal.h>

#include <gtest/gtest.h>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/isolated_env.h"
#include "shell/game_processes.h"
#include "support/child_process.h"

namespace kestrow::shell {
namespace {

namespace fs = std::filesystem;

TEST(KillGameProcesses, EndsBothClientNamesInAnyCaseThenWaitsASecond) {
    kestrow::test::IsolatedUser user;
    struct Case {
        const char* file;
        bool ends;
    };
    const Case cases[] = {{"l2.EXE", true}, {"L2.bin", true}, {"l2.BIN", true}, {"L2.dat", false}};
    std::vector<std::unique_ptr<kestrow::test::ChildProcess>> clients;
    for (const Case& c : cases) {
        const std::string dir = user.File("c" + std::to_string(clients.size()));
        fs::create_directories(dir);
        fs::copy_file(KESTROW_TEST_HELPER, dir + "/" + c.file);
        clients.push_back(std::make_unique<kestrow::test::ChildProcess>(
            dir + "/" + c.file, std::vector<std::string>{"sleep"}));
        std::string line;
        ASSERT_TRUE(clients.back()->ReadLine(line, 60000));
    }
    std::vector<std::chrono::milliseconds> slept;
    KillGameProcesses([&](std::chrono::milliseconds ms) { slept.push_back(ms); });
    EXPECT_EQ(slept, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(1000)});
    for (std::size_t i = 0; i < clients.size(); ++i) {
        const int status = cases[i].ends ? clients[i]->Wait() : clients[i]->Stop();
        EXPECT_EQ(status, cases[i].ends ? 128 + SIGKILL : 128 + SIGTERM) << cases[i].file;
    }
}

}  // namespace
}  // namespace kestrow::shell
