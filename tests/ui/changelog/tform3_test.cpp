#include "ui/changelog/tform3.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "core/launcher_state.h"
#include "support/fault_server.h"
#include "ui/qt_environment.h"
#include "ui/skin_colours.h"

namespace kestrow::ui {
namespace {

using test::FaultReply;
using test::FaultServer;
using test::LightGreyShare;

[[maybe_unused]] auto* const kQt = ::testing::AddGlobalTestEnvironment(
    new kestrow::test::QtEnvironment("ui_changelog", /*keep_running=*/false));

class ChangeLogWindow : public ::testing::Test {
  protected:
    void Serve(FaultReply reply) {
        server.On("/changes.txt", std::move(reply));
        state->g_ChangeLogs = server.Url("/changes.txt?1765400000");
    }
    template <typename T>
    T* Control(const char* name) {
        T* control = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QString MemoText() { return Control<QPlainTextEdit>("Memo1")->toPlainText(); }

    core::ScopedLauncherState state;
    FaultServer server;
    TForm3 form;
};

TEST_F(ChangeLogWindow, HasItsControlsWhereTheSkinExpectsThem) {
    EXPECT_EQ(form.windowTitle(), "ChangeLogs");
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(form.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_EQ(form.size(), QSize(400, 400));

    EXPECT_EQ(Control<QLabel>("Image1")->geometry(), QRect(0, 0, 400, 400));
    EXPECT_FALSE(Control<QLabel>("Image1")->pixmap().isNull());
    auto* memo = Control<QPlainTextEdit>("Memo1");
    EXPECT_EQ(memo->geometry(), QRect(16, 40, 368, 315));
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->focusPolicy(), Qt::NoFocus);
    auto* ok = Control<QPushButton>("Button1");
    EXPECT_EQ(ok->geometry(), QRect(160, 368, 60, 22));
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_EQ(ok->focusPolicy(), Qt::NoFocus);

    Serve(FaultReply::Ok("x"));
    form.show();
    EXPECT_EQ(ok->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(Control<QLabel>("Image1")->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST_F(ChangeLogWindow, OkButtonAndScrollBarWearTheSkinAndCornersAreCut) {
    std::string lines;
    for (int i = 0; i < 200; ++i)
        lines += "line " + std::to_string(i) + "\n";
    Serve(FaultReply::Ok(lines));
    form.show();
    QScrollBar* bar = Control<QPlainTextEdit>("Memo1")->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_LT(LightGreyShare(bar->grab().toImage()), 0.02);
    EXPECT_LT(LightGreyShare(Control<QPushButton>("Button1")->grab().toImage()), 0.02);

    for (QPoint corner : {QPoint(0, 0), QPoint(399, 0), QPoint(0, 399), QPoint(399, 399)})
        EXPECT_FALSE(form.mask().contains(corner)) << corner.x() << "," << corner.y();
    EXPECT_TRUE(form.mask().contains(QPoint(200, 200)));
}

TEST_F(ChangeLogWindow, EveryShowingFetchesAfreshAndOkCloses) {
    Serve(FaultReply::Ok("\xCF\xF0\xE8\xE2\xE5\xF2 \xA8"));  // Windows-1251, no charset
    form.show();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(MemoText(), QString::fromUtf16(u"Привет \u00A8"));
    Control<QPushButton>("Button1")->click();
    EXPECT_FALSE(form.isVisible());

    FaultReply utf8 = FaultReply::Ok("\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD0\xB5");
    utf8.headers.emplace_back("Content-Type", "text/plain; charset=utf-8");
    Serve(utf8);
    form.show();
    EXPECT_EQ(MemoText(), QString::fromUtf16(u"Новое"));
    EXPECT_EQ(server.Requests(), 2);

    // Shown while visible: no new request.
    form.show();
    EXPECT_EQ(server.Requests(), 2);
    Control<QPushButton>("Button1")->click();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(ChangeLogWindow, FailuresAndRedirectsReplaceTheText) {
    Serve(FaultReply::Ok("old text"));
    form.show();
    form.hide();

    Serve(FaultReply::Status(404));
    form.show();
    EXPECT_EQ(MemoText(), "HTTP/1.1 404 Not Found");
    form.hide();

    Serve(FaultReply::Redirect(302, server.Url("/elsewhere")));
    form.show();
    EXPECT_EQ(MemoText(), "");
    EXPECT_EQ(server.Requests(), 3);
    form.hide();

    state->g_ChangeLogs.clear();
    form.show();
    EXPECT_FALSE(MemoText().isEmpty());
    EXPECT_EQ(server.Requests(), 3);
}

TEST_F(ChangeLogWindow, OkEndsTheModalLoop) {
    state->g_ChangeLogs.clear();
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [this] {
        if (form.isVisible())
            Control<QPushButton>("Button1")->click();
    });
    press.start(0);
    EXPECT_EQ(form.exec(), QDialog::Rejected);
    EXPECT_FALSE(form.isVisible());
}

// The request cannot end before the server stops, and only the timer stops
// it: so the timer ran while the request was under way, before the window
// appeared.
TEST_F(ChangeLogWindow, ServesEventsWhileTheRequestRuns) {
    std::optional<FaultServer> stalling(std::in_place);
    FaultReply stalled = FaultReply::Ok("never complete");
    stalled.stall_after = 0;
    stalling->On("/changes.txt", stalled);
    state->g_ChangeLogs = stalling->Url("/changes.txt");

    bool visible_meanwhile = true;
    QTimer::singleShot(0, [&] {
        visible_meanwhile = form.isVisible();
        stalling.reset();
    });
    form.show();
    EXPECT_FALSE(stalling.has_value());
    EXPECT_FALSE(visible_meanwhile);
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(MemoText().isEmpty());
}

TEST(ChangeLogPlacement, FirstShowingCentredOnTheParentLaterOnesWherePut) {
    core::ScopedLauncherState state;
    QWidget main;
    main.setGeometry(100, 120, 655, 420);
    main.show();
    TForm3 form(&main);
    form.move(main.x() + 150, main.y());
    form.show();
    EXPECT_EQ(form.frameGeometry().center(), main.frameGeometry().center());
    form.hide();
    form.move(main.x() + 150, main.y());
    form.show();
    EXPECT_EQ(form.pos(), QPoint(main.x() + 150, main.y()));
}

}  // namespace
}  // namespace kestrow::ui
