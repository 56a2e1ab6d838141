#include "core/launcher_state.h"

namespace kestrow::core {
namespace {
LauncherState g_default_state;
LauncherState* g_state = &g_default_state;
}  // namespace

LauncherState& Launcher() {
    return *g_state;
}
void SetLauncher(LauncherState* state) {
    g_state = state ? state : &g_default_state;
}
LauncherState* ScopedLauncherState::TryLauncher() {
    return g_state;
}

}  // namespace kestrow::core
