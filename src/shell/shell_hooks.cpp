#include "shell/shell_hooks.h"

#include "shell/options_document.h"

namespace kestrow::shell {

void InstallShellHooks(core::LauncherState& state) {
    state.reloadOptions = [] { ReloadSettings(DefaultOptionsSource()); };
}

}  // namespace kestrow::shell
