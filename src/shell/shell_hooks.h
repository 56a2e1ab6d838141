#pragma once
// Hooks through which lower layers reach the shell without including it.

#include "core/launcher_state.h"

namespace kestrow::shell {

// reloadOptions := ReloadSettings() with the built-in options addresses.
void InstallShellHooks(core::LauncherState& state = core::Launcher());

}  // namespace kestrow::shell
