// Paints the phone's artwork: the handset, every button face, the indicator, the About logo, the
// program icon and the hand cursor. Reproducible: the same fonts give the same files.
//
//   zuvo-skin-painter <resources folder> [preview.png]
//   zuvo-skin-painter --scale=2 <resources folder>
//
// writes <resources>/bitmaps/*.bmp (24-bit), <resources>/bitmaps/FR/*.bmp, icons/31234.png and
// cursors/305.png, and optionally a preview of the whole phone with its faces in place. With
// --scale=2 it paints the same artwork at twice the resolution for 200 % screens, as
// <resources>/bitmaps/<name>@2x.png (and FR/<name>@2x.png), keyed exactly where the 1x bitmaps are
// (read from the same folder), so that a window shaped by the 1x bitmap shows no key colour at any
// scale.
//
//   zuvo-skin-painter --icons <folder>
//
// writes the program icon for the desktop's icon theme (run at build time): <n>x<n>/apps/zuvo.png
// from 16 to 256 pixels and scalable/apps/zuvo.svg.

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>
#include <QTransform>

#include <cstdio>
#include <functional>
#include <map>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr QRgb kMagenta = 0xFFFF00FF;
constexpr int kPhoneWidth = 260;
constexpr int kPhoneHeight = 470;

QString g_family = u"Tahoma"_s;
// Device pixels per skin pixel of the artwork being painted.
int g_scale = 1;

// Where each face sits on the handset (left, top, right, bottom as in the window's table).
struct Place {
    QString name;
    QRect rect;
};

QRect Ltrb(int l, int t, int r, int b) {
    return QRect(QPoint(l, t), QPoint(r - 1, b - 1));
}

QFont Font(double pixels, bool bold) {
    QFont font(g_family);
    font.setPixelSize(static_cast<int>(pixels));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// A magenta pixel must only ever mean "see-through": nudge painted pixels out of the key range.
QRgb AvoidKey(QRgb p) {
    if (qRed(p) == 255 && qGreen(p) <= 16 && qBlue(p) == 255) {
        return qRgb(255, qGreen(p), 250);
    }
    return p;
}

// Flattens an ARGB drawing: pixels at least half covered keep their colour, blended over
// `under` when given (the handset pixels the face will sit on, so edges stay smooth), the rest
// become exact magenta.
QImage Flatten(const QImage& art, const QImage* under = nullptr) {
    const QImage src = art.convertToFormat(QImage::Format_ARGB32);
    QImage out(src.size(), QImage::Format_RGB32);
    for (int y = 0; y < src.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const int a = qAlpha(in[x]);
            if (a < 128) {
                dst[x] = kMagenta;
                continue;
            }
            QRgb base = in[x];
            if (under && a < 255) {
                const QRgb u = under->pixel(x, y);
                const auto blend = [a](int c, int b) { return (c * a + b * (255 - a)) / 255; };
                base = qRgb(blend(qRed(in[x]), qRed(u)), blend(qGreen(in[x]), qGreen(u)),
                            blend(qBlue(in[x]), qBlue(u)));
            }
            dst[x] = AvoidKey(qRgb(qRed(base), qGreen(base), qBlue(base)));
        }
    }
    return out;
}

// A clear canvas of size skin pixels; painting on it in skin pixels fills g_scale device pixels.
QImage Transparent(QSize size) {
    QImage image(size * g_scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(g_scale);
    image.fill(Qt::transparent);
    return image;
}

QPainterPath Rounded(const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// ---- Glyphs -------------------------------------------------------------------------------

// A classic receiver, 24 units across around (0, 0): two ear/mouth cups joined by a curved grip.
QPainterPath HandsetPath() {
    QPainterPath path;
    path.moveTo(-10, -4);
    path.cubicTo(-10, -9, -6, -10, -4, -9);
    path.lineTo(-2, -5);
    path.cubicTo(-2, -3.5, -4, -3, -5, -2.5);
    path.cubicTo(-4, 0, -1.5, 2.5, 1, 3.5);
    path.cubicTo(1.5, 2.5, 2.5, 1.5, 4, 2);
    path.lineTo(8, 4);
    path.cubicTo(9, 6, 8, 10, 4, 10);
    path.cubicTo(-4, 10, -10, 4, -10, -4);
    path.closeSubpath();
    return path;
}

void DrawHandset(QPainter& p, const QPointF& centre, double size, const QColor& colour,
                 double angle) {
    p.save();
    p.translate(centre);
    p.rotate(angle);
    p.scale(size / 24.0, size / 24.0);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(HandsetPath());
    p.restore();
}

void DrawSpeakerGlyph(QPainter& p, const QRectF& r, const QColor& c) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    const double cy = r.center().y();
    QPolygonF cone;
    cone << QPointF(r.left(), cy - 2.5) << QPointF(r.left() + 3, cy - 2.5)
         << QPointF(r.left() + 7, cy - 6) << QPointF(r.left() + 7, cy + 6)
         << QPointF(r.left() + 3, cy + 2.5) << QPointF(r.left(), cy + 2.5);
    p.drawPolygon(cone);
    QPen pen(c, 1.3);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(r.left() + 5, cy - 4, 6, 8), -50 * 16, 100 * 16);
    p.drawArc(QRectF(r.left() + 5, cy - 7, 10, 14), -50 * 16, 100 * 16);
    p.restore();
}

