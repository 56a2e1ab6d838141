// The main window's controls: where each lies, what it shows at start, and how
// the pointer reaches its action.
#include "ui/tform1.h"

#include <QBitmap>
#include <QCloseEvent>
#include <QColor>
#include <QGraphicsDropShadowEffect>
#include <QRect>
#include <QShowEvent>

#include "core/status_texts.h"
#include "shell/links.h"
#include "ui/skin_resources.h"
#include "ui/skin_style.h"

namespace kestrow::ui {
namespace {

// The status line's size lets the longest text of the status table fit its
// 309 pixels whole (DejaVu Sans); only the run's own longer texts are cut.
const char kWindowStyle[] = R"(
QLabel#STATUS { color: #f1f4f9; font-size: 11px; }
QLabel#TextFile, QLabel#TotalFile {
  color: #ffffff; font-size: 11px; font-weight: 600; padding-top: 2px;
}
QComboBox#cbSelectPatch {
  color: #dfe6f0; background: #1a212c; border: 1px solid #3a4658; border-radius: 4px;
  padding: 1px 0 1px 5px; font-size: 11px;
}
QComboBox#cbSelectPatch:hover { border-color: #d9a441; }
QComboBox#cbSelectPatch::drop-down {
  subcontrol-origin: padding; subcontrol-position: center right; border: none; width: 16px;
}
QComboBox#cbSelectPatch::down-arrow { image: url(:/skin/ComboArrow.png); width: 10px; height: 6px; }
QComboBox#cbSelectPatch::down-arrow:on { top: 1px; }
QComboBox#cbSelectPatch QAbstractItemView {
  color: #dfe6f0; background: #1a212c; selection-background-color: #9b6f1f;
  border: 1px solid #3a4658;
}
QPushButton#btnStartBetaPatch {
  color: #f4f6fa; background: #2b3544; border: 1px solid #4a5870; border-radius: 4px;
}
)";

}  // namespace

TForm1::TForm1(WindowActions actions, QWidget* parent)
    : QWidget(parent), actions_(std::move(actions)), port_(*this), port_scope_(port_) {
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QString::fromUtf8(kWindowCaption));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    // The window takes the shape of its background picture.
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(kWindowWidth, kWindowHeight);
    setStyleSheet(QString::fromLatin1(kWindowStyle) + QString::fromLatin1(kSkinScrollBarStyle));
    setWindowIcon(AppIcon());
    // Without a compositor the transparent corners would show black: the
    // window takes the background's shape (both languages share it).
    setMask(QBitmap::fromImage(SkinPicture(QStringLiteral("MainRu")).toImage().createAlphaMask()));
    shell::SetLinkOpener(actions_.open_link);
    CreateControls();
    WireControls();
}

TForm1::~TForm1() {
    EndThreads();
    shell::SetLinkOpener({});
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    closed_ = false;
    if (!event->spontaneous())
        ResetButtonOverlays();
}

void TForm1::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!event->isAccepted())
        return;
    closed_ = true;
    // The process ends with the window: the files in progress are cut, not
    // finished as the cancel button lets them.
    if (th && !th->Finished())
        th->Run().Abort();
    emit Closed();
}

