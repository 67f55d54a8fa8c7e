#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

namespace zuvo {

class CDib;
struct PhoneState;

// The display panel of the handset: the status line, the number area (or the minutes allowed
// for a call) and the balance line, drawn over the skin. It keeps no state: every paint reads the
// phone's current values. Main thread only.
class PhoneDisplay {
public:
    PhoneDisplay();

    // Paints what falls inside dirty: the skin, then the areas' texts.
    void Paint(QPainter& painter, const QRect& dirty, const CDib& skin,
               const PhoneState& state) const;

    // The texts each area shows now (what a user would read).
    static QString StatusText(const PhoneState& state);
    static QStringList NumberLines(const QString& numberLine);  // {upper, lower}
    // The number area read as one line: the number, or the minutes allowed for the call.
    static QString NumberAreaText(const PhoneState& state);
    static QString BalanceText(const PhoneState& state);
    static bool ShowsBalance(const PhoneState& state);
    static bool ShowsMinutes(const PhoneState& state);

    // Where the status line puts this text: the status area together with the text's line and
    // the ink of its glyphs, which may stand outside the area (the line begins above it, and a
    // long text is wider). Repainting this rectangle erases the text completely.
    QRect StatusTextRect(const QString& text) const;

    const QFont& font(int n) const { return m_fonts[n - 1]; }

private:
    QFont m_fonts[4];
};

}  // namespace zuvo
