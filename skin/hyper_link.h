#pragma once

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QLabel>

#include <functional>
#include <optional>

#include "platform/ids.h"

namespace zuvo {

// A hyperlink text. Following it opens "http://" + URL in the desktop's browser (the prefix is
// always added, whatever the URL holds), or in notify mode sends a stored message to a target
// instead. Colours follow hover, focus and visited state; a double click follows once. The URL
// is shown as the control's tool tip. Main thread only.
class CHyperLink : public QLabel {
    Q_OBJECT
public:
    using Target = std::function<LRESULT(uint32_t message, WPARAM wParam, LPARAM lParam)>;

    // Style bits.
    static constexpr unsigned kUnderline = 0x01;      // underline the link font
    static constexpr unsigned kUseHover = 0x02;       // hover colour while the pointer is over it
    static constexpr unsigned kSizeToText = 0x04;     // size the control to its text
    static constexpr unsigned kFollowOnPress = 0x08;  // follow on press instead of release
    static constexpr unsigned kNoFocusColour = 0x40;  // never use the focus colour
    static constexpr unsigned kDefaultStyle = 0x15;

    explicit CHyperLink(const QString& text = {}, QWidget* parent = nullptr);
    ~CHyperLink() override;

    // An empty text takes the URL and an empty URL takes the text when the control is shown.
    void SetURL(const QString& url);
    QString GetURL() const { return m_url; }
    // An invalid hover colour means the palette's highlight colour.
    void SetColours(const QColor& link, const QColor& focus, const QColor& visited,
                    const QColor& hover = QColor());
    void SetCursor(const QCursor& cursor);
    // The link font is made from `font`, underlined with kUnderline.
    void SetFont(const QFont& font);
    void SetStyle(unsigned style);
    unsigned GetStyle() const { return m_style; }
    // Notify mode: following sends `message` with `wParam` and lParam 0 to `target` (and emits
    // Notified); without a target only Notified is emitted, for the parent to connect.
    // A non-empty `tip` replaces the tool tip.
    void SetNotify(Target target, uint32_t message, WPARAM wParam, const QString& tip = {});

    // Follows the link now (see class comment). Marks it visited on success; a link the
    // desktop cannot open gives only a beep.
    void Follow();
    // Resizes the control to its text in the link font, keeping the anchor its alignment names.
    void SizeToText();

    bool IsVisited() const { return m_visited; }
    // The colour the text is drawn in right now.
    QColor TextColour() const;

Q_SIGNALS:
    void Notified(uint32_t message, zuvo::WPARAM wParam, zuvo::LPARAM lParam);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Attach();
    void MakeLinkFont(const QFont& base);

    QColor m_linkColour{0, 0, 255};
    QColor m_focusColour{0, 128, 128};
    QColor m_visitedColour{128, 0, 128};
    QColor m_hoverColour{255, 0, 0};
    std::optional<QCursor> m_cursor;
    bool m_focus = false;
    bool m_hover = false;
    bool m_visited = false;
    bool m_notifyMode = false;
    Target m_target;
    uint32_t m_message = 0;
    WPARAM m_wParam = 0;
    unsigned m_style = kDefaultStyle;
    QString m_url;
    QFont m_linkFont;
    bool m_suppressRelease = false;
    bool m_attached = false;
};

}  // namespace zuvo
