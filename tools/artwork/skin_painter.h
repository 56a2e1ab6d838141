#pragma once
// Drawing of the launcher's skin pictures. Every function returns one finished
// picture; the generator names and saves them.

#include <QImage>
#include <QString>

namespace kestrow::artwork {

enum class Language { Russian, English };

// Fonts the pictures use (registered by the generator).
struct SkinFonts {
    QString sans;       // DejaVu Sans
    QString serif;      // DejaVu Serif
    QString condensed;  // DejaVu Sans Condensed
};
void SetFonts(const SkinFonts& fonts);

// The 655 x 420 window background with every resting button face.
QImage MainBackground(Language language);

// Start button, 129 x 127: the resting face, its hover, the blocked face.
enum class StartFace { Resting, Hover, Blocked };
QImage StartButton(StartFace face, Language language, bool high_five);

// A 119 x 25 command button (update, full check, cancel) in one of its states.
enum class CommandFace { Hover, Pressed, Blocked };
enum class Command { UpdatePatch, UpdateClient, Cancel };
QImage CommandButton(Command command, CommandFace face, Language language);

// Link buttons (site 114 x 28, forum 126 x 28, registration 175 x 34).
enum class Link { Site, Forum, Registration };
QImage LinkButton(Link link, bool pressed, Language language);

// Window buttons: hover and press faces of exit, minimise, settings,
// auto-login and about, at their control sizes.
enum class Tool { Exit, Minimise, Settings, AutoLogin, About };
QImage ToolButton(Tool tool, bool pressed);

// The lit language flags, 44 x 41.
QImage Flag(Language language);

// One tile of the progress bars' fill, 24 x 19.
QImage ProgressTile();

// The change-log window's 400 x 400 background (heading and text panel).
QImage ChangeLogBackground();

// The patch list's drop-down arrow, 10 x 6.
QImage ComboArrow();

// The window icon, 128 x 128: the crest on a dark rounded tile.
QImage AppIcon();

}  // namespace kestrow::artwork
