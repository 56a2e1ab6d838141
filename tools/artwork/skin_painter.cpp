#include "skin_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace kestrow::artwork {
namespace {

SkinFonts g_fonts;

// The palette: near-black blue greys, a warm gold accent, a cool teal for the
// high-five client.
const QColor kInk(0x0b, 0x0e, 0x13);
const QColor kPanel(0x17, 0x1d, 0x27);
const QColor kPanelHigh(0x22, 0x2a, 0x37);
const QColor kEdge(0x34, 0x3f, 0x51);
const QColor kText(0xe9, 0xed, 0xf4);
const QColor kMuted(0x8d, 0x99, 0xab);
const QColor kGold(0xd9, 0xa4, 0x41);
const QColor kGoldLight(0xf6, 0xcf, 0x74);
const QColor kGoldDeep(0x8f, 0x60, 0x18);
const QColor kTeal(0x3e, 0xb8, 0xc4);
const QColor kTealDeep(0x17, 0x5f, 0x6b);

QImage Canvas(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void Prepare(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

QFont Font(const QString& family, int pixels, int weight = QFont::Normal, qreal spacing = 0) {
    QFont font(family);
    font.setPixelSize(pixels);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setHintingPreference(QFont::PreferNoHinting);
    if (spacing != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    return font;
}

// Text centred in a rectangle, with a one-pixel drop shadow.
void Caption(QPainter& p, const QRectF& rect, const QString& text, const QFont& font,
             const QColor& color, int shadow_alpha = 150) {
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, shadow_alpha));
    p.drawText(rect.translated(0, 1), Qt::AlignCenter, text);
    p.setPen(color);
    p.drawText(rect, Qt::AlignCenter, text);
}

QString Tr(Language language, const char* russian, const char* english) {
    return QString::fromUtf8(language == Language::Russian ? russian : english);
}

// A pill or rounded button body.
void ButtonBody(QPainter& p, const QRectF& r, qreal radius, const QColor& top, const QColor& bottom,
                const QColor& edge) {
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
    // A faint top highlight gives the face some depth.
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(r.left() + radius, r.top() + 1.5),
               QPointF(r.right() - radius, r.top() + 1.5));
}

// A soft glow ring around a rounded rectangle.
void Glow(QPainter& p, const QRectF& r, qreal radius, const QColor& color, int rings) {
    for (int i = rings; i >= 1; --i) {
        QColor c = color;
        c.setAlpha(static_cast<int>(color.alpha() * (rings - i + 1) / (rings * 3.0)));
        p.setPen(QPen(c, 1.0));
        p.setBrush(Qt::NoBrush);
        const qreal g = i;
        p.drawRoundedRect(r.adjusted(-g, -g, g, g), radius + g, radius + g);
    }
}

// The mountain ridges behind the centre of the window.
void Ridges(QPainter& p, const QRectF& area) {
    struct Ridge {
        qreal base, amplitude, phase;
        QColor color;
    };
    const Ridge ridges[] = {
        {0.46, 0.20, 0.3, QColor(0x1f, 0x28, 0x36)},
        {0.62, 0.16, 1.7, QColor(0x18, 0x20, 0x2b)},
        {0.78, 0.12, 2.9, QColor(0x12, 0x18, 0x21)},
    };
    for (const Ridge& ridge : ridges) {
        QPainterPath path;
        path.moveTo(area.left(), area.bottom());
        for (int i = 0; i <= 64; ++i) {
            const qreal t = i / 64.0;
            const qreal x = area.left() + t * area.width();
            const qreal wave = std::sin(t * 9.0 + ridge.phase) * 0.55 +
                               std::sin(t * 23.0 + ridge.phase * 2) * 0.25 +
                               std::abs(std::sin(t * 4.0 + ridge.phase)) * 0.6;
            path.lineTo(x, area.top() + area.height() * (ridge.base - ridge.amplitude * wave));
        }
        path.lineTo(area.right(), area.bottom());
        path.closeSubpath();
        p.fillPath(path, ridge.color);
    }
}

void DrawCrest(QPainter& p, const QRectF& box) {
    // A shield with a kestrel's wing folded over it.
    const QPointF c = box.center();
    const qreal w = box.width(), h = box.height();
    QPainterPath shield;
    shield.moveTo(c.x(), box.top());
    shield.cubicTo(c.x() + w * 0.30, box.top() + h * 0.08, c.x() + w * 0.46, box.top() + h * 0.06,
                   c.x() + w * 0.46, box.top() + h * 0.10);
    shield.lineTo(c.x() + w * 0.46, box.top() + h * 0.48);
    shield.cubicTo(c.x() + w * 0.46, box.top() + h * 0.78, c.x() + w * 0.18, box.top() + h * 0.92,
                   c.x(), box.bottom());
    shield.cubicTo(c.x() - w * 0.18, box.top() + h * 0.92, c.x() - w * 0.46, box.top() + h * 0.78,
                   c.x() - w * 0.46, box.top() + h * 0.48);
    shield.lineTo(c.x() - w * 0.46, box.top() + h * 0.10);
    shield.cubicTo(c.x() - w * 0.46, box.top() + h * 0.06, c.x() - w * 0.30, box.top() + h * 0.08,
                   c.x(), box.top());

    QRadialGradient halo(c, w * 0.9);
    halo.setColorAt(0, QColor(217, 164, 65, 70));
    halo.setColorAt(1, QColor(217, 164, 65, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(c, w * 0.9, w * 0.9);

    QLinearGradient body(box.topLeft(), box.bottomLeft());
    body.setColorAt(0, QColor(0x2a, 0x33, 0x42));
    body.setColorAt(1, QColor(0x11, 0x15, 0x1c));
    p.setBrush(body);
    p.setPen(QPen(kGold, 2.2));
    p.drawPath(shield);
    p.setPen(QPen(QColor(246, 207, 116, 90), 1));
    p.setBrush(Qt::NoBrush);
    QTransform inner;
    inner.translate(c.x(), c.y());
    inner.scale(0.84, 0.84);
    inner.translate(-c.x(), -c.y());
    p.drawPath(inner.map(shield));

    // The wing: three feathers sweeping from the upper left.
    for (int i = 0; i < 3; ++i) {
        QPainterPath feather;
        const qreal dy = i * h * 0.12;
        feather.moveTo(c.x() - w * 0.30, box.top() + h * 0.30 + dy);
        feather.cubicTo(c.x() - w * 0.05, box.top() + h * 0.18 + dy, c.x() + w * 0.18,
                        box.top() + h * 0.26 + dy, c.x() + w * 0.30, box.top() + h * 0.46 + dy);
        feather.cubicTo(c.x() + w * 0.10, box.top() + h * 0.36 + dy, c.x() - w * 0.08,
                        box.top() + h * 0.34 + dy, c.x() - w * 0.30, box.top() + h * 0.30 + dy);
        QLinearGradient gold(box.topLeft(), box.bottomRight());
        gold.setColorAt(0, kGoldLight);
        gold.setColorAt(1, kGold.darker(120 + i * 15));
        p.setPen(Qt::NoPen);
        p.setBrush(gold);
        p.drawPath(feather);
    }
}

void DrawIcon(QPainter& p, Tool tool, const QRectF& r, const QColor& color) {
    const QPointF c = r.center();
    p.setBrush(Qt::NoBrush);
    QPen pen(color, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    switch (tool) {
        case Tool::Exit: {
            const qreal s = 6.0;
            p.drawLine(c + QPointF(-s, -s), c + QPointF(s, s));
            p.drawLine(c + QPointF(-s, s), c + QPointF(s, -s));
            break;
        }
        case Tool::Minimise:
            p.drawLine(c + QPointF(-7, 3), c + QPointF(7, 3));
            break;
        case Tool::Settings: {
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            QPainterPath gear;
            for (int i = 0; i < 8; ++i) {
                const qreal a = i * M_PI / 4;
                QTransform t;
                t.translate(c.x(), c.y());
                t.rotateRadians(a);
                QPainterPath tooth;
                tooth.addRoundedRect(QRectF(-2.2, -10, 4.4, 5), 1, 1);
                gear = gear.united(t.map(tooth));
            }
            QPainterPath ring;
            ring.addEllipse(c, 7.2, 7.2);
            gear = gear.united(ring);
            QPainterPath hole;
            hole.addEllipse(c, 3.0, 3.0);
            p.drawPath(gear.subtracted(hole));
            break;
        }
        case Tool::AutoLogin: {
            p.drawEllipse(c + QPointF(0, -4.5), 4.5, 4.5);
            QPainterPath shoulders;
            shoulders.moveTo(c + QPointF(-8.5, 9));
            shoulders.cubicTo(c + QPointF(-8.5, 1.5), c + QPointF(8.5, 1.5), c + QPointF(8.5, 9));
            p.drawPath(shoulders);
            break;
        }
        case Tool::About: {
            p.drawEllipse(c, 8.5, 8.5);
            p.setPen(QPen(color, 2.2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(c + QPointF(0, -1), c + QPointF(0, 4.5));
            p.drawPoint(c + QPointF(0, -4.5));
            break;
        }
    }
}

QRectF ToolRect(Tool tool) {
    switch (tool) {
        case Tool::Exit:
            return {610, 13, 31, 31};
        case Tool::Minimise:
            return {570, 30, 40, 15};
        case Tool::Settings:
            return {484, 62, 31, 32};
        case Tool::AutoLogin:
            return {499, 11, 33, 33};
        case Tool::About:
            return {540, 11, 26, 33};
    }
    return {};
}

// The minimise control is a flat strip; its icon sits in a square around it.
QRectF IconArea(Tool tool, const QRectF& r) {
    if (tool == Tool::Minimise)
        return QRectF(r.center().x() - 10, r.bottom() - 18, 20, 18);
    return r;
}

void DrawFlag(QPainter& p, Language language, const QRectF& r, qreal alpha) {
    p.save();
    p.setOpacity(alpha);
    QPainterPath shape;
    shape.addRoundedRect(r, 3, 3);
    p.setClipPath(shape);
    if (language == Language::Russian) {
        const qreal band = r.height() / 3;
        p.fillRect(QRectF(r.left(), r.top(), r.width(), band), QColor(0xf4, 0xf4, 0xf4));
        p.fillRect(QRectF(r.left(), r.top() + band, r.width(), band), QColor(0x1c, 0x57, 0xb5));
        p.fillRect(QRectF(r.left(), r.top() + 2 * band, r.width(), band + 0.5),
                   QColor(0xd5, 0x2b, 0x1e));
    } else {
        // A simplified Union Flag.
        p.fillRect(r, QColor(0x1b, 0x2f, 0x6e));
        QPen white(QColor(0xf4, 0xf4, 0xf4), r.height() * 0.22);
        p.setPen(white);
        p.drawLine(r.topLeft(), r.bottomRight());
        p.drawLine(r.bottomLeft(), r.topRight());
        QPen red(QColor(0xc8, 0x10, 0x2e), r.height() * 0.09);
        p.setPen(red);
        p.drawLine(r.topLeft(), r.bottomRight());
        p.drawLine(r.bottomLeft(), r.topRight());
        const QPointF c = r.center();
        p.fillRect(QRectF(r.left(), c.y() - r.height() * 0.19, r.width(), r.height() * 0.38),
                   QColor(0xf4, 0xf4, 0xf4));
        p.fillRect(QRectF(c.x() - r.height() * 0.19, r.top(), r.height() * 0.38, r.height()),
                   QColor(0xf4, 0xf4, 0xf4));
        p.fillRect(QRectF(r.left(), c.y() - r.height() * 0.11, r.width(), r.height() * 0.22),
                   QColor(0xc8, 0x10, 0x2e));
        p.fillRect(QRectF(c.x() - r.height() * 0.11, r.top(), r.height() * 0.22, r.height()),
                   QColor(0xc8, 0x10, 0x2e));
    }
    // A sheen across the cloth.
    QLinearGradient sheen(r.topLeft(), r.bottomLeft());
    sheen.setColorAt(0, QColor(255, 255, 255, 50));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
    sheen.setColorAt(1, QColor(0, 0, 0, 50));
    p.fillRect(r, sheen);
    p.setClipping(false);
    p.setPen(QPen(QColor(0, 0, 0, 120), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, 3, 3);
    p.restore();
}

QRectF FlagCloth(const QRectF& control) {
    return QRectF(control.left() + 6, control.top() + 9, 32, 21);
}

QString CommandText(Command command, Language language) {
    switch (command) {
        case Command::UpdatePatch:
            return Tr(language, "Обновить", "Update");
        case Command::UpdateClient:
            return Tr(language, "Проверить всё", "Full check");
        case Command::Cancel:
            return Tr(language, "Отмена", "Cancel");
    }
    return {};
}

QString LinkText(Link link, Language language) {
    switch (link) {
        case Link::Site:
            return Tr(language, "Сайт", "Website");
        case Link::Forum:
            return Tr(language, "Форум", "Forum");
        case Link::Registration:
            return Tr(language, "Регистрация", "Registration");
    }
    return {};
}

QSizeF LinkSize(Link link) {
    switch (link) {
        case Link::Site:
            return {114, 28};
        case Link::Forum:
            return {126, 28};
        case Link::Registration:
            return {175, 34};
    }
    return {};
}

// A link button face in a rectangle; hover and press change the fill.
enum class FaceState { Rest, Hover, Pressed };
void DrawLink(QPainter& p, Link link, const QRectF& r, FaceState state, Language language) {
    const qreal radius = r.height() / 2 - 1;
    const QRectF body = r.adjusted(1.5, 1.5, -1.5, -1.5);
    const bool primary = link == Link::Registration;
    if (primary) {
        const QColor top = state == FaceState::Pressed ? kGoldDeep
                           : state == FaceState::Hover ? kGoldLight
                                                       : kGold;
        const QColor bottom = state == FaceState::Pressed ? kGoldDeep.darker(130)
                              : state == FaceState::Hover ? kGold
                                                          : kGoldDeep;
        if (state == FaceState::Hover)
            Glow(p, body, radius, QColor(246, 207, 116, 200), 3);
        ButtonBody(p, body, radius, top, bottom, kGoldLight.darker(110));
        Caption(p, body, LinkText(link, language), Font(g_fonts.sans, 14, QFont::Bold, 0.6),
                QColor(0x1a, 0x12, 0x05), 0);
        return;
    }
    const QColor top = state == FaceState::Pressed ? kInk
                       : state == FaceState::Hover ? QColor(0x2c, 0x36, 0x46)
                                                   : kPanelHigh;
    const QColor bottom = state == FaceState::Pressed ? kPanel : kPanel;
    const QColor edge = state == FaceState::Rest ? kEdge : kGold;
    if (state == FaceState::Hover)
        Glow(p, body, radius, QColor(217, 164, 65, 170), 2);
    ButtonBody(p, body, radius, top, bottom, edge);
    Caption(p, body, LinkText(link, language), Font(g_fonts.sans, 12, QFont::DemiBold, 0.4),
            state == FaceState::Rest ? kText : kGoldLight);
}

QRectF LinkRect(Link link) {
    switch (link) {
        case Link::Site:
            return {266, 136, 114, 28};
        case Link::Forum:
            return {260, 168, 126, 28};
        case Link::Registration:
            return {236, 218, 175, 34};
    }
    return {};
}

void DrawCommand(QPainter& p, Command command, const QRectF& r, FaceState state, bool blocked,
                 Language language) {
    const QRectF body = r.adjusted(1, 1, -1, -1);
    QColor top = kPanelHigh, bottom = kPanel, edge = kEdge, text = kText;
    if (blocked) {
        top = QColor(0x1a, 0x1e, 0x25);
        bottom = QColor(0x15, 0x18, 0x1e);
        edge = QColor(0x2a, 0x30, 0x3a);
        text = QColor(0x5c, 0x65, 0x72);
    } else if (state == FaceState::Hover) {
        top = QColor(0x33, 0x3e, 0x50);
        edge = kGold;
        text = kGoldLight;
    } else if (state == FaceState::Pressed) {
        top = kInk;
        bottom = kPanel;
        edge = kGoldDeep;
        text = kGold;
    }
    ButtonBody(p, body, 5, top, bottom, edge);

    // Glyph and caption side by side, centred together, so every button's
    // face sits in its middle; a caption too wide for the regular face takes
    // the condensed one rather than crowding the glyph or the edge.
    constexpr qreal kGlyph = 10, kGap = 6, kMargin = 8;
    const QString caption = CommandText(command, language);
    QFont font = Font(g_fonts.sans, 11, QFont::DemiBold);
    qreal text_width = QFontMetricsF(font).horizontalAdvance(caption);
    if (kGlyph + kGap + text_width > body.width() - 2 * kMargin) {
        font = Font(g_fonts.condensed, 11, QFont::DemiBold);
        text_width = QFontMetricsF(font).horizontalAdvance(caption);
    }
    const qreal left = body.center().x() - (kGlyph + kGap + text_width) / 2;
    // A small glyph: an arrow for the patch, a circling arrow for the full
    // check, a cross for cancel.
    const QPointF g(left + kGlyph / 2, body.center().y());
    p.setPen(QPen(blocked ? text : kGold, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    if (command == Command::Cancel) {
        p.drawLine(g + QPointF(-3.5, -3.5), g + QPointF(3.5, 3.5));
        p.drawLine(g + QPointF(-3.5, 3.5), g + QPointF(3.5, -3.5));
    } else if (command == Command::UpdatePatch) {
        p.drawLine(g + QPointF(0, -5), g + QPointF(0, 4));
        p.drawPolyline(QPolygonF{g + QPointF(-3.5, 1), g + QPointF(0, 4.5), g + QPointF(3.5, 1)});
    } else {
        p.drawArc(QRectF(g.x() - 5, g.y() - 5, 10, 10), 30 * 16, 300 * 16);
        p.drawPolyline(
            QPolygonF{g + QPointF(2.5, -6), g + QPointF(4.5, -2.5), g + QPointF(1, -1.5)});
    }
    const QRectF area(left + kGlyph + kGap, body.top(), text_width + 1, body.height());
    Caption(p, area, caption, font, text);
}

void DrawToolRest(QPainter& p, Tool tool) {
    DrawIcon(p, tool, IconArea(tool, ToolRect(tool)), kMuted);
}

}  // namespace

void SetFonts(const SkinFonts& fonts) {
    g_fonts = fonts;
}

QImage MainBackground(Language language) {
    QImage image = Canvas(655, 420);
    QPainter p(&image);
    Prepare(p);
    const QRectF frame(0.5, 0.5, 654, 419);
    QPainterPath shape;
    shape.addRoundedRect(frame, 16, 16);

    QLinearGradient sky(0, 0, 0, 420);
    sky.setColorAt(0, QColor(0x1a, 0x21, 0x2d));
    sky.setColorAt(0.55, QColor(0x10, 0x14, 0x1b));
    sky.setColorAt(1, QColor(0x0a, 0x0c, 0x10));
    p.fillPath(shape, sky);

    p.save();
    p.setClipPath(shape);
    // A low warm sun behind the ridges, and a few stars.
    QRadialGradient sun(QPointF(420, 170), 230);
    sun.setColorAt(0, QColor(217, 150, 60, 70));
    sun.setColorAt(0.5, QColor(217, 150, 60, 18));
    sun.setColorAt(1, QColor(217, 150, 60, 0));
    p.fillRect(QRectF(0, 0, 655, 420), sun);
    for (int i = 0; i < 70; ++i) {
        const qreal x = std::fmod(i * 97.31 + 13, 655.0);
        const qreal y = std::fmod(i * 53.77 + 7, 150.0) + 4;
        const int alpha = 40 + (i * 37) % 90;
        p.setPen(QPen(QColor(220, 230, 255, alpha), (i % 7 == 0) ? 1.6 : 1.0));
        p.drawPoint(QPointF(x, y));
    }
    Ridges(p, QRectF(0, 90, 655, 230));
    // Fade the ridges into the panel below.
    QLinearGradient fade(0, 230, 0, 320);
    fade.setColorAt(0, QColor(10, 12, 16, 0));
    fade.setColorAt(1, QColor(10, 12, 16, 255));
    p.fillRect(QRectF(0, 230, 655, 190), fade);
    // The top bar.
    QLinearGradient bar(0, 0, 0, 56);
    bar.setColorAt(0, QColor(0, 0, 0, 110));
    bar.setColorAt(1, QColor(0, 0, 0, 0));
    p.fillRect(QRectF(0, 0, 655, 56), bar);
    p.restore();

    // Frame: an outer dark edge and an inner light line.
    p.setPen(QPen(QColor(0, 0, 0, 200), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    p.drawRoundedRect(frame.adjusted(1.5, 1.5, -1.5, -1.5), 14.5, 14.5);

    // Logo: crest, name and a small caption.
    DrawCrest(p, QRectF(56, 24, 66, 80));
    Caption(p, QRectF(8, 108, 163, 26), QStringLiteral("BRENHOLT"),
            Font(g_fonts.serif, 21, QFont::Bold, 2.2), kText);
    p.setPen(QPen(QColor(217, 164, 65, 160), 1));
    p.drawLine(QPointF(36, 138.5), QPointF(143, 138.5));
    Caption(p, QRectF(8, 141, 163, 18), Tr(language, "ИГРОВОЙ ЛАУНЧЕР", "GAME LAUNCHER"),
            Font(g_fonts.sans, 9, QFont::DemiBold, 2.0), kGold);

    // Language flags, dimmed at rest; the language in use is underlined.
    const QRectF rus(333, 26, 44, 41), eng(273, 27, 44, 41);
    DrawFlag(p, Language::Russian, FlagCloth(rus), 0.55);
    DrawFlag(p, Language::English, FlagCloth(eng), 0.55);
    const QRectF current = FlagCloth(language == Language::Russian ? rus : eng);
    p.setPen(QPen(kGold, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(current.left() + 4, current.bottom() + 5),
               QPointF(current.right() - 4, current.bottom() + 5));

    // Window buttons at rest.
    for (Tool tool : {Tool::Exit, Tool::Minimise, Tool::Settings, Tool::AutoLogin, Tool::About})
        DrawToolRest(p, tool);

    // Welcome line and the three links.
    Caption(p, QRectF(200, 92, 250, 22), Tr(language, "Добро пожаловать", "Welcome, adventurer"),
            Font(g_fonts.serif, 17, QFont::Bold, 0.8), kText, 200);
    Caption(p, QRectF(200, 113, 250, 16),
            Tr(language, "Проверьте файлы и начните игру", "Check your files and start playing"),
            Font(g_fonts.sans, 10), kMuted, 160);
    for (Link link : {Link::Site, Link::Forum, Link::Registration})
        DrawLink(p, link, LinkRect(link), FaceState::Rest, language);

    // Patch variant caption above the list.
    p.setFont(Font(g_fonts.sans, 9, QFont::DemiBold, 1.0));
    p.setPen(kMuted);
    p.drawText(QRectF(486, 242, 140, 14), Qt::AlignLeft | Qt::AlignVCenter,
               Tr(language, "ВЕРСИЯ КЛИЕНТА", "CLIENT VERSION"));

    // The lower panel: update buttons, status line and the two bar troughs.
    const QRectF panel(30, 304, 494, 96);
    QLinearGradient panel_fill(panel.topLeft(), panel.bottomLeft());
    panel_fill.setColorAt(0, QColor(0x1a, 0x20, 0x2a, 235));
    panel_fill.setColorAt(1, QColor(0x12, 0x16, 0x1d, 235));
    p.setPen(QPen(QColor(0x2c, 0x35, 0x44), 1));
    p.setBrush(panel_fill);
    p.drawRoundedRect(panel, 10, 10);
    for (int y : {339, 366}) {
        const QRectF trough(171.5, y - 0.5, 342, 20);
        QLinearGradient inset(trough.topLeft(), trough.bottomLeft());
        inset.setColorAt(0, QColor(0x06, 0x08, 0x0b));
        inset.setColorAt(1, QColor(0x14, 0x19, 0x21));
        p.setPen(QPen(QColor(0x2e, 0x37, 0x46), 1));
        p.setBrush(inset);
        p.drawRoundedRect(trough, 10, 10);
    }
    DrawCommand(p, Command::UpdatePatch, QRectF(46, 339, 119, 25), FaceState::Rest, false,
                language);
    DrawCommand(p, Command::UpdateClient, QRectF(46, 365, 119, 25), FaceState::Rest, false,
                language);

    // Version corner text.
    p.setFont(Font(g_fonts.sans, 8));
    p.setPen(QColor(0x55, 0x60, 0x70));
    p.drawText(QRectF(30, 402, 300, 14), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Kestrow Launcher"));
    return image;
}

QImage StartButton(StartFace face, Language language, bool high_five) {
    QImage image = Canvas(129, 127);
    QPainter p(&image);
    Prepare(p);
    // Off-centre to the right, so the ring clears the end of the progress bars.
    const QPointF c(72, 63.5);
    const qreal radius = 48;
    const bool blocked = face == StartFace::Blocked;
    const QColor accent = blocked ? QColor(0x5a, 0x61, 0x6c) : high_five ? kTeal : kGold;
    const QColor accent_light = blocked     ? QColor(0x78, 0x80, 0x8c)
                                : high_five ? QColor(0x9c, 0xe9, 0xf0)
                                            : kGoldLight;
    const QColor accent_deep = blocked     ? QColor(0x2c, 0x30, 0x37)
                               : high_five ? kTealDeep
                                           : kGoldDeep;

    // Outer glow.
    QRadialGradient glow(c, radius + 14);
    QColor g = accent_light;
    g.setAlpha(face == StartFace::Hover ? 150 : blocked ? 0 : 70);
    glow.setColorAt(0.70, g);
    g.setAlpha(0);
    glow.setColorAt(1.0, g);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(c, radius + 14, radius + 14);

    // Metal ring.
    QLinearGradient ring(c.x(), c.y() - radius, c.x(), c.y() + radius);
    ring.setColorAt(0, accent_light);
    ring.setColorAt(0.5, accent);
    ring.setColorAt(1, accent_deep);
    p.setBrush(ring);
    p.drawEllipse(c, radius, radius);

    // Face.
    QRadialGradient body(QPointF(c.x(), c.y() - radius * 0.5), radius * 1.4);
    if (blocked) {
        body.setColorAt(0, QColor(0x3a, 0x3f, 0x47));
        body.setColorAt(1, QColor(0x1c, 0x1f, 0x24));
    } else if (face == StartFace::Hover) {
        body.setColorAt(0, accent_light);
        body.setColorAt(0.6, accent);
        body.setColorAt(1, accent_deep);
    } else {
        body.setColorAt(0, accent);
        body.setColorAt(0.7, accent_deep);
        body.setColorAt(1, accent_deep.darker(140));
    }
    p.setBrush(body);
    p.drawEllipse(c, radius - 5, radius - 5);
    // Glass highlight on the upper half.
    QPainterPath shine;
    shine.addEllipse(
        QRectF(c.x() - radius * 0.62, c.y() - radius * 0.80, radius * 1.24, radius * 0.78));
    QLinearGradient shine_fill(0, c.y() - radius * 0.8, 0, c.y());
    shine_fill.setColorAt(0, QColor(255, 255, 255, blocked ? 25 : 80));
    shine_fill.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillPath(shine, shine_fill);

    // Play triangle and caption.
    const QColor ink = blocked ? QColor(0x85, 0x8c, 0x97) : QColor(0x1a, 0x12, 0x05);
    QPainterPath play;
    play.moveTo(c.x() - 9, c.y() - 24);
    play.lineTo(c.x() + 13, c.y() - 11);
    play.lineTo(c.x() - 9, c.y() + 2);
    play.closeSubpath();
    p.fillPath(play, high_five && !blocked ? QColor(0x05, 0x20, 0x25) : ink);
    const QString text = high_five ? QStringLiteral("HIGH FIVE") : Tr(language, "ИГРАТЬ", "PLAY");
    Caption(p, QRectF(c.x() - radius, c.y() + 6, radius * 2, 22), text,
            Font(g_fonts.condensed, high_five ? 13 : 16, QFont::Bold, 1.2),
            high_five && !blocked ? QColor(0x05, 0x20, 0x25) : ink, 0);
    if (blocked) {
        Caption(p, QRectF(c.x() - radius, c.y() + 24, radius * 2, 14),
                Tr(language, "обновление…", "updating…"), Font(g_fonts.sans, 9),
                QColor(0x85, 0x8c, 0x97), 0);
    }
    return image;
}

QImage CommandButton(Command command, CommandFace face, Language language) {
    QImage image = Canvas(119, 25);
    QPainter p(&image);
    Prepare(p);
    const FaceState state = face == CommandFace::Hover ? FaceState::Hover : FaceState::Pressed;
    DrawCommand(p, command, QRectF(0, 0, 119, 25), state, face == CommandFace::Blocked, language);
    return image;
}

QImage LinkButton(Link link, bool pressed, Language language) {
    const QSizeF size = LinkSize(link);
    QImage image = Canvas(static_cast<int>(size.width()), static_cast<int>(size.height()));
    QPainter p(&image);
    Prepare(p);
    DrawLink(p, link, QRectF(QPointF(0, 0), size), pressed ? FaceState::Pressed : FaceState::Hover,
             language);
    return image;
}

QImage ToolButton(Tool tool, bool pressed) {
    const QRectF r = ToolRect(tool);
    QImage image = Canvas(static_cast<int>(r.width()), static_cast<int>(r.height()));
    QPainter p(&image);
    Prepare(p);
    const QRectF local(0, 0, r.width(), r.height());
    const QRectF icon = IconArea(tool, local);
    // A round highlight behind the icon; the exit button lights up red.
    const qreal d = std::min(icon.width(), icon.height()) - 2;
    const QRectF spot(icon.center().x() - d / 2, icon.center().y() - d / 2, d, d);
    QColor fill = tool == Tool::Exit ? QColor(0xc0, 0x39, 0x2b) : QColor(0x2e, 0x38, 0x48);
    if (pressed)
        fill = fill.darker(140);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    if (tool == Tool::Minimise)
        p.drawRoundedRect(local.adjusted(6, 0, -6, 0), 4, 4);
    else
        p.drawEllipse(spot);
    DrawIcon(p, tool, icon, pressed ? kGold : (tool == Tool::Exit ? kText : kGoldLight));
    return image;
}

QImage Flag(Language language) {
    QImage image = Canvas(44, 41);
    QPainter p(&image);
    Prepare(p);
    const QRectF cloth = FlagCloth(QRectF(0, 0, 44, 41));
    Glow(p, cloth, 3, QColor(246, 207, 116, 230), 4);
    DrawFlag(p, language, cloth, 1.0);
    return image;
}

QImage ProgressTile() {
    QImage image = Canvas(24, 19);
    QPainter p(&image);
    Prepare(p);
    QLinearGradient fill(0, 0, 0, 19);
    // Deep amber rather than light gold, so the white captions over the bars
    // stay readable.
    fill.setColorAt(0, QColor(0xe3, 0xac, 0x4c));
    fill.setColorAt(0.45, QColor(0xb8, 0x80, 0x2a));
    fill.setColorAt(1, QColor(0x76, 0x4c, 0x12));
    p.fillRect(QRectF(0, 0, 24, 19), fill);
    // Faint diagonal stripes repeating every 12 pixels, so the tile joins seamlessly.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 22));
    for (int x = -24; x < 48; x += 12) {
        QPolygonF stripe{QPointF(x, 19), QPointF(x + 6, 19), QPointF(x + 6 + 19, 0),
                         QPointF(x + 19, 0)};
        p.drawPolygon(stripe);
    }
    p.fillRect(QRectF(0, 0, 24, 1), QColor(255, 255, 255, 70));
    return image;
}

QImage ChangeLogBackground() {
    QImage image = Canvas(400, 400);
    QPainter p(&image);
    Prepare(p);
    const QRectF frame(0.5, 0.5, 399, 399);
    QLinearGradient sky(0, 0, 0, 400);
    sky.setColorAt(0, QColor(0x1a, 0x21, 0x2d));
    sky.setColorAt(1, QColor(0x0c, 0x0f, 0x14));
    p.setPen(QPen(QColor(0, 0, 0, 200), 1));
    p.setBrush(sky);
    p.drawRoundedRect(frame, 12, 12);
    p.setPen(QPen(QColor(255, 255, 255, 22), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(frame.adjusted(1.5, 1.5, -1.5, -1.5), 10.5, 10.5);

    // Heading.
    p.setPen(QPen(kGold, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 31), QPointF(40, 31));
    p.setFont(Font(g_fonts.serif, 16, QFont::Bold, 0.8));
    p.setPen(kText);
    p.drawText(QRectF(48, 8, 300, 28), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Change log"));

    // Text panel at (16, 40), 368 x 315.
    const QRectF panel(16, 40, 368, 315);
    p.setPen(QPen(QColor(0x2e, 0x37, 0x46), 1));
    p.setBrush(QColor(0x0a, 0x0d, 0x12));
    p.drawRoundedRect(panel.adjusted(-0.5, -0.5, 0.5, 0.5), 6, 6);
    // The OK button below the panel is a styled push button of the window.
    return image;
}

QImage ComboArrow() {
    QImage image = Canvas(10, 6);
    QPainter p(&image);
    Prepare(p);
    p.setPen(QPen(kGoldLight, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF{QPointF(1, 1), QPointF(5, 5), QPointF(9, 1)});
    return image;
}

QImage AppIcon() {
    QImage image = Canvas(128, 128);
    QPainter p(&image);
    Prepare(p);
    const QRectF tile(4, 4, 120, 120);
    QLinearGradient sky(tile.topLeft(), tile.bottomLeft());
    sky.setColorAt(0, QColor(0x22, 0x2b, 0x39));
    sky.setColorAt(1, QColor(0x0b, 0x0e, 0x13));
    p.setPen(QPen(QColor(0x8f, 0x60, 0x18), 2));
    p.setBrush(sky);
    p.drawRoundedRect(tile, 24, 24);
    DrawCrest(p, QRectF(28, 18, 72, 90));
    return image;
}

}  // namespace kestrow::artwork
