#include <unistd.h>

#include <gtest/gtest.h>
#include <string>

#include "platform/error.h"
#include "platform/isolated_env.h"
#include "platform/single_instance.h"

namespace kestrow::platform {
namespace {

TEST(SingleInstanceLock, LockFileInTheRuntimeFolderElseThePerUserTempName) {
    {
        test::ScopedEnvVar run("XDG_RUNTIME_DIR", "/run/user/7"), tmp("TMPDIR", "/t");
        EXPECT_EQ(SingleInstanceLockPath("Kestrow"), "/run/user/7/Kestrow.lock");
        EXPECT_EQ(SingleInstanceLockPath("a/b%c"), "/run/user/7/a%2Fb%25c.lock");
        EXPECT_EQ(SingleInstanceLockPath(""), "");
    }
    test::ScopedEnvVar run("XDG_RUNTIME_DIR", std::nullopt), tmp("TMPDIR", "/t");
    EXPECT_EQ(SingleInstanceLockPath("Kestrow"),
              "/t/Kestrow." + std::to_string(::getuid()) + ".lock");
}

TEST(SingleInstanceLock, OneHolderPerNameUntilItLetsGo) {
    test::IsolatedUser user;
    {
        SingleInstanceLock first("Kestrow");
        SingleInstanceLock second("Kestrow");
        SingleInstanceLock other("Kestrow2");
        EXPECT_TRUE(first.Acquired());
        EXPECT_FALSE(second.Acquired());
        EXPECT_TRUE(other.Acquired());
        // Unnamed, as an unnamed mutex: never shared.
        EXPECT_TRUE(SingleInstanceLock("").Acquired());
        EXPECT_TRUE(SingleInstanceLock("").Acquired());
    }
    EXPECT_TRUE(SingleInstanceLock("Kestrow").Acquired());
}

TEST(SingleInstanceLock, UnusableFolderThrows) {
    test::IsolatedUser user;
    test::ScopedEnvVar run("XDG_RUNTIME_DIR", user.File("missing"));
    EXPECT_THROW(SingleInstanceLock("Kestrow"), Error);
}

}  // namespace
}  // namespace kestrow::platform