void TForm1::CreateControls() {
    MAIN_FORM = new SkinImage(this, "MAIN_FORM");
    MAIN_FORM->setGeometry(0, 0, kWindowWidth, kWindowHeight);

    auto image = [this](const char* name, int x, int y, int w, int h) {
        auto* control = new SkinImage(MAIN_FORM, name);
        control->setGeometry(x, y, w, h);
        return control;
    };
    // A hit control and the overlays above it; the block picture lies one
    // pixel to the left.
    struct Group {
        SkinImage *&hit, *&hover, *&press;
        SkinImage** block;
        const char *hit_name, *hover_name, *press_name, *block_name;
        int x, y, w, h;
    };
    const Group groups[] = {
        {SITE_BUTTON, SITE_ON, SITE_PRESS, nullptr, "SITE_BUTTON", "SITE_ON", "SITE_PRESS", nullptr,
         266, 136, 114, 28},
        {FORUM_BUTTON, FORUM_ON, FORUM_PRESS, nullptr, "FORUM_BUTTON", "FORUM_ON", "FORUM_PRESS",
         nullptr, 260, 168, 126, 28},
        {REG_BUTTON, REG_ON, REG_PRESS, nullptr, "REG_BUTTON", "REG_ON", "REG_PRESS", nullptr, 236,
         218, 175, 34},
        {SETTINGS_BUTTON, SETTINGS_ON, SETTINGS_PRESS, nullptr, "SETTINGS_BUTTON", "SETTINGS_ON",
         "SETTINGS_PRESS", nullptr, 484, 62, 31, 32},
        {AUTOLOGIN_BUTTON, AUTOLOGIN_ON, AUTOLOGIN_PRESS, nullptr, "AUTOLOGIN_BUTTON",
         "AUTOLOGIN_ON", "AUTOLOGIN_PRESS", nullptr, 499, 11, 33, 33},
        {ABOUT_BUTTON, ABOUT_ON, ABOUT_PRESS, nullptr, "ABOUT_BUTTON", "ABOUT_ON", "ABOUT_PRESS",
         nullptr, 540, 11, 26, 33},
        {MIN_BUTTON, MIN_ON, MIN_PRESS, nullptr, "MIN_BUTTON", "MIN_ON", "MIN_PRESS", nullptr, 570,
         30, 40, 15},
        {EXIT_BUTTON, EXIT_ON, EXIT_PRESS, nullptr, "EXIT_BUTTON", "EXIT_ON", "EXIT_PRESS", nullptr,
         610, 13, 31, 31},
        {UPDATE_BUTTON, UPDATE_ON, UPDATE_PRESS, &UPDATE_BLOCK, "UPDATE_BUTTON", "UPDATE_ON",
         "UPDATE_PRESS", "UPDATE_BLOCK", 46, 339, 119, 25},
        {UPDATE_BUTTON_CLIENT, UPDATE_ON_CLIENT, UPDATE_PRESS_CLIENT, &UPDATE_BLOCK_CLIENT,
         "UPDATE_BUTTON_CLIENT", "UPDATE_ON_CLIENT", "UPDATE_PRESS_CLIENT", "UPDATE_BLOCK_CLIENT",
         46, 365, 119, 25},
        {CANCEL_BUTTON, CANCEL_ON, CANCEL_PRESS, &CANCEL_BLOCK, "CANCEL_BUTTON", "CANCEL_ON",
         "CANCEL_PRESS", "CANCEL_BLOCK", 46, 365, 119, 25},
    };

    SITE_BUTT = image("SITE_BUTT", 8, 16, 163, 156);
    for (const Group& g : groups) {
        g.hit = image(g.hit_name, g.x, g.y, g.w, g.h);
        g.hover = image(g.hover_name, g.x, g.y, g.w, g.h);
        g.press = image(g.press_name, g.x, g.y, g.w, g.h);
        if (g.block)
            *g.block = image(g.block_name, g.x - 1, g.y, g.w, g.h);
    }

    STATUS = new StatusLabel(MAIN_FORM, "STATUS");
    STATUS->setGeometry(172, 314, 309, 21);
    FileProgress = new ProgressView(MAIN_FORM, "FileProgress");
    FileProgress->setGeometry(172, 339, 341, 19);
    TotalProgress = new ProgressView(MAIN_FORM, "TotalProgress");
    TotalProgress->setGeometry(172, 366, 341, 19);
    TextFile = new StatusLabel(MAIN_FORM, "TextFile");
    TextFile->setGeometry(182, 337, 211, 21);
    TotalFile = new StatusLabel(MAIN_FORM, "TotalFile");
    TotalFile->setGeometry(182, 364, 211, 21);
    // The captions lie over the bars' fill as well as over their empty track.
    for (StatusLabel* caption : {TextFile, TotalFile}) {
        auto* shadow = new QGraphicsDropShadowEffect(caption);
        shadow->setBlurRadius(4);
        shadow->setOffset(0, 1);
        shadow->setColor(QColor(0, 0, 0, 230));
        caption->setGraphicsEffect(shadow);
    }

    // The start buttons lie over the right end of the bars.
    const Group start_groups[] = {
        {START_GAME, START_ON, START_PRESS, &START_BLOCK, "START_GAME", "START_ON", "START_PRESS",
         "START_BLOCK", 496, 289, 129, 127},
        {START_GAME_HF, START_ON_HF, START_PRESS_HF, &START_BLOCK_HF, "START_GAME_HF",
         "START_ON_HF", "START_PRESS_HF", "START_BLOCK_HF", 496, 189, 129, 127},
    };
    for (const Group& g : start_groups) {
        g.hit = image(g.hit_name, g.x, g.y, g.w, g.h);
        g.hover = image(g.hover_name, g.x, g.y, g.w, g.h);
        g.press = image(g.press_name, g.x, g.y, g.w, g.h);
        *g.block = image(g.block_name, g.x, g.y, g.w, g.h);
    }

    cbSelectPatch = new PatchSelector(MAIN_FORM, "cbSelectPatch");
    cbSelectPatch->setGeometry(484, 258, 113, 22);
    cbSelectPatch->addItems({QStringLiteral("Classic"), QStringLiteral("Interlude")});
    btnStartBetaPatch = new QPushButton(QString::fromUtf8("Запустить High Five"), MAIN_FORM);
    btnStartBetaPatch->setObjectName(QStringLiteral("btnStartBetaPatch"));
    btnStartBetaPatch->setGeometry(392, 72, 137, 22);
    btnStartBetaPatch->hide();

    RUS = image("RUS", 333, 26, 44, 41);
    ENG = image("ENG", 273, 27, 44, 41);

    // At rest: overlays transparent, block pictures, the hidden groups hidden.
    for (SkinImage* overlay : {START_ON,
                               START_PRESS,
                               START_ON_HF,
                               START_PRESS_HF,
                               UPDATE_ON,
                               UPDATE_PRESS,
                               UPDATE_ON_CLIENT,
                               UPDATE_PRESS_CLIENT,
                               CANCEL_ON,
                               CANCEL_PRESS,
                               EXIT_ON,
                               EXIT_PRESS,
                               MIN_ON,
                               MIN_PRESS,
                               SITE_ON,
                               SITE_PRESS,
                               FORUM_ON,
                               FORUM_PRESS,
                               REG_ON,
                               REG_PRESS,
                               SETTINGS_ON,
                               SETTINGS_PRESS,
                               AUTOLOGIN_ON,
                               AUTOLOGIN_PRESS,
                               ABOUT_ON,
                               ABOUT_PRESS,
                               RUS,
                               ENG}) {
        overlay->SetOpacity(0.0);
    }
    for (SkinImage* hidden :
         {START_BLOCK, UPDATE_BLOCK, UPDATE_BLOCK_CLIENT, START_GAME_HF, START_ON_HF,
          START_PRESS_HF, START_BLOCK_HF, CANCEL_BUTTON, CANCEL_ON, CANCEL_PRESS, CANCEL_BLOCK,
          SETTINGS_BUTTON, SETTINGS_ON, SETTINGS_PRESS}) {
        hidden->hide();
    }

    // The pictures that are the same in both languages.
    const std::pair<SkinImage*, const char*> fixed[] = {
        {EXIT_ON, "ExitOn"},
        {EXIT_PRESS, "ExitPress"},
        {MIN_ON, "MinOn"},
        {MIN_PRESS, "MinPress"},
        {SETTINGS_ON, "SettingsOn"},
        {SETTINGS_PRESS, "SettingsPress"},
        {AUTOLOGIN_ON, "AutoLoginOn"},
        {AUTOLOGIN_PRESS, "AutoLoginPress"},
        {ABOUT_ON, "AboutOn"},
        {ABOUT_PRESS, "AboutPress"},
        {RUS, "FlagRu"},
        {ENG, "FlagEng"},
    };
    for (const auto& [control, name] : fixed)
        LoadImageResource(control, QString::fromLatin1(name));
    FileProgress->SetTile(SkinPicture(QStringLiteral("ProgressTile")));
    TotalProgress->SetTile(SkinPicture(QStringLiteral("ProgressTile")));

    // The window as laid out, before a language is applied.
    LoadLanguageImages(core::kLanguageRussian);
    ApplyLanguageTexts(core::kLanguageRussian);
}

