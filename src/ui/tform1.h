#pragma once
// The launcher's main window: one borderless, skinned picture with image
// controls over its drawn buttons, the status line, two progress bars and the
// update, cancel, link and window buttons. It owns the launcher state and
// installs itself as the window port that the update run and the self-update
// reach it through.

#include <QDialog>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/launcher_state.h"
#include "core/window_port.h"
#include "shell/auto_update.h"
#include "shell/game_launch.h"
#include "shell/update_request.h"
#include "ui/patch_selector.h"
#include "ui/progress_view.h"
#include "ui/qt_window_port.h"
#include "ui/skin_image.h"
#include "ui/status_label.h"
#include "ui/window_actions.h"
#include "update/update_run.h"

namespace kestrow::ui {

inline constexpr int kWindowWidth = 655;
inline constexpr int kWindowHeight = 420;
inline constexpr char kWindowCaption[] = "Updater Brenholt";

class TForm1 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm1(WindowActions actions = ShellWindowActions(), QWidget* parent = nullptr);
    ~TForm1() override;

    // The launcher state this window owns (also core::Launcher() while it lives).
    core::LauncherState& State() { return *state_; }

    // Language: texts, list items and the skin pictures (0 Russian, 1 English).
    void setLanguage(int lang);
    // Status line.
    void ShowStatusText(const QString& AText);
    void UpdateStatus(int nIDMsg);

    void ResetButtonOverlays();
    void InitControls();

    // The window operations of the port (user-interface thread).
    void LockUpdateControls();
    void UnlockUpdateControls();
    void ClearFileProgressBar();
    void ClearTotalProgressBar();
    void SetFileProgressWidth(float AWidth);
    void SetTotalProgressWidth(float AWidth);
    void AddTotalProgressWidth(float AWidth);
    void SetFileProgressValue(std::int64_t ACurrent, std::int64_t AMax);
    void SetTotalProgressValue(std::int64_t ACurrent, std::int64_t AMax);
    void ShowMessageBox(const QString& text);

    void AnimateButton(SkinImage* img, float val) { ui::AnimateButton(img, val); }

    // Update requests and the run.
    void RequestPatchUpdate();
    void RequestClientUpdate();
    void Start_Update();
    void doUpdate();
    void CANCEL_BUTTONClick();
    // Starts the launcher-version check beside the window (kept in thv).
    void AutoUpdate();
    // The program is ending: the run and every transfer of the process are cut
    // at once, and the threads' window calls are served until they have ended
    // or the deadline has passed. True when no thread runs any more.
    bool EndThreadsForExit(std::chrono::steady_clock::time_point deadline);
    // The client directory runs work on; empty: the working directory.
    void SetGameDirectory(std::string directory) { game_directory_ = std::move(directory); }

    // Game start (the start buttons and the patch-variant list).
    void START_GAMEClick();
    void START_GAME_HFClick();
    void btnStartBetaPatchClick();
    void cbSelectPatchChange();
    // The patch variant of the store into cbSelectPatch (0 unless it is 0 or 1).
    void RestoreSelectedPatch(int stored);
    int SelectedPatchIndex() const;

    // Links: OpenURL and OpenOther open the text as it is.
    void OpenURL(const std::string& s);
    void OpenOther(const std::string& s);

    void StartWindowDrag();
    void MinimizeWindow();
    void ShowChangeLog();
    void ShowAutoLogin();
    // Keeps a window inside the primary screen's work area.
    static void KeepOnWorkArea(QWidget& window);

    // The most recent update run (kept until the next one or the window's end).
    std::unique_ptr<update::UpdateRun> th;
    // The launcher-version check started at start-up.
    std::unique_ptr<shell::VersionCheckThread> thv;

    // Controls, by the names of the window layout.
    SkinImage* MAIN_FORM;
    SkinImage *START_GAME, *START_ON, *START_PRESS, *START_BLOCK;
    SkinImage *START_GAME_HF, *START_ON_HF, *START_PRESS_HF, *START_BLOCK_HF;
    SkinImage *UPDATE_BUTTON, *UPDATE_ON, *UPDATE_PRESS, *UPDATE_BLOCK;
    SkinImage *UPDATE_BUTTON_CLIENT, *UPDATE_ON_CLIENT, *UPDATE_PRESS_CLIENT, *UPDATE_BLOCK_CLIENT;
    SkinImage *CANCEL_BUTTON, *CANCEL_ON, *CANCEL_PRESS, *CANCEL_BLOCK;
    SkinImage *EXIT_BUTTON, *EXIT_ON, *EXIT_PRESS;
    SkinImage *MIN_BUTTON, *MIN_ON, *MIN_PRESS;
    SkinImage *SITE_BUTTON, *SITE_ON, *SITE_PRESS;
    SkinImage *FORUM_BUTTON, *FORUM_ON, *FORUM_PRESS;
    SkinImage *REG_BUTTON, *REG_ON, *REG_PRESS;
    SkinImage *SETTINGS_BUTTON, *SETTINGS_ON, *SETTINGS_PRESS;
    SkinImage *AUTOLOGIN_BUTTON, *AUTOLOGIN_ON, *AUTOLOGIN_PRESS;
    SkinImage *ABOUT_BUTTON, *ABOUT_ON, *ABOUT_PRESS;
    SkinImage* SITE_BUTT;
    StatusLabel* STATUS;
    ProgressView *FileProgress, *TotalProgress;
    StatusLabel *TextFile, *TotalFile;
    PatchSelector* cbSelectPatch;
    QPushButton* btnStartBetaPatch;
    SkinImage *RUS, *ENG;

  signals:
    // The window has been closed (exit button, game start, the system): the
    // launcher ends.
    void Closed();

  protected:
    void showEvent(QShowEvent* event) override;  // FormShow
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreateControls();
    void WireControls();
    void WireButton(SkinImage* hit, SkinImage* hover, SkinImage* press,
                    std::function<void()> on_release, std::function<void()> on_click);
    void LoadLanguageImages(int lang);
    void ApplyLanguageTexts(int lang);
    shell::StartUpdateOptions UpdateOptions();
    shell::LaunchActions LaunchActions();
    void EndThreads();
    // Serves the run's window calls while the window's thread waits for it.
    static void PumpWindowCalls();
    // The run has ended or is waited for; afterwards th may be replaced.
    void SettlePreviousRun();

    core::ScopedLauncherState state_;
    WindowActions actions_;
    QtWindowPort port_;
    core::ScopedWindow port_scope_;
    std::string game_directory_;
    bool waiting_for_run_ = false;
    // Closed and not shown again: no message boxes, no new run.
    bool closed_ = false;
    std::unique_ptr<QDialog> change_log_;  // TForm3, made at its first showing
};

}  // namespace kestrow::ui
