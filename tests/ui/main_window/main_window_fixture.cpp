#include "main_window_fixture.h"

#include <QApplication>
#include <QTest>
#include <QWindow>
#include <atomic>
#include <filesystem>
#include <thread>

#include "core/launcher_state.h"
#include "core/status_texts.h"
#include "ui/qt_environment.h"

namespace kestrow::ui::test {
namespace {

// The exit button's test closes the window; the process goes on.
[[maybe_unused]] auto* const kQt = ::testing::AddGlobalTestEnvironment(
    new kestrow::test::QtEnvironment("ui_main_window_tests", /*keep_running=*/true));

QPoint InWindow(QWidget* control, QPoint offset) {
    return control->mapTo(control->window(), control->rect().center() + offset);
}

}  // namespace

WindowActions Outside::Actions() {
    WindowActions actions;
    actions.kill_game_processes = [this] { events.push_back("kill"); };
    actions.clean_client_files = [this] { events.push_back("clean"); };
    actions.open_link = [this](const std::string& link) { events.push_back("link " + link); };
    actions.open_exe_files = [this](const std::string& path) {
        events.push_back("exe " + path);
        return exe_starts;
    };
    return actions;
}

MainWindowTest::MainWindowTest() {
    std::filesystem::create_directories(game);
    form = std::make_unique<TForm1>(outside.Actions());
    form->SetGameDirectory(game);
    // As the launcher creates it: language, overlays, control set-up.
    form->setLanguage(core::kLanguageRussian);
    form->ResetButtonOverlays();
    form->InitControls();
    form->move(100, 100);
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    // The pointer may still stand where the last test left it; Qt drops a
    // move to the same place, and the new window would never see it enter.
    QTest::mouseMove(form->windowHandle(), QPoint(1, 1));
    HoverNothing();
}

MainWindowTest::~MainWindowTest() {
    // A run still going is cancelled by the window itself.
    form.reset();
}

void MainWindowTest::Press(QWidget* control, Qt::MouseButton button, QPoint offset) {
    QTest::mousePress(form->windowHandle(), button, {}, InWindow(control, offset));
}

void MainWindowTest::Release(QWidget* control, Qt::MouseButton button, QPoint offset) {
    QTest::mouseRelease(form->windowHandle(), button, {}, InWindow(control, offset));
}

void MainWindowTest::Click(QWidget* control, Qt::MouseButton button) {
    Press(control, button);
    Release(control, button);
}

void MainWindowTest::Hover(QWidget* control) {
    QTest::mouseMove(form->windowHandle(), InWindow(control, {}));
}

void MainWindowTest::HoverNothing() {
    // Between the logo and the link buttons: only the background lies there.
    QTest::mouseMove(form->windowHandle(), QPoint(200, 100));
}

QString MainWindowTest::Status() const {
    return form->STATUS->Text();
}

QString MainWindowTest::StatusOf(int id) const {
    return QString::fromStdString(
        core::StatusText(id, core::getLanguage(), form->State().g_nFilesOnlyRead).value_or("?"));
}

bool MainWindowTest::PumpUntil(const std::function<bool()>& done, int timeout_ms) {
    return QTest::qWaitFor(done, timeout_ms);
}

void MainWindowTest::FromOtherThread(const std::function<void()>& call) {
    std::atomic<bool> finished{false};
    std::jthread thread([&] {
        call();
        finished = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return finished.load(); }));
}

bool MainWindowTest::RunEnds(int timeout_ms) {
    return form->th && PumpUntil([this] { return form->th->Finished(); }, timeout_ms);
}

double Target(SkinImage* image) {
    QPropertyAnimation& fade = image->Fade();
    return fade.state() == QAbstractAnimation::Running ? fade.endValue().toDouble()
                                                       : image->Opacity();
}

}  // namespace kestrow::ui::test