void DrawMicGlyph(QPainter& p, const QRectF& r, const QColor& c) {
    p.save();
    const double cx = r.center().x();
    const double top = r.center().y() - 7;
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(cx - 2.5, top, 5, 8.5), 2.5, 2.5);
    QPen pen(c, 1.3);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(cx - 4.5, top + 2, 9, 9), 180 * 16, 180 * 16);
    p.drawLine(QPointF(cx, top + 11), QPointF(cx, top + 13.5));
    p.drawLine(QPointF(cx - 2.5, top + 13.5), QPointF(cx + 2.5, top + 13.5));
    p.restore();
}

void DrawGlobe(QPainter& p, const QPointF& c, double r, const QColor& colour) {
    p.save();
    QPen pen(colour, 1.4);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, r, r);
    p.drawEllipse(c, r * 0.45, r);
    p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
    p.drawLine(QPointF(c.x(), c.y() - r), QPointF(c.x(), c.y() + r));
    p.restore();
}

void DrawMenuGlyph(QPainter& p, const QPointF& c, const QColor& colour) {
    p.save();
    QPen pen(colour, 2.0);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    for (int i = -1; i <= 1; ++i) {
        p.drawLine(QPointF(c.x() - 7, c.y() + i * 5), QPointF(c.x() + 7, c.y() + i * 5));
    }
    p.restore();
}

void DrawBookGlyph(QPainter& p, const QPointF& c, const QColor& colour) {
    p.save();
    QPen pen(colour, 1.4);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRectF book(c.x() - 7, c.y() - 8, 14, 16);
    p.drawRoundedRect(book, 2, 2);
    p.setBrush(colour);
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(book.left() - 2, book.top() + 3, 3, 1.5));
    p.drawRect(QRectF(book.left() - 2, book.top() + 7.5, 3, 1.5));
    p.drawRect(QRectF(book.left() - 2, book.top() + 12, 3, 1.5));
    // a person on the cover
    p.drawEllipse(QPointF(c.x() + 0.5, c.y() - 2.5), 2.2, 2.2);
    p.drawChord(QRectF(c.x() - 3.5, c.y() + 0.8, 8, 7), 0, 180 * 16);
    p.restore();
}

void DrawCoinGlyph(QPainter& p, const QPointF& c, const QColor& colour) {
    p.save();
    p.setPen(QPen(colour, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 8.5, 8.5);
    p.setFont(Font(12, true));
    p.drawText(QRectF(c.x() - 8, c.y() - 8.5, 16, 17), Qt::AlignCenter, u"$"_s);
    p.restore();
}

// ---- Faces ----------------------------------------------------------------------------------

// A two-state face: `draw(painter, stateRect, pressed)` paints one state on transparency.
using StatePainter = std::function<void(QPainter&, const QRectF&, bool)>;

QImage TwoStateFace(QSize state, const StatePainter& draw, const QImage* phone, QPoint at) {
    QImage art = Transparent(QSize(state.width(), state.height() * 2));
    {
        QPainter p(&art);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        draw(p, QRectF(0, 0, state.width(), state.height()), false);
        p.translate(0, state.height());
        draw(p, QRectF(0, 0, state.width(), state.height()), true);
    }
    if (!phone) {
        return Flatten(art);
    }
    // Both states sit on the same handset pixels.
    const QSize device = state * g_scale;
    const QImage under = phone->copy(QRect(at * g_scale, device));
    QImage both(art.size(), QImage::Format_RGB32);
    QPainter p(&both);
    for (int half = 0; half < 2; ++half) {
        const QImage part = art.copy(0, half * device.height(), device.width(), device.height());
        p.drawImage(0, half * device.height(), Flatten(part, &under));
    }
    return both;
}

// A rounded tile, lit from above; pressed tiles sink and darken.
void Tile(QPainter& p, const QRectF& r, double radius, QColor top, QColor bottom, bool pressed) {
    if (pressed) {
        top = top.darker(125);
        bottom = bottom.darker(115);
        std::swap(top, bottom);
    }
    // soft base shadow
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, pressed ? 60 : 110));
    p.drawPath(Rounded(r.adjusted(0, pressed ? 0.5 : 1.2, 0, 0), radius));
    const QRectF body = r.adjusted(0, 0, 0, pressed ? -0.5 : -1.2);
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setBrush(g);
    p.drawPath(Rounded(body, radius));
    // a thin highlight along the upper rim
    QLinearGradient rim(body.topLeft(), body.bottomLeft());
    rim.setColorAt(0, QColor(255, 255, 255, pressed ? 25 : 70));
    rim.setColorAt(0.5, QColor(255, 255, 255, 0));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(rim), 1.0));
    p.drawPath(Rounded(body.adjusted(0.5, 0.5, -0.5, -0.5), radius - 0.5));
}

