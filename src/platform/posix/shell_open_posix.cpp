#include "platform/posix/spawn.h"
#include "platform/shell_open.h"

namespace kestrow::platform {

bool ShellOpen(const std::string& target) {
    return posix::SpawnDetached({{"xdg-open", target}, {}, true, true});
}

}  // namespace kestrow::platform
