#pragma once
// The run-time fields set once at start-up, before the options are fetched.

#include "core/launcher_state.h"

namespace kestrow::shell {

// Today := now (local), UnixTime := DateTimeToUnix(Today), messageId := -1,
// canUpdate := true, g_bIsUpdateClient := false, g_nFilesOnlyRead := 0,
// g_ErrorConnect := 0.
void InitRuntimeState(core::LauncherState& state = core::Launcher());

}  // namespace kestrow::shell