const QColor kKeyTop(70, 77, 88);
const QColor kKeyBottom(49, 54, 62);
const QColor kKeyText(244, 246, 248);
const QColor kKeyLetters(160, 170, 182);
const QColor kAccent(38, 198, 176);

StatePainter KeyFace(const QString& digit, const QString& letters) {
    return [digit, letters](QPainter& p, const QRectF& r, bool pressed) {
        const QRectF tile = r.adjusted(2, 2, -2, -2);
        Tile(p, tile, 9, kKeyTop, kKeyBottom, pressed);
        const double dy = pressed ? 1 : 0;
        p.setPen(pressed ? kAccent.lighter(120) : kKeyText);
        const bool symbol = digit == u"*"_s || digit == u"#"_s;
        p.setFont(Font(symbol ? 19 : 17, true));
        const QRectF digitBox(tile.left(), tile.top() + (letters.isEmpty() ? 3 : 1) + dy,
                              tile.width(), letters.isEmpty() ? tile.height() - 6 : 22);
        p.drawText(digitBox, Qt::AlignHCenter | Qt::AlignVCenter,
                   digit == u"*"_s ? u"\u2217"_s : digit);
        if (!letters.isEmpty()) {
            p.setPen(kKeyLetters);
            p.setFont(Font(8, false));
            p.drawText(QRectF(tile.left(), tile.top() + 21 + dy, tile.width(), 11),
                       Qt::AlignHCenter | Qt::AlignVCenter, letters);
        }
    };
}

StatePainter SideFace(std::function<void(QPainter&, QPointF, QColor)> glyph, QString label) {
    return [glyph, label](QPainter& p, const QRectF& r, bool pressed) {
        const QRectF tile = r.adjusted(3, 2, -3, -2);
        Tile(p, tile, 8, QColor(58, 64, 74), QColor(42, 47, 55), pressed);
        const double dy = pressed ? 1 : 0;
        const QColor ink = pressed ? kAccent.lighter(115) : QColor(226, 231, 236);
        glyph(p, QPointF(tile.center().x(), tile.top() + 12.5 + dy), ink);
        p.setPen(pressed ? ink : QColor(170, 179, 190));
        p.setFont(Font(8, false));
        p.drawText(QRectF(tile.left(), tile.bottom() - 13 + dy, tile.width(), 11),
                   Qt::AlignHCenter | Qt::AlignVCenter, label);
    };
}

StatePainter PillFace(QColor top, QColor bottom,
                      std::function<void(QPainter&, QRectF, bool)> inside, QRectF inset) {
    return [=](QPainter& p, const QRectF& r, bool pressed) {
        const QRectF pill(r.left() + inset.left(), r.top() + inset.top(),
                          r.width() - inset.left() - inset.width(),
                          r.height() - inset.top() - inset.height());
        Tile(p, pill, pill.height() / 2, top, bottom, pressed);
        inside(p, pill.translated(0, pressed ? 1 : 0), pressed);
    };
}

StatePainter TextPill(QColor top, QColor bottom, QString text, double px) {
    return PillFace(
        top, bottom,
        [text, px](QPainter& p, QRectF pill, bool) {
            p.setPen(QColor(240, 243, 246));
            p.setFont(Font(px, true));
            p.drawText(pill.adjusted(0, -0.5, 0, -0.5), Qt::AlignCenter, text);
        },
        QRectF(1, 1, 1, 1));
}

