#include <filesystem>
#include <stdexcept>

#include <gtest/gtest.h>

#include "log/app_logger.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace kestrow::log {
namespace {

static_assert(!LoggingEnabled, "this program checks the switched-off build");

TEST(LoggingDisabled, EveryCallReturnsAndNothingIsCreated) {
    test::TempDir tmp;
    test::ScopedEnv env("LOCALAPPDATA", tmp.Path().string().c_str());
    const std::runtime_error error("boom");

    InitLogger();
    LogInfo("info");
    LogWarn("warn");
    LogError("error");
    LogException("context", &error);
    LogException("context", nullptr);
    LogException("context", std::make_exception_ptr(error));
    FinalizeLogger();

    EXPECT_TRUE(std::filesystem::is_empty(tmp.Path()));
}

}  // namespace
}  // namespace kestrow::log
