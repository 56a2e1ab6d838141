#pragma once
// The main window as the launcher shows it (language applied, controls set
// up, shown on the offscreen platform), with its outside steps recorded, and
// the pointer driven through the window like a real one.

#include <gtest/gtest.h>

#include <QPoint>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "ui/tform1.h"

namespace kestrow::ui::test {

// What the window asked of the world outside it, in order: "kill", "clean",
// "link <address>", "exe <path>", "changelog".
class Outside {
  public:
    WindowActions Actions();
    std::vector<std::string> events;
    bool exe_starts = true;
};

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest();
    ~MainWindowTest() override;

    core::LauncherState& State() { return form->State(); }
    std::string Game(const std::string& relative = {}) const { return game + relative; }

    // At the centre of a control (offset from there), through the window.
    void Press(QWidget* control, Qt::MouseButton button = Qt::LeftButton, QPoint offset = {});
    void Release(QWidget* control, Qt::MouseButton button = Qt::LeftButton, QPoint offset = {});
    void Click(QWidget* control, Qt::MouseButton button = Qt::LeftButton);
    // Moves the pointer onto a control, or off every control (onto an empty
    // spot of the background).
    void Hover(QWidget* control);
    void HoverNothing();

    // The status line's whole text, and the text of an id in the current language.
    QString Status() const;
    QString StatusOf(int id) const;

    // Serves the window's events until done() holds; false after timeout_ms.
    static bool PumpUntil(const std::function<bool()>& done, int timeout_ms = 20000);
    // Runs call on a thread of its own (as the update run would) while the
    // window keeps serving its calls.
    static void FromOtherThread(const std::function<void()>& call);
    // The update run that the window started has ended (false: none or timeout).
    bool RunEnds(int timeout_ms = 30000);

    kestrow::test::TempDir dir;
    std::string game = dir.File("game/");
    Outside outside;
    std::unique_ptr<TForm1> form;
};

// The opacity an image is heading for: the fade's end when one runs.
double Target(SkinImage* image);

}  // namespace kestrow::ui::test