StatePainter WindowButton(bool close) {
    return [close](QPainter& p, const QRectF& r, bool pressed) {
        const QRectF disc = r.adjusted(1.5, 0.5, -1.5, -0.5);
        QColor fill = close ? QColor(214, 72, 64) : QColor(78, 86, 98);
        if (pressed) {
            fill = close ? fill.darker(130) : fill.lighter(135);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawEllipse(disc.center(), 8, 8);
        QPen pen(QColor(248, 248, 248), 1.6);
        pen.setCapStyle(Qt::RoundCap);
        p.setPen(pen);
        const QPointF c = disc.center();
        if (close) {
            p.drawLine(c + QPointF(-3.2, -3.2), c + QPointF(3.2, 3.2));
            p.drawLine(c + QPointF(-3.2, 3.2), c + QPointF(3.2, -3.2));
        } else {
            p.drawLine(c + QPointF(-3.5, 0.5), c + QPointF(3.5, 0.5));
        }
    };
}

// ---- The handset --------------------------------------------------------------------------

QPainterPath HandsetShape() {
    return Rounded(QRectF(1, 0, kPhoneWidth - 2, kPhoneHeight - 1), 26);
}

QImage PaintPhone() {
    QImage art = Transparent(QSize(kPhoneWidth, kPhoneHeight));
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QPainterPath shape = HandsetShape();

    // body: graphite with a soft vertical gradient
    QLinearGradient body(0, 0, 0, kPhoneHeight);
    body.setColorAt(0, QColor(50, 56, 65));
    body.setColorAt(0.25, QColor(38, 43, 51));
    body.setColorAt(1, QColor(26, 29, 35));
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawPath(shape);
    // side shading: a little darker at both edges
    QLinearGradient sides(0, 0, kPhoneWidth, 0);
    sides.setColorAt(0, QColor(0, 0, 0, 70));
    sides.setColorAt(0.08, QColor(0, 0, 0, 0));
    sides.setColorAt(0.92, QColor(0, 0, 0, 0));
    sides.setColorAt(1, QColor(0, 0, 0, 80));
    p.setBrush(sides);
    p.drawPath(shape);
    // a faint glossy sheen over the upper part
    QRadialGradient sheen(QPointF(80, 20), 220);
    sheen.setColorAt(0, QColor(255, 255, 255, 26));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(sheen);
    p.drawPath(shape);
    // rim: light on top, dark below
    QLinearGradient rim(0, 0, 0, kPhoneHeight);
    rim.setColorAt(0, QColor(150, 160, 172, 200));
    rim.setColorAt(0.3, QColor(90, 98, 110, 120));
    rim.setColorAt(1, QColor(10, 12, 15, 200));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QBrush(rim), 1.2));
    p.drawPath(Rounded(QRectF(1.6, 0.6, kPhoneWidth - 3.2, kPhoneHeight - 2.2), 25.4));

    // brand and earpiece
    p.setPen(QColor(232, 236, 240));
    p.setFont(Font(22, true));
    p.drawText(QRectF(22, 52, 150, 30), Qt::AlignLeft | Qt::AlignVCenter, u"zuvo"_s);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(79, 73), 2.6, 2.6);
    p.setPen(QColor(140, 150, 162));
    p.setFont(Font(9, false));
    p.drawText(QRectF(23, 79, 150, 14), Qt::AlignLeft | Qt::AlignVCenter, u"internet phone"_s);
    // earpiece slot
    QLinearGradient slot(0, 36, 0, 42);
    slot.setColorAt(0, QColor(12, 14, 17));
    slot.setColorAt(1, QColor(40, 45, 53));
    p.setPen(QPen(QColor(70, 78, 90), 0.8));
    p.setBrush(slot);
    p.drawRoundedRect(QRectF(100, 14, 60, 6), 3, 3);

    // display bezel and panel
    const QRectF bezel(26.5, 97.5, 212, 81);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(14, 16, 19));
    p.drawRoundedRect(bezel, 8, 8);
    p.setPen(QPen(QColor(255, 255, 255, 30), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(bezel.adjusted(-0.5, 0.5, 0.5, 1), 8.5, 8.5);
    const QRectF panel(30, 101, 205, 73);
    QLinearGradient lcd(panel.topLeft(), panel.bottomLeft());
    lcd.setColorAt(0, QColor(226, 236, 231));
    lcd.setColorAt(1, QColor(206, 221, 213));
    p.setPen(Qt::NoPen);
    p.setBrush(lcd);
    p.drawRoundedRect(panel, 5, 5);
    // inner shadow along the panel's top edge
    QLinearGradient inner(panel.topLeft(), panel.topLeft() + QPointF(0, 6));
    inner.setColorAt(0, QColor(0, 0, 0, 45));
    inner.setColorAt(1, QColor(0, 0, 0, 0));
    p.setBrush(inner);
    p.drawRoundedRect(panel, 5, 5);
    // hairlines between status, number and balance
    p.setPen(QPen(QColor(60, 60, 60, 28), 1));
    p.drawLine(QPointF(40, 118.5), QPointF(225, 118.5));
    p.drawLine(QPointF(40, 157.5), QPointF(225, 157.5));

    // keypad well behind the keys
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 50));
    p.drawRoundedRect(QRectF(104, 182, 135, 177), 12, 12);
    p.drawRoundedRect(QRectF(19, 182, 59, 176), 12, 12);

    // volume tracks and their glyphs
    const QColor glyph(170, 179, 190);
    for (const QRect& track : {Ltrb(32, 386, 90, 401), Ltrb(116, 386, 174, 401)}) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 70));
        p.drawRoundedRect(QRectF(track).adjusted(-3, -2, 3, 2), 6, 6);
    }
    DrawSpeakerGlyph(p, QRectF(15, 386, 15, 15), glyph);
    DrawMicGlyph(p, QRectF(100, 386, 14, 15), glyph);

    // bottom: speaker grille of small holes
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(12, 14, 17));
    for (int i = 0; i < 9; ++i) {
        p.drawEllipse(QPointF(98 + i * 8, 455), 1.4, 1.4);
    }
    p.end();
    return Flatten(art);
}

// ---- Small bitmaps -------------------------------------------------------------------------

