#include "skin/skin_button.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "skin/make_region.h"
#include "skin/skin_accessibility.h"
#include "skin/skin_assets.h"

namespace zuvo {

CSkinButton::CSkinButton(int controlId, QWidget* parent) : QWidget(parent), m_controlId(controlId) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the face covers every visible pixel
    // The owner window keeps the keyboard; a click must not steal it, but Tab may bring it here.
    setFocusPolicy(Qt::TabFocus);
    InstallSkinAccessibility();
    m_repeatTimer.setSingleShot(true);
    connect(&m_repeatTimer, &QTimer::timeout, this, &CSkinButton::OnRepeat);
}

CSkinButton::~CSkinButton() = default;

bool CSkinButton::Create(SkinModule module, const QString& bitmap, int cursorId,
                         int repeatTimerId) {
    m_repeatTimerId = repeatTimerId;
    if (cursorId != 0) {
        if (auto cursor = LoadSkinCursor(cursorId)) {
            setCursor(*cursor);
        }
    }
    if (!m_face.Load(module, bitmap)) {
        m_region = QRegion();
        return false;
    }
    m_width = m_face.GetSize().width();
    m_stateHeight = m_face.GetSize().height() / 2;
    resize(m_width, m_stateHeight);
    // The region of the whole face; the button is one state high, so the upper shape applies.
    m_region = MakeRegion(m_face);
    SetWindowRegion(*this, m_region.intersected(QRect(0, 0, m_width, m_stateHeight)));
    update();
    return true;
}

bool CSkinButton::SetDisabledFace(SkinModule module, const QString& bitmap) {
    const bool loaded = m_disabledFace.Load(module, bitmap);
    update();
    return loaded;
}

bool CSkinButton::IsShownPressed() const {
    return m_shownPressed || (m_mouseDown && rect().contains(m_lastMouse));
}

void CSkinButton::SetShownPressed(bool pressed) {
    if (m_shownPressed != pressed) {
        m_shownPressed = pressed;
        update();
    }
}

void CSkinButton::paintEvent(QPaintEvent*) {
    if (!m_face.IsLoaded()) {
        return;
    }
    QPainter painter(this);
    painter.setClipRegion(m_region);
    const QRect target(0, 0, m_width, m_stateHeight);
    if (IsShownPressed()) {
        m_face.Draw(painter, target, QRect(0, m_stateHeight, m_width, m_stateHeight));
    } else {
        const bool useDisabled = !isEnabled() && !hasFocus() && m_disabledFace.IsLoaded();
        (useDisabled ? m_disabledFace : m_face)
            .Draw(painter, target, QRect(0, 0, m_width, m_stateHeight));
    }
    if (hasFocus()) {
        // Where the keyboard is: a dotted frame inside the face.
        QPen pen(Qt::white, 1, Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(target.adjusted(2, 2, -3, -3));
    }
}

void CSkinButton::Click() {
    m_lastMouse = rect().center();
    if (m_repeatTimerId != 0 || !m_latched) {
        Notify(Msg::ButtonPressed);
    }
    m_releaseAfterPress = m_pressNotified;
    m_pressNotified = false;
    Notify(Msg::ButtonReleased);
    m_releaseAfterPress = false;
    m_latched = false;
}

void CSkinButton::Notify(uint32_t code) {
    if (code == Msg::ButtonPressed) {
        m_pressNotified = true;
    }
    const WPARAM wParam =
        static_cast<WPARAM>(m_controlId & 0xFFFF) | (static_cast<WPARAM>(code) << 16);
    const LPARAM lParam = reinterpret_cast<LPARAM>(this);
    if (m_target) {
        m_target(Wm::Command, wParam, lParam);
    }
    Q_EMIT Command(wParam, lParam);
}

void CSkinButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_lastMouse = event->position().toPoint();
    m_mouseDown = true;
    update();
    // A latched button stays quiet until it is released: one press per click.
    if (m_repeatTimerId != 0 || !m_latched) {
        Notify(Msg::ButtonPressed);
    }
    if (m_repeatTimerId != 0) {
        m_repeatTimer.start(kFirstRepeatMs);
    } else {
        m_latched = true;
    }
}

void CSkinButton::OnRepeat() {
    m_repeatTimer.start(kRepeatMs);
    if (rect().contains(m_lastMouse)) {
        Notify(Msg::ButtonPressed);
    }
}

void CSkinButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_lastMouse = event->position().toPoint();
    m_mouseDown = false;
    m_repeatTimer.stop();
    update();
    m_releaseAfterPress = m_pressNotified;
    m_pressNotified = false;
    Notify(Msg::ButtonReleased);
    m_releaseAfterPress = false;
    m_latched = false;
}

void CSkinButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    // The second press of a double click: only repeating buttons report it as a press.
    m_lastMouse = event->position().toPoint();
    m_mouseDown = true;
    update();
    if (m_repeatTimerId != 0) {
        Notify(Msg::ButtonPressed);
    }
}

void CSkinButton::mouseMoveEvent(QMouseEvent* event) {
    const bool wasShownPressed = IsShownPressed();
    m_lastMouse = event->position().toPoint();
    if (wasShownPressed != IsShownPressed()) {
        update();
    }
}

// Characters and key releases belong to the owner window: leaving them unaccepted lets Qt pass
// them on to the parent with their repeat count and modifiers intact.
void CSkinButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        if (!event->isAutoRepeat()) {
            Click();
        }
        return;
    }
    event->ignore();
}

void CSkinButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        return;
    }
    event->ignore();
}

}  // namespace zuvo
