// What the pointer does to the skinned buttons: which button acts, on the
// release or on the click, and the fades of the overlays.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEasingCurve>
#include <QTest>
#include <QTimer>

#include "main_window_fixture.h"

namespace kestrow::ui::test {
namespace {

using Events = std::vector<std::string>;

class Pointer : public MainWindowTest {
  protected:
    Pointer() {
        // The launcher version is still being checked: an update request
        // ends the clients and cleans, but starts no run.
        State().canUpdate = false;
        State().g_URL = "site.example";
        State().g_F_URL = "https://forum.example/board";
        State().g_REG_URL = "steam:register";
        State().g_INFO_URL = " info.example/about ";
    }
};

struct Button {
    const char* name;
    SkinImage *TForm1::*hit, *TForm1::*hover, *TForm1::*press;
    Events on_release;  // whether released over the button or beside it
    Events on_click;    // added when released over the button
};

const Button kButtons[] = {
    {"UPDATE_BUTTON",
     &TForm1::UPDATE_BUTTON,
     &TForm1::UPDATE_ON,
     &TForm1::UPDATE_PRESS,
     {"kill", "clean"},
     {}},
    {"UPDATE_BUTTON_CLIENT",
     &TForm1::UPDATE_BUTTON_CLIENT,
     &TForm1::UPDATE_ON_CLIENT,
     &TForm1::UPDATE_PRESS_CLIENT,
     {"kill", "clean"},
     {}},
    {"SITE_BUTTON",
     &TForm1::SITE_BUTTON,
     &TForm1::SITE_ON,
     &TForm1::SITE_PRESS,
     {"link https://site.example"},
     {}},
    {"FORUM_BUTTON",
     &TForm1::FORUM_BUTTON,
     &TForm1::FORUM_ON,
     &TForm1::FORUM_PRESS,
     {"link https://forum.example/board"},
     {}},
    {"REG_BUTTON",
     &TForm1::REG_BUTTON,
     &TForm1::REG_ON,
     &TForm1::REG_PRESS,
     {"link steam:register"},
     {}},
    {"ABOUT_BUTTON",
     &TForm1::ABOUT_BUTTON,
     &TForm1::ABOUT_ON,
     &TForm1::ABOUT_PRESS,
     {"link https://info.example/about"},
     {"changelog"}},
    {"SITE_BUTT", &TForm1::SITE_BUTT, nullptr, nullptr, {}, {"link https://site.example"}},
    {"START_GAME", &TForm1::START_GAME, &TForm1::START_ON, &TForm1::START_PRESS, {}, {}},
    {"AUTOLOGIN_BUTTON",
     &TForm1::AUTOLOGIN_BUTTON,
     &TForm1::AUTOLOGIN_ON,
     &TForm1::AUTOLOGIN_PRESS,
     {},
     {}},
};

TEST_F(Pointer, EachButtonActsOnItsReleaseOrClickAndOnlyForTheLeftButton) {
    for (const Button& b : kButtons) {
        SCOPED_TRACE(b.name);
        SkinImage* hit = form.get()->*b.hit;
        SkinImage* press = b.press ? form.get()->*b.press : nullptr;
        // The modal change-log window, if it opens, is noted and closed.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                outside.events.push_back("changelog");
                modal->close();
            }
        });
        closer.start(0);

        outside.events.clear();
        Hover(hit);
        Click(hit, Qt::RightButton);
        Press(hit, Qt::MiddleButton);
        if (press) {
            EXPECT_EQ(Target(press), 0.0);
        }
        Release(hit, Qt::MiddleButton);
        EXPECT_EQ(outside.events, Events{});

        Press(hit);
        if (press) {
            EXPECT_EQ(Target(press), 1.0);
        }
        // Released beside the button, on the side where the window goes on.
        const bool right_half =
            hit->mapTo(form.get(), hit->rect().center()).x() > form->width() / 2;
        Release(hit, Qt::LeftButton, QPoint(right_half ? -hit->width() : hit->width(), 0));
        if (press) {
            EXPECT_EQ(Target(press), 0.0);
        }
        QTest::qWait(0);
        EXPECT_EQ(outside.events, b.on_release);

        outside.events.clear();
        Hover(hit);
        Click(hit);
        EXPECT_TRUE(PumpUntil([&] { return !QApplication::activeModalWidget(); }));
        QTest::qWait(0);
        Events expected = b.on_release;
        expected.insert(expected.end(), b.on_click.begin(), b.on_click.end());
        EXPECT_EQ(outside.events, expected);
        HoverNothing();
    }
    EXPECT_FALSE(form->th) << "no run while the version is checked";
    EXPECT_TRUE(form->isVisible());
}

