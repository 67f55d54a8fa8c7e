#pragma once

#include <QByteArray>

#include <optional>

namespace zuvo {

// What the session says about its display, read before the application object exists.
struct DisplayEnvironment {
    QByteArray qpaPlatform;     // QT_QPA_PLATFORM: the user's own choice
    QByteArray waylandDisplay;  // WAYLAND_DISPLAY
    QByteArray x11Display;      // DISPLAY (on a Wayland desktop: its XWayland server)
    QByteArray sessionType;     // XDG_SESSION_TYPE

    static DisplayEnvironment FromProcess();
};

// The Qt platform the phone asks for, or none to let Qt choose. The phone is a frameless window
// shaped like a handset: Qt's Wayland platform gives it no visible shape and no positions, so on
// a Wayland desktop that offers XWayland the phone runs there ("xcb"). Without XWayland it runs
// natively on Wayland. The user's own QT_QPA_PLATFORM is always kept.
std::optional<QByteArray> ChooseDisplayPlatform(const DisplayEnvironment& environment);

}  // namespace zuvo