QImage PaintIndicator() {
    // rows: off, on; columns: the two blink frames; 12 x 12 cells
    constexpr int cell = 12;
    QImage art = Transparent(QSize(cell * 2, cell * 2));
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(art.rect(), QColor(30, 34, 40));
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column) {
            const QPointF c(column * cell + cell / 2.0, row * cell + cell / 2.0);
            const bool lit = row == 1 && column == 0;
            QRadialGradient g(c - QPointF(1.2, 1.2), 5);
            g.setColorAt(0, lit ? QColor(150, 255, 200) : QColor(95, 102, 112));
            g.setColorAt(1, lit ? QColor(20, 170, 90) : QColor(55, 60, 68));
            p.setPen(QPen(QColor(10, 12, 15), 0.8));
            p.setBrush(g);
            p.drawEllipse(c, 4.2, 4.2);
        }
    }
    p.end();
    return Flatten(art);
}

QImage PaintLogo(const QString& tagline) {
    QImage art = Transparent(QSize(160, 64));
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient g(0, 0, 0, 64);
    g.setColorAt(0, QColor(50, 56, 65));
    g.setColorAt(1, QColor(28, 31, 37));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0, 0, 160, 64), 12, 12);
    p.setBrush(kAccent);
    p.drawEllipse(QPointF(32, 32), 20, 20);
    DrawHandset(p, QPointF(32, 32), 24, QColor(255, 255, 255), 0);
    p.setPen(QColor(236, 240, 244));
    p.setFont(Font(26, true));
    p.drawText(QRectF(60, 8, 96, 34), Qt::AlignLeft | Qt::AlignVCenter, u"zuvo"_s);
    p.setPen(QColor(150, 160, 172));
    p.setFont(Font(9, false));
    p.drawText(QRectF(61, 38, 96, 14), Qt::AlignLeft | Qt::AlignVCenter, tagline);
    p.end();
    return Flatten(art);
}

// The program icon, drawn for a square of `size` pixels; the same drawing as SVG below.
const QColor kIconTop(48, 214, 190);
const QColor kIconBottom(22, 150, 132);

QImage PaintIcon(int size) {
    QImage art = Transparent(QSize(size, size));
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 64.0;
    QLinearGradient g(0, 0, 0, size);
    g.setColorAt(0, kIconTop);
    g.setColorAt(1, kIconBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2 * s, 2 * s, 60 * s, 60 * s), 14 * s, 14 * s);
    DrawHandset(p, QPointF(32 * s, 32 * s), 38 * s, QColor(255, 255, 255), 0);
    p.end();
    return art;
}

// The icon as a scalable drawing, on the 64-unit grid of PaintIcon.
QByteArray IconSvg() {
    const QTransform place = QTransform::fromTranslate(32, 32).scale(38.0 / 24, 38.0 / 24);
    const QPainterPath handset = place.map(HandsetPath());
    QString d;
    const auto xy = [](double x, double y) {
        return QString::number(x, 'f', 3) + u',' + QString::number(y, 'f', 3);
    };
    for (int i = 0; i < handset.elementCount(); ++i) {
        const QPainterPath::Element e = handset.elementAt(i);
        if (e.isMoveTo()) {
            d += u"M"_s + xy(e.x, e.y);
        } else if (e.isLineTo()) {
            d += u" L"_s + xy(e.x, e.y);
        } else if (e.isCurveTo()) {
            const QPainterPath::Element c2 = handset.elementAt(i + 1);
            const QPainterPath::Element end = handset.elementAt(i + 2);
            d += u" C"_s + xy(e.x, e.y) + u' ' + xy(c2.x, c2.y) + u' ' + xy(end.x, end.y);
            i += 2;
        }
    }
    d += u" Z"_s;
    const QString svg =
        u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        u"<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" "
        u"viewBox=\"0 0 64 64\">\n"
        u"  <defs>\n"
        u"    <linearGradient id=\"face\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"64\" "
        u"gradientUnits=\"userSpaceOnUse\">\n"
        u"      <stop offset=\"0\" stop-color=\"%1\"/>\n"
        u"      <stop offset=\"1\" stop-color=\"%2\"/>\n"
        u"    </linearGradient>\n"
        u"  </defs>\n"
        u"  <rect x=\"2\" y=\"2\" width=\"60\" height=\"60\" rx=\"14\" ry=\"14\" "
        u"fill=\"url(#face)\"/>\n"
        u"  <path d=\"%3\" fill=\"#ffffff\"/>\n"
        u"</svg>\n"_s.arg(kIconTop.name(), kIconBottom.name(), d);
    return svg.toUtf8();
}

// The desktop's icon theme layout: <folder>/<n>x<n>/apps/zuvo.png and scalable/apps/zuvo.svg.
int WriteThemeIcons(const QString& folder) {
    bool ok = true;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = folder + u"/%1x%1/apps"_s.arg(size);
        ok = QDir().mkpath(dir) && PaintIcon(size).save(dir + u"/zuvo.png"_s) && ok;
    }
    const QString scalable = folder + u"/scalable/apps"_s;
    QFile svg(scalable + u"/zuvo.svg"_s);
    ok = QDir().mkpath(scalable) && svg.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
         svg.write(IconSvg()) > 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "cannot write the icons under %s\n", qPrintable(folder));
    }
    return ok ? 0 : 1;
}

