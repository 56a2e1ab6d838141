// Overlays, pointer set-up, the locked and unlocked states and the two bars.
#include "ui/skin_message_box.h"
#include "ui/tform1.h"

namespace kestrow::ui {

void TForm1::ResetButtonOverlays() {
    const std::pair<SkinImage*, SkinImage*> overlays[] = {
        {START_ON, START_PRESS},
        {START_ON_HF, START_PRESS_HF},
        {CANCEL_ON, CANCEL_PRESS},
        {UPDATE_ON, UPDATE_PRESS},
        {UPDATE_ON_CLIENT, UPDATE_PRESS_CLIENT},
        {EXIT_ON, EXIT_PRESS},
        {MIN_ON, MIN_PRESS},
        {SITE_ON, SITE_PRESS},
        {FORUM_ON, FORUM_PRESS},
        {REG_ON, REG_PRESS},
        {SETTINGS_ON, SETTINGS_PRESS},
        {AUTOLOGIN_ON, AUTOLOGIN_PRESS},
        {ABOUT_ON, ABOUT_PRESS},
    };
    for (const auto& [hover, press] : overlays) {
        AnimateButton(hover, 0);
        AnimateButton(press, 0);
    }
    AnimateButton(RUS, 0);
    AnimateButton(ENG, 0);
}

void TForm1::InitControls() {
    MAIN_FORM->SetReceivesPointer(true);
    MAIN_FORM->setCursor(Qt::ArrowCursor);
    for (QWidget* control : std::initializer_list<QWidget*>{
             START_GAME, START_GAME_HF, CANCEL_BUTTON, UPDATE_BUTTON, UPDATE_BUTTON_CLIENT,
             EXIT_BUTTON, MIN_BUTTON, SITE_BUTTON, SITE_BUTT, FORUM_BUTTON, REG_BUTTON,
             SETTINGS_BUTTON, AUTOLOGIN_BUTTON, ABOUT_BUTTON, btnStartBetaPatch, cbSelectPatch, RUS,
             ENG}) {
        control->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        control->setCursor(Qt::PointingHandCursor);
    }
    for (SkinImage* block :
         {START_BLOCK, START_BLOCK_HF, UPDATE_BLOCK, UPDATE_BLOCK_CLIENT, CANCEL_BLOCK}) {
        block->SetReceivesPointer(false);
    }
    // SkinImage keeps every opacity within 0..1 already.
    for (SkinImage* overlay : {START_ON,    START_PRESS,    START_ON_HF,      START_PRESS_HF,
                               UPDATE_ON,   UPDATE_PRESS,   UPDATE_ON_CLIENT, UPDATE_PRESS_CLIENT,
                               CANCEL_ON,   CANCEL_PRESS,   EXIT_ON,          EXIT_PRESS,
                               MIN_ON,      MIN_PRESS,      SITE_ON,          SITE_PRESS,
                               FORUM_ON,    FORUM_PRESS,    REG_ON,           REG_PRESS,
                               SETTINGS_ON, SETTINGS_PRESS, AUTOLOGIN_ON,     AUTOLOGIN_PRESS,
                               ABOUT_ON,    ABOUT_PRESS}) {
        overlay->SetReceivesPointer(false);
    }
    const std::pair<StatusLabel*, int> labels[] = {
        {STATUS, 309}, {TextFile, 211}, {TotalFile, 211}};
    for (const auto& [label, width] : labels) {
        label->setAttribute(Qt::WA_TransparentForMouseEvents, true);
        label->setWordWrap(false);
        label->setFixedWidth(width);
    }
    FileProgress->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    TotalProgress->setAttribute(Qt::WA_TransparentForMouseEvents, true);
}

void TForm1::LockUpdateControls() {
    State().canUpdate = false;
    START_BLOCK->show();
    START_ON->setEnabled(false);
    START_GAME->hide();
    START_PRESS->setEnabled(false);
    UPDATE_BLOCK->show();
    UPDATE_ON->setEnabled(false);
    UPDATE_BUTTON->setEnabled(false);
    UPDATE_BLOCK_CLIENT->show();
    UPDATE_ON_CLIENT->setEnabled(false);
    UPDATE_BUTTON_CLIENT->setEnabled(false);
    SETTINGS_BUTTON->hide();
    SETTINGS_ON->setEnabled(false);
    SETTINGS_PRESS->setEnabled(false);
}

void TForm1::UnlockUpdateControls() {
    State().canUpdate = true;
    START_BLOCK->hide();
    START_ON->setEnabled(true);
    START_GAME->show();
    START_PRESS->setEnabled(true);
    UPDATE_BLOCK->hide();
    UPDATE_ON->setEnabled(true);
    UPDATE_BUTTON->setEnabled(true);
    UPDATE_BLOCK_CLIENT->hide();
    UPDATE_ON_CLIENT->setEnabled(true);
    UPDATE_BUTTON_CLIENT->setEnabled(true);
    SETTINGS_BUTTON->show();
    SETTINGS_ON->setEnabled(true);
    SETTINGS_PRESS->setEnabled(true);
}

void TForm1::ClearFileProgressBar() {
    FileProgress->Bar().Clear();
    FileProgress->Changed();
}
void TForm1::ClearTotalProgressBar() {
    TotalProgress->Bar().Clear();
    TotalProgress->Changed();
}
void TForm1::SetFileProgressWidth(float AWidth) {
    FileProgress->Bar().SetWidth(AWidth);
    FileProgress->Changed();
}
void TForm1::SetTotalProgressWidth(float AWidth) {
    TotalProgress->Bar().SetWidth(AWidth);
    TotalProgress->Changed();
}
void TForm1::AddTotalProgressWidth(float AWidth) {
    TotalProgress->Bar().AddWidth(AWidth);
    TotalProgress->Changed();
}
void TForm1::SetFileProgressValue(std::int64_t ACurrent, std::int64_t AMax) {
    FileProgress->Bar().SetValue(ACurrent, AMax);
    FileProgress->Changed();
}
void TForm1::SetTotalProgressValue(std::int64_t ACurrent, std::int64_t AMax) {
    TotalProgress->Bar().SetValue(ACurrent, AMax);
    TotalProgress->Changed();
}

void TForm1::ShowMessageBox(const QString& text) {
    // A run that ends because the window closed reports to nobody.
    if (closed_)
        return;
    ShowSkinMessage(this, text);
}

}  // namespace kestrow::ui
