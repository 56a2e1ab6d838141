#include "shell/runtime_state.h"

#include "shell/date_time.h"

namespace kestrow::shell {

void InitRuntimeState(core::LauncherState& state) {
    state.Today = NowAsDateTime();
    state.UnixTime = DateTimeToUnix(state.Today);
    state.messageId = -1;
    state.canUpdate = true;
    state.g_bIsUpdateClient = false;
    state.g_nFilesOnlyRead = 0;
    state.g_ErrorConnect = 0;
}

}  // namespace kestrow::shell
