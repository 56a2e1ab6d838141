#pragma once
// Command line of kestrow-serve.

#include <optional>
#include <string>
#include <vector>

#include "platform/error.h"

namespace kestrow::serve {

using platform::Error;
KESTROW_DECLARE_ERROR(EUsageError, Error);

struct ServeOptions {
    std::string root;
    std::string host = "127.0.0.1";
    int port = 0;  // 0: a free port, printed at start
    bool help = false;
};

// Throws EUsageError with a one-line reason for bad input.
ServeOptions ParseServeArguments(const std::vector<std::string>& args);

extern const char* const kServeUsage;

}  // namespace kestrow::serve