QImage PaintCursor(QPoint* hotSpot) {
    // A pointing hand; the tip of the index finger is the hot spot.
    QImage art = Transparent(QSize(32, 32));
    QPainter p(&art);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath hand;
    hand.moveTo(10, 2.5);
    hand.cubicTo(10, 1, 13, 1, 13, 2.5);
    hand.lineTo(13, 11);
    hand.cubicTo(13, 9.5, 16, 9.5, 16, 11);
    hand.lineTo(16, 12.5);
    hand.cubicTo(16, 11, 19, 11, 19, 12.5);
    hand.lineTo(19, 14);
    hand.cubicTo(19, 12.5, 22, 12.5, 22, 14);
    hand.lineTo(22, 21);
    hand.cubicTo(22, 25, 20, 27, 19, 28);
    hand.lineTo(11, 28);
    hand.cubicTo(9, 25, 6, 21, 4.5, 18);
    hand.cubicTo(3.5, 16, 6, 14.5, 7.5, 16);
    hand.lineTo(10, 18.5);
    hand.closeSubpath();
    p.setPen(QPen(QColor(0, 0, 0), 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(255, 255, 255));
    p.drawPath(hand);
    p.setPen(QPen(QColor(0, 0, 0), 0.9));
    p.drawLine(QPointF(13, 11), QPointF(13, 17));
    p.drawLine(QPointF(16, 12.5), QPointF(16, 17));
    p.drawLine(QPointF(19, 14), QPointF(19, 17));
    p.end();
    *hotSpot = QPoint(11, 1);
    return art;
}

// ---- Output -------------------------------------------------------------------------------

bool IsKey(QRgb p) {
    return qRed(p) == 255 && qGreen(p) <= 16 && qBlue(p) == 255;
}

// Scaled artwork keyed exactly where its 1x bitmap is: a device pixel is key colour when the skin
// pixel it belongs to is, and takes that skin pixel's colour where the finer drawing left it
// clear. The shape (and every hit area) made from the 1x bitmap then matches what is drawn.
QImage ConformToShape(const QImage& scaled, const QImage& base) {
    QImage out = scaled.convertToFormat(QImage::Format_RGB32);
    const QImage shape = base.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        const auto* baseRow = reinterpret_cast<const QRgb*>(shape.constScanLine(y / g_scale));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb b = baseRow[x / g_scale];
            if (IsKey(b)) {
                row[x] = kMagenta;
            } else if (IsKey(row[x])) {
                row[x] = b;
            }
        }
    }
    return out;
}