// Qt tells a disabled control that the pointer entered it; the control shows
// nothing and does nothing all the same.
TEST_F(Pointer, DisabledControlsNeitherLightUpNorAct) {
    // Lit when the run locks it: it goes dark.
    Hover(form->UPDATE_BUTTON);
    EXPECT_EQ(Target(form->UPDATE_ON), 1.0);
    form->LockUpdateControls();
    EXPECT_EQ(Target(form->UPDATE_ON), 0.0);
    HoverNothing();

    const struct {
        const char* name;
        SkinImage *TForm1::*hit, *TForm1::*hover;
    } disabled[] = {
        {"RUS (the language in use)", &TForm1::RUS, &TForm1::RUS},
        {"UPDATE_BUTTON (locked)", &TForm1::UPDATE_BUTTON, &TForm1::UPDATE_ON},
        {"UPDATE_BUTTON_CLIENT (locked)", &TForm1::UPDATE_BUTTON_CLIENT, &TForm1::UPDATE_ON_CLIENT},
    };
    for (const auto& c : disabled) {
        SCOPED_TRACE(c.name);
        SkinImage* hit = form.get()->*c.hit;
        ASSERT_FALSE(hit->isEnabled());
        Hover(hit);
        EXPECT_EQ(Target(form.get()->*c.hover), 0.0);
        Click(hit);
        EXPECT_EQ(Target(form.get()->*c.hover), 0.0);
        HoverNothing();
    }
    EXPECT_EQ(outside.events, Events{});
    EXPECT_EQ(State().language, 0);
    // The other flag is enabled and lights up.
    Hover(form->ENG);
    EXPECT_EQ(Target(form->ENG), 1.0);
}

TEST_F(Pointer, MinimiseAndExitActOnTheRelease) {
    Press(form->MIN_BUTTON);
    EXPECT_FALSE(form->isMinimized());
    Release(form->MIN_BUTTON, Qt::LeftButton, QPoint(40, 0));
    EXPECT_TRUE(form->isMinimized());
    form->showNormal();

    Click(form->EXIT_BUTTON, Qt::RightButton);
    EXPECT_TRUE(form->isVisible());
    Press(form->EXIT_BUTTON);
    EXPECT_TRUE(form->isVisible());
    Release(form->EXIT_BUTTON);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(Pointer, HoverFadesInAndOutLinearlyOverTheFadeTime) {
    SkinImage* hover = form->SITE_ON;
    Hover(form->SITE_BUTTON);
    QPropertyAnimation& fade = hover->Fade();
    ASSERT_EQ(fade.state(), QAbstractAnimation::Running);
    EXPECT_EQ(fade.duration(), 180);
    EXPECT_EQ(fade.easingCurve().type(), QEasingCurve::Linear);
    fade.pause();
    fade.setCurrentTime(45);
    EXPECT_DOUBLE_EQ(hover->Opacity(), 0.25);

    // Left half-way in: the fade out starts where the fade in stood.
    HoverNothing();
    EXPECT_DOUBLE_EQ(fade.startValue().toDouble(), 0.25);
    EXPECT_TRUE(PumpUntil([&] { return fade.state() == QAbstractAnimation::Stopped; }));
    EXPECT_EQ(hover->Opacity(), 0.0);

    Hover(form->SITE_BUTTON);
    EXPECT_TRUE(PumpUntil([&] { return fade.state() == QAbstractAnimation::Stopped; }));
    EXPECT_EQ(hover->Opacity(), 1.0);
}

TEST_F(Pointer, AFadeCloseToItsTargetIsADirectSet) {
    struct Case {
        double from, val, expected;
        bool direct;
    } cases[] = {
        {0.995, 1.0, 1.0, true}, {0.99, 1.0, 1.0, true},    {0.98, 1.0, 1.0, false},
        {0.01, 0.0, 0.0, true},  {0.5, 0.505, 0.505, true}, {0.0, -3.0, 0.0, true},
        {0.2, 7.0, 1.0, false},  {1.0, 0.0, 0.0, false},
    };
    SkinImage* image = form->FORUM_ON;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        SCOPED_TRACE(c.val);
        image->SetOpacity(c.from);
        form->AnimateButton(image, static_cast<float>(c.val));
        EXPECT_EQ(image->Fade().state() == QAbstractAnimation::Stopped, c.direct);
        EXPECT_TRUE(
            PumpUntil([&] { return image->Fade().state() == QAbstractAnimation::Stopped; }));
        EXPECT_NEAR(image->Opacity(), c.expected, 1e-6);
    }
    form->AnimateButton(nullptr, 1);  // an absent image: nothing
}

}  // namespace
}  // namespace kestrow::ui::test
