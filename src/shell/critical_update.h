#pragma once
// The critical-version step of start-up.

#include "core/launcher_state.h"

namespace kestrow::shell {

// False without touching the store when g_CurrentVersion differs from
// g_Version. Otherwise reads Settings\Critical as a REG_DWORD straight from the
// store key (not through RegistreU; anything failing reads as 1); when that is
// lower than g_Critical_Version (signed), writes g_Critical_Version there as a
// REG_DWORD and gives true.
bool IsCriticalUpdateDue(const core::LauncherState& state = core::Launcher());

// Whether start-up must begin an update run now (IsCriticalUpdateDue); the
// caller then makes its update request (Start_Update), whose mode is
// g_bIsUpdateClient, patch only at that point.
bool CheckCriticalUpdate(const core::LauncherState& state = core::Launcher());

}  // namespace kestrow::shell
