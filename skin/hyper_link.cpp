#include "skin/hyper_link.h"

#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace zuvo {

CHyperLink::CHyperLink(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
}

CHyperLink::~CHyperLink() = default;

bool CHyperLink::event(QEvent* event) {
    // Controls made from a dialog description get their text after construction: attach
    // before the first show.
    if (event->type() == QEvent::Polish && !m_attached) {
        Attach();
    }
    return QLabel::event(event);
}

void CHyperLink::Attach() {
    m_attached = true;
    if (m_url.isEmpty()) {
        m_url = text();
    }
    if (text().isEmpty()) {
        setText(m_url);
    }
    MakeLinkFont(font());
    if (toolTip().isEmpty()) {
        setToolTip(m_url);
    }
    SizeToText();
}

void CHyperLink::MakeLinkFont(const QFont& base) {
    m_linkFont = base;
    m_linkFont.setUnderline((m_style & kUnderline) != 0);
    QLabel::setFont(m_linkFont);
}

void CHyperLink::SetURL(const QString& url) {
    m_url = url;
    if (m_attached) {
        setToolTip(m_url);
        SizeToText();
    }
}

void CHyperLink::SetColours(const QColor& link, const QColor& focus, const QColor& visited,
                            const QColor& hover) {
    m_linkColour = link;
    m_focusColour = focus;
    m_visitedColour = visited;
    m_hoverColour = hover;
    update();
}

void CHyperLink::SetCursor(const QCursor& cursor) {
    m_cursor = cursor;
    setCursor(cursor);
}

void CHyperLink::SetFont(const QFont& font) {
    MakeLinkFont(font);
    SizeToText();
    update();
}

void CHyperLink::SetStyle(unsigned style) {
    m_style = style;
    MakeLinkFont(m_linkFont);
    SizeToText();
    update();
}

void CHyperLink::SetNotify(Target target, uint32_t message, WPARAM wParam, const QString& tip) {
    m_notifyMode = true;
    m_target = std::move(target);
    m_message = message;
    m_wParam = wParam;
    if (m_url.isEmpty()) {
        m_url = text();
    }
    const bool wasVisible = isVisible();
    hide();
    SizeToText();
    if (!tip.isEmpty()) {
        setToolTip(tip);
    }
    if (wasVisible) {
        show();
    }
}

void CHyperLink::SizeToText() {
    if ((m_style & kSizeToText) == 0) {
        return;
    }
    const QFontMetrics metrics(m_linkFont);
    const QMargins margins = contentsMargins();
    const QSize textSize = metrics.size(Qt::TextSingleLine, text());
    const QSize wanted(textSize.width() + margins.left() + margins.right(),
                       textSize.height() + margins.top() + margins.bottom());
    const QRect old = geometry();
    QRect next(old.topLeft(), wanted);
    const Qt::Alignment align = alignment();
    if (align & Qt::AlignVCenter) {
        next.moveTop(old.top() + (old.height() - wanted.height()) / 2);
    }
    if (align & Qt::AlignHCenter) {
        next.moveLeft(old.left() + (old.width() - wanted.width()) / 2);
    } else if (align & Qt::AlignRight) {
        next.moveRight(old.right());
    }
    if (next != old) {
        setGeometry(next);
    }
}

QColor CHyperLink::TextColour() const {
    if (m_hover && (m_style & kUseHover)) {
        return m_hoverColour.isValid() ? m_hoverColour : palette().color(QPalette::Highlight);
    }
    if ((m_style & kNoFocusColour) || !m_focus) {
        return m_visited ? m_visitedColour : m_linkColour;
    }
    return m_focusColour;
}

void CHyperLink::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(m_linkFont);
    painter.setPen(TextColour());
    painter.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine, text());
}

void CHyperLink::Follow() {
    if (m_notifyMode) {
        if (m_target) {
            m_target(m_message, m_wParam, 0);
        }
        Q_EMIT Notified(m_message, m_wParam, 0);
        m_visited = true;
        update();
        return;
    }
    // The prefix is added even to a URL that already names a scheme.
    const QUrl url(QStringLiteral("http://") + m_url, QUrl::TolerantMode);
    if (url.isValid() && QDesktopServices::openUrl(url)) {
        m_visited = true;
        update();
    } else {
        QApplication::beep();
    }
}

void CHyperLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    if (m_style & kFollowOnPress) {
        Follow();
    }
    m_focus = true;
    setFocus(Qt::MouseFocusReason);
    update();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    if (m_suppressRelease) {
        m_suppressRelease = false;
    } else if (m_focus && !(m_style & kFollowOnPress)) {
        Follow();
    }
}

void CHyperLink::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QLabel::mouseDoubleClickEvent(event);
        return;
    }
    // The first click of the pair has followed already.
    m_suppressRelease = true;
}

void CHyperLink::enterEvent(QEnterEvent* event) {
    m_hover = true;
    update();
    QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event) {
    m_hover = false;
    update();
    QLabel::leaveEvent(event);
}

void CHyperLink::focusInEvent(QFocusEvent* event) {
    m_focus = true;
    update();
    QLabel::focusInEvent(event);
}

void CHyperLink::focusOutEvent(QFocusEvent* event) {
    m_hover = false;
    m_focus = false;
    update();
    QLabel::focusOutEvent(event);
}

void CHyperLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        Follow();
        return;
    }
    QLabel::keyPressEvent(event);
}

}  // namespace zuvo
