// The start buttons and the patch-variant list.
#include "shell/game_launch.h"
#include "shell/local_settings.h"
#include "ui/tform1.h"

namespace kestrow::ui {

int TForm1::SelectedPatchIndex() const {
    return shell::SelectedPatchIndex(cbSelectPatch->currentIndex());
}

void TForm1::RestoreSelectedPatch(int stored) {
    cbSelectPatch->setCurrentIndex(shell::SelectedPatchIndex(stored));
}

void TForm1::cbSelectPatchChange() {
    shell::SaveSelectedPatch(cbSelectPatch->currentIndex());
}

shell::LaunchActions TForm1::LaunchActions() {
    shell::LaunchActions actions;
    actions.doUpdate = [this] { doUpdate(); };
    actions.closeMainWindow = [this] { close(); };
    actions.openExe = actions_.open_exe_files;
    return actions;
}

void TForm1::START_GAMEClick() {
    shell::StartSelectedGame(cbSelectPatch->currentIndex(), LaunchActions(), game_directory_);
}

void TForm1::START_GAME_HFClick() {
    shell::LaunchOrUpdate(shell::ClientExecutable(shell::kFolderNew, game_directory_),
                          LaunchActions());
}

void TForm1::btnStartBetaPatchClick() {
    START_GAME_HFClick();
}

}  // namespace kestrow::ui
