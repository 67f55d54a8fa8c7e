#pragma once

#include <QPoint>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <functional>

#include "platform/ids.h"
#include "skin/dib.h"

namespace zuvo {

// A push button drawn from a bitmap that holds the normal face above the pressed face, shaped
// by the bitmap's non-magenta pixels. It tells its owner about presses and releases as
// WM_COMMAND-like notifications: wParam = control id | code << 16 (code Msg::ButtonPressed
// 0x402 or Msg::ButtonReleased 0x403), lParam = the button's address. Notifications are
// delivered synchronously, to the target procedure when one is set and always as the Command
// signal. The keyboard reaches it with Tab (a click leaves the keyboard with the owner) and
// Space clicks it; other keys typed on the button go on to the parent widget. Main thread only.
class CSkinButton : public QWidget {
    Q_OBJECT
public:
    using Target = std::function<LRESULT(uint32_t message, WPARAM wParam, LPARAM lParam)>;

    // The auto-repeat delays: first repeat, then every following one while held.
    static constexpr int kFirstRepeatMs = 300;
    static constexpr int kRepeatMs = 50;

    CSkinButton(int controlId, QWidget* parent);
    ~CSkinButton() override;

    // Loads the face, takes its width and half its height as the button's size, loads cursor
    // resource `cursorId` (0 = none) and shapes the button. `repeatTimerId` non-zero makes the
    // button auto-repeat while held. Returns false when the face cannot be loaded (the button
    // then draws nothing).
    bool Create(SkinModule module, const QString& bitmap, int cursorId = 0, int repeatTimerId = 0);
    // Optional face shown (upper half) while disabled and not focused.
    bool SetDisabledFace(SkinModule module, const QString& bitmap);
    // Where notifications go besides the Command signal (e.g. the owner's SendMessage).
    void SetTarget(Target target) { m_target = std::move(target); }

    int ControlId() const { return m_controlId; }
    // True while the mouse holds the button down over it, or the owner shows it pressed.
    bool IsShownPressed() const;
    // Shows the pressed face without any notification (a keyboard key standing in for a click).
    void SetShownPressed(bool pressed);
    // True when the last mouse position (at release: where the button was let go) is on it.
    bool PointerInside() const { return rect().contains(m_lastMouse); }
    // Asked while the released notification is delivered: true when this release completes a
    // click, that is it follows a pressed notification and the pointer is on the button. The
    // release that ends a double click follows no pressed notification, so a double click
    // completes one click, not two.
    bool ReleaseCompletesClick() const { return m_releaseAfterPress && PointerInside(); }
    // A click without the mouse (Space on the focused button, or assistive technology's press
    // action): the pressed and released notifications of a mouse click on the button's middle.
    void Click();

Q_SIGNALS:
    void Command(zuvo::WPARAM wParam, zuvo::LPARAM lParam);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Notify(uint32_t code);
    void OnRepeat();

    CDib m_face;
    CDib m_disabledFace;
    int m_width = 0;
    int m_stateHeight = 0;
    bool m_latched = false;
    bool m_pressNotified = false;      // a pressed notification since the last release
    bool m_releaseAfterPress = false;  // the release being notified follows one
    QRegion m_region;
    int m_controlId = 0;
    int m_repeatTimerId = 0;
    QTimer m_repeatTimer;
    QPoint m_lastMouse{-1, -1};
    bool m_mouseDown = false;
    bool m_shownPressed = false;
    Target m_target;
};

}  // namespace zuvo
