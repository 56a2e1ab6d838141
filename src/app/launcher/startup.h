#pragma once
// The main window's creation steps, in their fixed order.

#include "ui/tform1.h"

namespace kestrow::app {

// Temporary directory, single instance, run-time state, options document,
// settings store, language, controls, patch variant, compatibility layers,
// critical update, launcher-version check. False when another instance runs:
// the message has been shown and the process is to end at once.
bool FormCreate(ui::TForm1& form);

}  // namespace kestrow::app