void TForm1::WireButton(SkinImage* hit, SkinImage* hover, SkinImage* press,
                        std::function<void()> on_release, std::function<void()> on_click) {
    connect(hit, &SkinImage::PointerEntered, this, [this, hover] { AnimateButton(hover, 1); });
    connect(hit, &SkinImage::PointerLeft, this, [this, hover, press] {
        AnimateButton(hover, 0);
        AnimateButton(press, 0);
    });
    connect(hit, &SkinImage::PointerPressed, this, [this, press](Qt::MouseButton button) {
        if (button == Qt::LeftButton)
            AnimateButton(press, 1);
    });
    connect(hit, &SkinImage::PointerReleased, this,
            [this, press, on_release = std::move(on_release), on_click = std::move(on_click)](
                Qt::MouseButton button, bool over_control) {
                if (button != Qt::LeftButton)
                    return;
                AnimateButton(press, 0);
                if (on_release)
                    on_release();
                if (over_control && on_click)
                    on_click();
            });
}

void TForm1::WireControls() {
    connect(MAIN_FORM, &SkinImage::PointerPressed, this, [this](Qt::MouseButton button) {
        if (button == Qt::LeftButton)
            StartWindowDrag();
    });
    WireButton(START_GAME, START_ON, START_PRESS, {}, [this] { START_GAMEClick(); });
    WireButton(START_GAME_HF, START_ON_HF, START_PRESS_HF, {}, [this] { START_GAME_HFClick(); });
    WireButton(UPDATE_BUTTON, UPDATE_ON, UPDATE_PRESS, [this] { RequestPatchUpdate(); }, {});
    WireButton(UPDATE_BUTTON_CLIENT, UPDATE_ON_CLIENT, UPDATE_PRESS_CLIENT,
               [this] { RequestClientUpdate(); }, {});
    WireButton(CANCEL_BUTTON, CANCEL_ON, CANCEL_PRESS, {}, [this] { CANCEL_BUTTONClick(); });
    WireButton(EXIT_BUTTON, EXIT_ON, EXIT_PRESS, [this] { close(); }, {});
    WireButton(MIN_BUTTON, MIN_ON, MIN_PRESS, [this] { MinimizeWindow(); }, {});
    WireButton(SITE_BUTTON, SITE_ON, SITE_PRESS, [this] { shell::OpenButtonLink(State().g_URL); },
               {});
    WireButton(FORUM_BUTTON, FORUM_ON, FORUM_PRESS,
               [this] { shell::OpenButtonLink(State().g_F_URL); }, {});
    WireButton(REG_BUTTON, REG_ON, REG_PRESS, [this] { shell::OpenButtonLink(State().g_REG_URL); },
               {});
    WireButton(SETTINGS_BUTTON, SETTINGS_ON, SETTINGS_PRESS, {}, {});
    WireButton(AUTOLOGIN_BUTTON, AUTOLOGIN_ON, AUTOLOGIN_PRESS, {}, [this] { ShowAutoLogin(); });
    WireButton(
        ABOUT_BUTTON, ABOUT_ON, ABOUT_PRESS, [this] { shell::OpenButtonLink(State().g_INFO_URL); },
        [this] { ShowChangeLog(); });
    WireButton(SITE_BUTT, nullptr, nullptr, {}, [this] { shell::OpenButtonLink(State().g_URL); });
    // A flag is its own hover picture; the flag of the language in use is disabled.
    WireButton(RUS, RUS, nullptr, {}, [this] { setLanguage(core::kLanguageRussian); });
    WireButton(ENG, ENG, nullptr, {}, [this] { setLanguage(core::kLanguageEnglish); });

    connect(cbSelectPatch, &QComboBox::activated, this, [this] { cbSelectPatchChange(); });
    connect(btnStartBetaPatch, &QPushButton::clicked, this, [this] { btnStartBetaPatchClick(); });
}

}  // namespace kestrow::ui