bool SaveBmp(const QImage& image, const QString& path) {
    if (g_scale != 1) {
        const QImage base(path);
        if (base.isNull() || base.size() * g_scale != image.size()) {
            std::fprintf(stderr, "no matching 1x bitmap %s\n", qPrintable(path));
            return false;
        }
        QString scaledPath = path;
        scaledPath.replace(u".bmp"_s, u"@%1x.png"_s.arg(g_scale));
        if (!ConformToShape(image, base).save(scaledPath, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(scaledPath));
            return false;
        }
        return true;
    }
    // 24-bit, bottom-up, uncompressed: the format every bitmap reader takes.
    if (!image.convertToFormat(QImage::Format_RGB888).save(path, "BMP")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

struct Texts {
    QString call, redial, account, menu, book, rates;
};

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--icons") == 0) {
        return WriteThemeIcons(QString::fromLocal8Bit(argv[2]));
    }
    if (argc > 1 && QByteArray(argv[1]) == "--scale=2") {
        g_scale = 2;
        --argc;
        ++argv;
    }
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: zuvo-skin-painter [--scale=2] <resources folder> [preview.png]\n"
                     "       zuvo-skin-painter --icons <icon theme folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (const char* face : {"tahoma.ttf", "tahomabd.ttf"}) {
        const int id =
            QFontDatabase::addApplicationFont(root + u"/fonts/"_s + QString::fromLatin1(face));
        if (id < 0) {
            std::fprintf(stderr, "font %s missing under %s/fonts\n", face, argv[1]);
            return 1;
        }
        g_family = QFontDatabase::applicationFontFamilies(id).value(0, g_family);
    }
    const QString bitmaps = root + u"/bitmaps"_s;
    QDir().mkpath(bitmaps + u"/FR"_s);
    QDir().mkpath(root + u"/icons"_s);
    QDir().mkpath(root + u"/cursors"_s);

    const QImage phone = PaintPhone();
    bool ok = SaveBmp(phone, bitmaps + u"/Phone.bmp"_s);

    // keypad
    const std::map<QString, QString> letters = {
        {u"1"_s, u""_s},     {u"2"_s, u"ABC"_s}, {u"3"_s, u"DEF"_s},  {u"4"_s, u"GHI"_s},
        {u"5"_s, u"JKL"_s},  {u"6"_s, u"MNO"_s}, {u"7"_s, u"PQRS"_s}, {u"8"_s, u"TUV"_s},
        {u"9"_s, u"WXYZ"_s}, {u"0"_s, u"+"_s},   {u"*"_s, u""_s},     {u"#"_s, u""_s}};
    struct Key {
        QString digit;
        int bitmap;
        QRect rect;
    };
    const Key keys[] = {
        {u"1"_s, 219, Ltrb(109, 186, 150, 227)}, {u"2"_s, 220, Ltrb(151, 186, 192, 227)},
        {u"3"_s, 221, Ltrb(193, 186, 234, 227)}, {u"4"_s, 222, Ltrb(109, 228, 150, 269)},
        {u"5"_s, 223, Ltrb(151, 228, 192, 269)}, {u"6"_s, 224, Ltrb(193, 228, 234, 269)},
        {u"7"_s, 225, Ltrb(109, 271, 150, 312)}, {u"8"_s, 226, Ltrb(151, 271, 192, 312)},
        {u"9"_s, 227, Ltrb(193, 271, 234, 312)}, {u"*"_s, 228, Ltrb(109, 313, 150, 354)},
        {u"0"_s, 218, Ltrb(151, 313, 192, 354)}, {u"#"_s, 229, Ltrb(193, 313, 234, 354)}};
    std::map<QString, QImage> faces;
    std::map<QString, QRect> places;
    for (const Key& key : keys) {
        const QString name = QString::number(key.bitmap);
        faces[name] = TwoStateFace(key.rect.size(), KeyFace(key.digit, letters.at(key.digit)),
                                   &phone, key.rect.topLeft());
        places[name] = key.rect;
    }

    const auto languageFaces = [&](const Texts& t) {
        std::map<QString, QImage> out;
        const QRect call = Ltrb(150, 390, 236, 446);
        out[u"216"_s] = TwoStateFace(
            call.size(),
            PillFace(
                QColor(60, 200, 110), QColor(30, 150, 75),
                [t](QPainter& p, QRectF pill, bool) {
                    DrawHandset(p, QPointF(pill.left() + 22, pill.center().y()), 20,
                                QColor(255, 255, 255), 0);
                    p.setPen(QColor(255, 255, 255));
                    p.setFont(Font(13, true));
                    p.drawText(pill.adjusted(34, -1, -8, -1), Qt::AlignVCenter | Qt::AlignLeft,
                               t.call);
                },
                // the mic slider overlaps the key's top-left corner: keep the pill below it
                QRectF(1, 11, 1, 9)),
            &phone, call.topLeft());
        const QRect hang = Ltrb(101, 411, 149, 427);
        out[u"217"_s] = TwoStateFace(hang.size(),
                                     PillFace(
                                         QColor(232, 82, 72), QColor(186, 44, 38),
                                         [](QPainter& p, QRectF pill, bool) {
                                             DrawHandset(p, pill.center() + QPointF(0, 1), 15,
                                                         QColor(255, 255, 255), 135);
                                         },
                                         QRectF(1, 0.5, 1, 0.5)),
                                     &phone, hang.topLeft());
        const QRect redial = Ltrb(54, 411, 100, 427);
        out[u"332"_s] = TwoStateFace(redial.size(),
                                     TextPill(QColor(84, 92, 104), QColor(60, 66, 76), t.redial, 9),
                                     &phone, redial.topLeft());
        const QRect account = Ltrb(23, 186, 74, 227);
        out[u"234"_s] = TwoStateFace(account.size(), SideFace(DrawCoinGlyph, t.account), &phone,
                                     account.topLeft());
        const QRect menu = Ltrb(23, 268, 74, 309);
        out[u"232"_s] = TwoStateFace(
            menu.size(),
            SideFace([](QPainter& p, QPointF c, QColor k) { DrawMenuGlyph(p, c, k); }, t.menu),
            &phone, menu.topLeft());
        const QRect book = Ltrb(23, 309, 74, 353);
        out[u"344"_s] = TwoStateFace(
            book.size(),
            SideFace(
                [](QPainter& p, QPointF c, QColor k) { DrawBookGlyph(p, c + QPointF(0, 1), k); },
                t.book),
            &phone, book.topLeft());
        out[u"366"_s] = TwoStateFace(QSize(48, 18),
                                     TextPill(QColor(84, 92, 104), QColor(60, 66, 76), t.rates, 9),
                                     nullptr, QPoint());
        return out;
    };
    const Texts english{u"Call"_s, u"Redial"_s, u"Account"_s, u"Menu"_s, u"Contacts"_s, u"Rates"_s};
    const Texts french{u"Appel"_s, u"Bis"_s, u"Compte"_s, u"Menu"_s, u"Annuaire"_s, u"Tarifs"_s};
    for (auto& [name, image] : languageFaces(english)) {
        faces[name] = image;
    }
    places[u"216"_s] = Ltrb(150, 390, 236, 446);
    places[u"217"_s] = Ltrb(101, 411, 149, 427);
    places[u"332"_s] = Ltrb(54, 411, 100, 427);
    places[u"234"_s] = Ltrb(23, 186, 74, 227);
    places[u"232"_s] = Ltrb(23, 268, 74, 309);
    places[u"344"_s] = Ltrb(23, 309, 74, 353);
    for (auto& [name, image] : languageFaces(french)) {
        ok = SaveBmp(image, bitmaps + u"/FR/"_s + name + u".bmp"_s) && ok;
    }

    const QRect home = Ltrb(23, 227, 74, 268);
    faces[u"286"_s] = TwoStateFace(
        home.size(),
        SideFace([](QPainter& p, QPointF c, QColor k) { DrawGlobe(p, c, 7.5, k); }, u"zuvo"_s),
        &phone, home.topLeft());
    places[u"286"_s] = home;
    const QRect close = Ltrb(225, 8, 245, 26);
    const QRect minimise = Ltrb(204, 8, 224, 26);
    faces[u"231"_s] = TwoStateFace(close.size(), WindowButton(true), &phone, close.topLeft());
    faces[u"233"_s] =
        TwoStateFace(minimise.size(), WindowButton(false), &phone, minimise.topLeft());
    places[u"231"_s] = close;
    places[u"233"_s] = minimise;

    for (const auto& [name, image] : faces) {
        ok = SaveBmp(image, bitmaps + u"/"_s + name + u".bmp"_s) && ok;
    }
    ok = SaveBmp(PaintIndicator(), bitmaps + u"/260.bmp"_s) && ok;
    ok = SaveBmp(PaintLogo(u"internet phone"_s), bitmaps + u"/293.bmp"_s) && ok;
    ok = SaveBmp(PaintLogo(u"t\u00E9l\u00E9phone internet"_s), bitmaps + u"/FR/293.bmp"_s) && ok;
    if (g_scale != 1) {
        return ok ? 0 : 1;
    }
    ok = PaintIcon(64).save(root + u"/icons/31234.png"_s) && ok;
    QPoint hotSpot;
    QImage cursor = PaintCursor(&hotSpot);
    cursor.setText(u"HotSpotX"_s, QString::number(hotSpot.x()));
    cursor.setText(u"HotSpotY"_s, QString::number(hotSpot.y()));
    ok = cursor.save(root + u"/cursors/305.png"_s) && ok;

    if (argc > 2) {
        // The phone as the user sees it: every face in place, the upper state; a sample text.
        QImage preview(kPhoneWidth * 2 + 40, kPhoneHeight + 20, QImage::Format_RGB32);
        preview.fill(QColor(236, 238, 241));
        QPainter p(&preview);
        p.setRenderHint(QPainter::TextAntialiasing);
        const auto drawPhone = [&](int dx, bool pressed) {
            QImage shown = phone.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < shown.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(shown.scanLine(y));
                for (int x = 0; x < shown.width(); ++x) {
                    if ((line[x] & 0xFFFFFF) == 0xFF00FF) {
                        line[x] = 0;
                    }
                }
            }
            p.drawImage(dx, 10, shown);
            for (const auto& [name, image] : faces) {
                if (!places.count(name)) {
                    continue;  // the rates button has no place on this skin
                }
                const QRect at = places.at(name);
                const int h = image.height() / 2;
                QImage state = image.copy(0, pressed ? h : 0, image.width(), h)
                                   .convertToFormat(QImage::Format_ARGB32);
                for (int y = 0; y < state.height(); ++y) {
                    auto* line = reinterpret_cast<QRgb*>(state.scanLine(y));
                    for (int x = 0; x < state.width(); ++x) {
                        if ((line[x] & 0xFFFFFF) == 0xFF00FF) {
                            line[x] = 0;
                        }
                    }
                }
                p.drawImage(at.topLeft() + QPoint(dx, 10), state);
            }
            // the two sliders as the phone draws them
            for (const QRect& track : {Ltrb(32, 386, 90, 401), Ltrb(116, 386, 174, 401)}) {
                const QRect r = track.translated(dx, 10);
                const QRect channel(r.left() + 4, r.top() + (r.height() - 4) / 2, r.width() - 8, 4);
                p.fillRect(channel, QColor(88, 91, 93));
                p.setPen(Qt::white);
                p.drawRect(channel.adjusted(0, 0, -1, -1));
                p.fillRect(QRect(r.left() + r.width() * 2 / 3 - 4, r.top() + 1, 9, r.height() - 2),
                           QColor(88, 91, 93));
            }
            p.setPen(QColor(60, 60, 60));
            QFont status = Font(14, false);
            p.setFont(status);
            p.drawText(QRect(31 + dx, 102 + 10, 203, 16), Qt::AlignHCenter | Qt::AlignTop,
                       u"Ready to call"_s);
            p.setFont(Font(16, false));
            p.drawText(QRect(41 + dx, 118 + 10, 183, 39), Qt::AlignRight | Qt::AlignBottom,
                       u"+441234567890"_s);
            p.setFont(status);
            p.drawText(QRect(31 + dx, 158 + 10, 203, 15), Qt::AlignHCenter | Qt::AlignTop,
                       u"Balance: 12.50 EUR"_s);
        };
        drawPhone(10, false);
        drawPhone(kPhoneWidth + 30, true);
        p.end();
        ok = preview.save(QString::fromLocal8Bit(argv[2])) && ok;
    }
    return ok ? 0 : 1;
}
