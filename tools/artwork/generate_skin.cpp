// Draws the launcher's skin and writes every picture as <name>.png into the
// directory given on the command line.
//   kestrow_artwork_generator OUTPUT_DIR
#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "skin_painter.h"

namespace {

using kestrow::artwork::Command;
using kestrow::artwork::CommandFace;
using kestrow::artwork::Language;
using kestrow::artwork::Link;
using kestrow::artwork::StartFace;
using kestrow::artwork::Tool;

// The family a font file is to be drawn with; empty when the file is missing
// or does not carry it (a condensed face's file also names the plain family).
QString LoadFont(const char* path, const char* family) {
    const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(path));
    if (id < 0)
        return {};
    const QString wanted = QString::fromLatin1(family);
    return QFontDatabase::applicationFontFamilies(id).contains(wanted) ? wanted : QString();
}

struct Picture {
    std::string name;
    std::function<QImage()> draw;
};

std::vector<Picture> Pictures() {
    namespace a = kestrow::artwork;
    const Language ru = Language::Russian, en = Language::English;
    std::vector<Picture> list = {
        {"MainRu", [=] { return a::MainBackground(ru); }},
        {"MainEng", [=] { return a::MainBackground(en); }},
        {"StartGameOnRu", [=] { return a::StartButton(StartFace::Hover, ru, false); }},
        {"StartGameOnEng", [=] { return a::StartButton(StartFace::Hover, en, false); }},
        {"StartGamePressRu", [=] { return a::StartButton(StartFace::Resting, ru, false); }},
        {"StartGamePressEng", [=] { return a::StartButton(StartFace::Resting, en, false); }},
        {"StartGameBlockRu", [=] { return a::StartButton(StartFace::Blocked, ru, false); }},
        {"StartGameBlockEng", [=] { return a::StartButton(StartFace::Blocked, en, false); }},
        {"StartGameOnEngHF", [=] { return a::StartButton(StartFace::Hover, en, true); }},
        {"StartGamePressEngHF", [=] { return a::StartButton(StartFace::Resting, en, true); }},
        {"StartGameBlockEngHF", [=] { return a::StartButton(StartFace::Blocked, en, true); }},
        {"SiteOnRu", [=] { return a::LinkButton(Link::Site, false, ru); }},
        {"SiteOnEng", [=] { return a::LinkButton(Link::Site, false, en); }},
        {"SitePressRu", [=] { return a::LinkButton(Link::Site, true, ru); }},
        {"SitePressEng", [=] { return a::LinkButton(Link::Site, true, en); }},
        {"ForumOnRu", [=] { return a::LinkButton(Link::Forum, false, ru); }},
        {"ForumOnEng", [=] { return a::LinkButton(Link::Forum, false, en); }},
        {"ForumPressRu", [=] { return a::LinkButton(Link::Forum, true, ru); }},
        {"ForumPressEng", [=] { return a::LinkButton(Link::Forum, true, en); }},
        {"RegOnRu", [=] { return a::LinkButton(Link::Registration, false, ru); }},
        {"RegOnEN", [=] { return a::LinkButton(Link::Registration, false, en); }},
        {"RegPressRu", [=] { return a::LinkButton(Link::Registration, true, ru); }},
        {"RegPressEN", [=] { return a::LinkButton(Link::Registration, true, en); }},
        {"ExitOn", [] { return a::ToolButton(Tool::Exit, false); }},
        {"ExitPress", [] { return a::ToolButton(Tool::Exit, true); }},
        {"MinOn", [] { return a::ToolButton(Tool::Minimise, false); }},
        {"MinPress", [] { return a::ToolButton(Tool::Minimise, true); }},
        {"SettingsOn", [] { return a::ToolButton(Tool::Settings, false); }},
        {"SettingsPress", [] { return a::ToolButton(Tool::Settings, true); }},
        {"AutoLoginOn", [] { return a::ToolButton(Tool::AutoLogin, false); }},
        {"AutoLoginPress", [] { return a::ToolButton(Tool::AutoLogin, true); }},
        {"AboutOn", [] { return a::ToolButton(Tool::About, false); }},
        {"AboutPress", [] { return a::ToolButton(Tool::About, true); }},
        {"FlagRu", [=] { return a::Flag(ru); }},
        {"FlagEng", [=] { return a::Flag(en); }},
        {"ProgressTile", [] { return a::ProgressTile(); }},
        {"changelog_background", [] { return a::ChangeLogBackground(); }},
        {"ComboArrow", [] { return a::ComboArrow(); }},
        {"AppIcon", [] { return a::AppIcon(); }},
    };
    // The command buttons: <Command><Face><Language>[_Client].
    struct CommandName {
        Command command;
        const char* prefix;
        const char* suffix;
    };
    const CommandName commands[] = {{Command::UpdatePatch, "Update", ""},
                                    {Command::UpdateClient, "Update", "_Client"},
                                    {Command::Cancel, "Cancel", ""}};
    const std::pair<CommandFace, const char*> faces[] = {{CommandFace::Hover, "On"},
                                                         {CommandFace::Pressed, "Press"},
                                                         {CommandFace::Blocked, "Block"}};
    for (const CommandName& c : commands) {
        for (const auto& [face, face_name] : faces) {
            for (const auto& [language, language_name] :
                 {std::pair{ru, "Ru"}, std::pair{en, "Eng"}}) {
                const Command command = c.command;
                const CommandFace f = face;
                const Language l = language;
                list.push_back({std::string(c.prefix) + face_name + language_name + c.suffix,
                                [=] { return a::CommandButton(command, f, l); }});
            }
        }
    }
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    kestrow::artwork::SkinFonts fonts{
        LoadFont("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "DejaVu Sans"),
        LoadFont("/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf", "DejaVu Serif"),
        LoadFont("/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf",
                 "DejaVu Sans Condensed"),
    };
    LoadFont("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", "DejaVu Sans");
    LoadFont("/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf", "DejaVu Serif");
    if (fonts.sans.isEmpty() || fonts.serif.isEmpty() || fonts.condensed.isEmpty()) {
        std::fprintf(stderr, "the DejaVu fonts (fonts-dejavu-core) are needed\n");
        return 1;
    }
    kestrow::artwork::SetFonts(fonts);

    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    int written = 0;
    for (const auto& picture : Pictures()) {
        const QString path = out.filePath(QString::fromStdString(picture.name) + ".png");
        if (!picture.draw().save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        ++written;
    }
    std::printf("%d pictures in %s\n", written, argv[1]);
    return 0;
}
