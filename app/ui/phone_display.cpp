#include "app/ui/phone_display.h"

#include <QFontMetrics>
#include <QPainter>

#include "app/logic/phone_state.h"
#include "app/logic/status_line.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "app/ui/control_table.h"
#include "skin/dib.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

const QColor kTextColour(60, 60, 60);
constexpr int kLineLength = 20;
constexpr int kWide = 400;  // room for a text anchored at a point
// Where the status line's text stands: centred on x, its top on y.
constexpr QPoint kStatusAnchor(132, 101);

QFont Tahoma(int pixels) {
    QFont font(u"Tahoma"_s);
    font.setPixelSize(pixels);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// Draws text anchored like a Windows text-out: horizontally at x by alignment, its top (or its
// bottom) at y.
void TextAt(QPainter& painter, int x, int y, Qt::Alignment align, const QString& text) {
    const int height = painter.fontMetrics().height();
    QRect box;
    const int top = (align & Qt::AlignBottom) ? y - height : y;
    if (align & Qt::AlignRight) {
        box = QRect(x - kWide, top, kWide, height);
    } else {
        box = QRect(x - kWide / 2, top, kWide, height);
    }
    painter.drawText(box, static_cast<int>(align), text);
}

}  // namespace

PhoneDisplay::PhoneDisplay() : m_fonts{Tahoma(16), Tahoma(16), Tahoma(14), Tahoma(11)} {}

QString PhoneDisplay::StatusText(const PhoneState& state) {
    const StatusLine line = StatusLineOf(state);
    return line.stringId == 0 ? line.clockText : StringTable::Global().Text(line.stringId);
}

QStringList PhoneDisplay::NumberLines(const QString& numberLine) {
    const QString visible = numberLine.right(2 * kLineLength);
    const QString lower = visible.right(kLineLength);
    const QString upper = visible.left(std::max<qsizetype>(visible.size() - kLineLength, 0));
    return {upper, lower};
}

QString PhoneDisplay::NumberAreaText(const PhoneState& state) {
    if (ShowsMinutes(state)) {
        const StringTable& strings = StringTable::Global();
        return strings.Text(StringId::MinutesValue, state.display.minutesText) + u' ' +
               strings.Text(StringId::MinutesForThisCall);
    }
    return state.display.numberLine;
}

QRect PhoneDisplay::StatusTextRect(const QString& text) const {
    const QFontMetrics metrics(m_fonts[2]);
    const QRect line(kStatusAnchor.x() - kWide / 2, kStatusAnchor.y(), kWide, metrics.height());
    const QRect logical =
        metrics.boundingRect(line, static_cast<int>(Qt::AlignHCenter | Qt::AlignTop), text);
    // The ink may reach past the line (accents, overhangs); a pixel more for smoothed edges.
    const QRect ink = metrics.tightBoundingRect(text)
                          .translated(logical.left(), kStatusAnchor.y() + metrics.ascent())
                          .adjusted(-1, -1, 1, 1);
    return kStatusArea.united(QRect(logical.left(), line.top(), logical.width(), line.height()))
        .united(text.isEmpty() ? QRect() : ink);
}

bool PhoneDisplay::ShowsBalance(const PhoneState& state) {
    return state.settings.displayBalance && state.connectionState == RTCRS_REGISTERED &&
           !state.call.active;
}

QString PhoneDisplay::BalanceText(const PhoneState& state) {
    return ShowsBalance(state) ? state.display.balanceText : QString();
}

bool PhoneDisplay::ShowsMinutes(const PhoneState& state) {
    return state.call.active && state.display.minutesShown;
}

void PhoneDisplay::Paint(QPainter& painter, const QRect& dirty, const CDib& skin,
                         const PhoneState& state) const {
    painter.save();
    painter.setClipRect(dirty, Qt::IntersectClip);
    skin.Draw(painter, dirty, dirty);
    painter.setPen(kTextColour);

    if (dirty.intersects(kNumberArea)) {
        if (ShowsMinutes(state)) {
            const StringTable& strings = StringTable::Global();
            const QString first = strings.Text(StringId::MinutesValue, state.display.minutesText);
            painter.setFont(m_fonts[1]);
            TextAt(painter, 132, 118, Qt::AlignHCenter | Qt::AlignTop, first);
            painter.setFont(m_fonts[3]);
            TextAt(painter, 132, 137, Qt::AlignHCenter | Qt::AlignTop,
                   strings.Text(StringId::MinutesForThisCall));
        } else {
            const QStringList lines = NumberLines(state.display.numberLine);
            painter.setFont(m_fonts[0]);
            TextAt(painter, 224, 157, Qt::AlignRight | Qt::AlignBottom, lines[1]);
            TextAt(painter, 224, 138, Qt::AlignRight | Qt::AlignBottom, lines[0]);
        }
    }
    const QString status = StatusText(state);
    if (dirty.intersects(StatusTextRect(status))) {
        painter.setFont(m_fonts[2]);
        TextAt(painter, kStatusAnchor.x(), kStatusAnchor.y(), Qt::AlignHCenter | Qt::AlignTop,
               status);
    }
    if (dirty.intersects(kBalanceArea)) {
        painter.setClipRect(kBalanceArea.intersected(dirty));
        painter.setFont(m_fonts[2]);
        TextAt(painter, 132, 156, Qt::AlignHCenter | Qt::AlignTop, BalanceText(state));
    }
    painter.restore();
}

}  // namespace zuvo
