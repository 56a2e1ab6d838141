// The window's controls in their places, the locked and unlocked states, the
// progress bars and the language switch, driven as the update run drives
// them: through the window port from a thread of its own.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>
#include <limits>

#include "core/status_texts.h"
#include "core/window_port.h"
#include "main_window_fixture.h"
#include "ui/skin_resources.h"

namespace kestrow::ui::test {
namespace {

using WindowState = MainWindowTest;

TEST_F(WindowState, ControlsLieWhereTheBackgroundDrawsThem) {
    EXPECT_EQ(form->windowTitle(), "Updater Brenholt");
    EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form->size(), QSize(655, 420));
    const struct {
        const char* name;
        QRect geometry;
    } places[] = {
        {"MAIN_FORM", {0, 0, 655, 420}},
        {"START_GAME", {496, 289, 129, 127}},
        {"START_BLOCK", {496, 289, 129, 127}},
        {"START_GAME_HF", {496, 189, 129, 127}},
        {"UPDATE_BUTTON", {46, 339, 119, 25}},
        {"UPDATE_PRESS", {46, 339, 119, 25}},
        {"UPDATE_BLOCK", {45, 339, 119, 25}},
        {"UPDATE_BUTTON_CLIENT", {46, 365, 119, 25}},
        {"UPDATE_BLOCK_CLIENT", {45, 365, 119, 25}},
        {"CANCEL_BUTTON", {46, 365, 119, 25}},
        {"CANCEL_BLOCK", {45, 365, 119, 25}},
        {"EXIT_BUTTON", {610, 13, 31, 31}},
        {"MIN_BUTTON", {570, 30, 40, 15}},
        {"SITE_BUTTON", {266, 136, 114, 28}},
        {"FORUM_BUTTON", {260, 168, 126, 28}},
        {"REG_BUTTON", {236, 218, 175, 34}},
        {"SETTINGS_BUTTON", {484, 62, 31, 32}},
        {"AUTOLOGIN_BUTTON", {499, 11, 33, 33}},
        {"ABOUT_ON", {540, 11, 26, 33}},
        {"SITE_BUTT", {8, 16, 163, 156}},
        {"STATUS", {172, 314, 309, 21}},
        {"FileProgress", {172, 339, 341, 19}},
        {"TotalProgress", {172, 366, 341, 19}},
        {"TextFile", {182, 337, 211, 21}},
        {"TotalFile", {182, 364, 211, 21}},
        {"cbSelectPatch", {484, 258, 113, 22}},
        {"btnStartBetaPatch", {392, 72, 137, 22}},
        {"RUS", {333, 26, 44, 41}},
        {"ENG", {273, 27, 44, 41}},
    };
    for (const auto& p : places) {
        const auto* control = form->findChild<QWidget*>(QString::fromLatin1(p.name));
        ASSERT_NE(control, nullptr) << p.name;
        EXPECT_EQ(QRect(control->mapTo(form.get(), QPoint(0, 0)), control->size()), p.geometry)
            << p.name;
    }
    EXPECT_EQ(form->MAIN_FORM->Picture().size(), QSize(655, 420));
    EXPECT_EQ(form->START_GAME->Picture().toImage(),
              SkinPicture(QStringLiteral("StartGamePressRu")).toImage());
    EXPECT_EQ(form->cbSelectPatch->count(), 2);
    EXPECT_FALSE(form->btnStartBetaPatch->isVisible());
}

// Shown and enabled, at start and after each lock and unlock.
struct ControlState {
    SkinImage* TForm1::*control;
    const char* name;
    bool shown_at_start;
    bool shown_locked, enabled_locked;
    bool shown_unlocked, enabled_unlocked;
};
const ControlState kControlStates[] = {
    {&TForm1::START_BLOCK, "START_BLOCK", false, true, true, false, true},
    {&TForm1::START_GAME, "START_GAME", true, false, true, true, true},
    {&TForm1::START_ON, "START_ON", true, true, false, true, true},
    {&TForm1::START_PRESS, "START_PRESS", true, true, false, true, true},
    {&TForm1::UPDATE_BLOCK, "UPDATE_BLOCK", false, true, true, false, true},
    {&TForm1::UPDATE_ON, "UPDATE_ON", true, true, false, true, true},
    {&TForm1::UPDATE_BUTTON, "UPDATE_BUTTON", true, true, false, true, true},
    {&TForm1::UPDATE_BLOCK_CLIENT, "UPDATE_BLOCK_CLIENT", false, true, true, false, true},
    {&TForm1::UPDATE_ON_CLIENT, "UPDATE_ON_CLIENT", true, true, false, true, true},
    {&TForm1::UPDATE_BUTTON_CLIENT, "UPDATE_BUTTON_CLIENT", true, true, false, true, true},
    {&TForm1::SETTINGS_BUTTON, "SETTINGS_BUTTON", false, false, true, true, true},
    // Its overlays are only enabled again, never shown.
    {&TForm1::SETTINGS_ON, "SETTINGS_ON", false, false, false, false, true},
    {&TForm1::SETTINGS_PRESS, "SETTINGS_PRESS", false, false, false, false, true},
    // Usable during a run.
    {&TForm1::SITE_BUTTON, "SITE_BUTTON", true, true, true, true, true},
    {&TForm1::ABOUT_BUTTON, "ABOUT_BUTTON", true, true, true, true, true},
    {&TForm1::AUTOLOGIN_BUTTON, "AUTOLOGIN_BUTTON", true, true, true, true, true},
    {&TForm1::EXIT_BUTTON, "EXIT_BUTTON", true, true, true, true, true},
    {&TForm1::MIN_BUTTON, "MIN_BUTTON", true, true, true, true, true},
    {&TForm1::ENG, "ENG", true, true, true, true, true},
    // Hidden in every state.
    {&TForm1::CANCEL_BUTTON, "CANCEL_BUTTON", false, false, true, false, true},
    {&TForm1::START_GAME_HF, "START_GAME_HF", false, false, true, false, true},
};

TEST_F(WindowState, LockAndUnlockFromTheRunsThread) {
    for (const ControlState& c : kControlStates)
        EXPECT_EQ((form.get()->*c.control)->isVisible(), c.shown_at_start) << c.name;

    for (int round = 0; round < 2; ++round) {
        FromOtherThread([] { core::Window().LockUpdateControls(); });
        EXPECT_FALSE(State().canUpdate);
        for (const ControlState& c : kControlStates) {
            EXPECT_EQ((form.get()->*c.control)->isVisible(), c.shown_locked) << c.name;
            EXPECT_EQ((form.get()->*c.control)->isEnabled(), c.enabled_locked) << c.name;
        }
        // A locked update button takes no pointer: no request is made.
        Click(form->UPDATE_BUTTON);
        Click(form->UPDATE_BUTTON_CLIENT);
        EXPECT_TRUE(outside.events.empty());

        FromOtherThread([] { core::Window().UnlockUpdateControls(); });
        EXPECT_TRUE(State().canUpdate);
        for (const ControlState& c : kControlStates) {
            EXPECT_EQ((form.get()->*c.control)->isVisible(), c.shown_unlocked) << c.name;
            EXPECT_EQ((form.get()->*c.control)->isEnabled(), c.enabled_unlocked) << c.name;
        }
    }
}

// The number of painted columns along the middle of a bar.
int PaintedWidth(QWidget* bar) {
    const QImage image = bar->grab().toImage();
    int painted = 0;
    for (int x = 0; x < image.width(); ++x)
        painted += qAlpha(image.pixel(x, image.height() / 2)) > 0;
    return painted;
}

TEST_F(WindowState, ProgressBarsKeepTheirWidthWithinTheFullBar) {
    EXPECT_EQ(form->FileProgress->Bar().Width(), 341.0f);
    EXPECT_EQ(form->TotalProgress->Bar().Width(), 341.0f);
    EXPECT_EQ(PaintedWidth(form->TotalProgress), 341);

    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    using core::WindowPort;
    const struct {
        const char* what;
        std::function<void(WindowPort&)> call;
        ProgressView* TForm1::*bar;
        float width;
    } cases[] = {
        {"50 of 200", [](WindowPort& w) { w.SetFileProgressValue(50, 200); }, &TForm1::FileProgress,
         85.25f},
        {"of nothing", [](WindowPort& w) { w.SetFileProgressValue(5, 0); }, &TForm1::FileProgress,
         0.0f},
        {"of less than nothing", [](WindowPort& w) { w.SetTotalProgressValue(5, -1); },
         &TForm1::TotalProgress, 0.0f},
        {"beyond the end", [](WindowPort& w) { w.SetTotalProgressValue(300, 200); },
         &TForm1::TotalProgress, 341.0f},
        {"the largest sizes", [](WindowPort& w) { w.SetFileProgressValue(kMax / 2, kMax); },
         &TForm1::FileProgress, 170.5f},
        {"a negative value", [](WindowPort& w) { w.SetTotalProgressValue(-10, 200); },
         &TForm1::TotalProgress, 0.0f},
        {"a width", [](WindowPort& w) { w.SetFileProgressWidth(12.5f); }, &TForm1::FileProgress,
         12.5f},
        {"a width too large", [](WindowPort& w) { w.SetTotalProgressWidth(1e9f); },
         &TForm1::TotalProgress, 341.0f},
        {"a negative width", [](WindowPort& w) { w.SetFileProgressWidth(-3); },
         &TForm1::FileProgress, 0.0f},
        {"added up to the end",
         [](WindowPort& w) {
             w.SetTotalProgressWidth(300);
             w.AddTotalProgressWidth(85.25f);
         },
         &TForm1::TotalProgress, 341.0f},
        {"added below nothing",
         [](WindowPort& w) {
             w.SetTotalProgressWidth(20);
             w.AddTotalProgressWidth(-50);
         },
         &TForm1::TotalProgress, 0.0f},
        {"added",
         [](WindowPort& w) {
             w.ClearTotalProgressBar();
             w.AddTotalProgressWidth(100.5f);
             w.AddTotalProgressWidth(0.25f);
         },
         &TForm1::TotalProgress, 100.75f},
        {"cleared", [](WindowPort& w) { w.ClearFileProgressBar(); }, &TForm1::FileProgress, 0.0f},
    };
    for (const auto& c : cases) {
        FromOtherThread([&] { c.call(core::Window()); });
        ProgressView* bar = form.get()->*c.bar;
        EXPECT_FLOAT_EQ(bar->Bar().Width(), c.width) << c.what;
        EXPECT_EQ(PaintedWidth(bar), bar->Bar().PixelWidth()) << c.what;
    }
}

TEST_F(WindowState, LanguageSwitchRendersTheCurrentStatusAgain) {
    // Before any id the line stays empty, in either language.
    EXPECT_EQ(Status(), "");
    Click(form->ENG);
    EXPECT_EQ(State().language, 1);
    EXPECT_EQ(Status(), "");
    EXPECT_EQ(form->TextFile->Text(), "File");
    EXPECT_EQ(form->TotalFile->Text(), "Total");
    EXPECT_EQ(form->cbSelectPatch->itemText(0), "New Patch IL");
    EXPECT_EQ(form->MAIN_FORM->Picture().toImage(),
              SkinPicture(QStringLiteral("MainEng")).toImage());
    EXPECT_FALSE(form->ENG->isEnabled());
    EXPECT_TRUE(form->RUS->isEnabled());

    form->UpdateStatus(4);
    EXPECT_EQ(Status(), "All files were successfully updated!");
    form->cbSelectPatch->setCurrentIndex(1);
    Click(form->RUS);
    EXPECT_EQ(Status(), QString::fromUtf8("Все файлы успешно обновлены, приятной игры!"));
    EXPECT_EQ(form->TextFile->Text(), QString::fromUtf8("Файл"));
    EXPECT_EQ(form->cbSelectPatch->itemText(1), QString::fromUtf8("Старый патч IL"));
    EXPECT_EQ(form->cbSelectPatch->currentIndex(), 1);
    EXPECT_EQ(form->START_GAME->Picture().toImage(),
              SkinPicture(QStringLiteral("StartGamePressRu")).toImage());

    // A text of the run's own gives way to the current id in the new language.
    State().g_nFilesOnlyRead = 3;
    FromOtherThread([] {
        core::setStatus(7);
        core::Window().ShowStatus();
        core::Window().ShowStatusText("Worker 1: system\\l2.ini");
    });
    EXPECT_EQ(Status(), "Worker 1: system\\l2.ini");
    Click(form->ENG);
    EXPECT_EQ(Status(), "Your patch is up to date.");
    Click(form->RUS);
    EXPECT_EQ(Status(), QString::fromUtf8("Клиент не нуждается в обновлении. (3)"));

    // The flag of the language in use does nothing; nor does an unknown language.
    Click(form->RUS);
    EXPECT_EQ(State().language, 0);
    form->ShowStatusText(QStringLiteral("kept"));
    form->setLanguage(5);
    EXPECT_EQ(Status(), QString::fromUtf8("Клиент не нуждается в обновлении. (3)"));
    EXPECT_EQ(form->TextFile->Text(), QString::fromUtf8("Файл"));
}

TEST_F(WindowState, LongStatusTextsAreCutWithAnEllipsis) {
    // Every text of the id table fits whole, in both languages.
    for (int language : {core::kLanguageRussian, core::kLanguageEnglish}) {
        for (int id = core::kFirstStatusId; id <= core::kLastStatusId; ++id) {
            const QString text =
                QString::fromStdString(core::StatusText(id, language, 123).value_or(""));
            form->ShowStatusText(text);
            EXPECT_EQ(form->STATUS->ShownText(), text);
        }
    }

    form->ShowStatusText(QString(200, QLatin1Char('W')));
    const QString shown = form->STATUS->ShownText();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_LE(form->STATUS->fontMetrics().horizontalAdvance(shown), 309);
    EXPECT_EQ(form->STATUS->width(), 309);
}

}  // namespace
}  // namespace kestrow::ui::test
