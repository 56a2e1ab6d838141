#pragma once
// The update buttons' request, made once from the terminal.

#include <memory>

#include "update/update_run.h"

namespace kestrow::updater {

// g_nFilesOnlyRead := 0; with updates blocked status 15 and no run; otherwise
// the run is started into th.
void RequestUpdate(std::unique_ptr<update::UpdateRun>& th);

// The interface language the player chose in the launcher (0 when none).
int StoredLanguage();

}  // namespace kestrow::updater
