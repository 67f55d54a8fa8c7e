#include "app/core/display_platform.h"

namespace zuvo {

DisplayEnvironment DisplayEnvironment::FromProcess() {
    return {qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"),
            qgetenv("XDG_SESSION_TYPE")};
}

std::optional<QByteArray> ChooseDisplayPlatform(const DisplayEnvironment& environment) {
    if (!environment.qpaPlatform.trimmed().isEmpty()) {
        return std::nullopt;
    }
    const bool wayland =
        !environment.waylandDisplay.isEmpty() || environment.sessionType == "wayland";
    if (wayland && !environment.x11Display.isEmpty()) {
        return QByteArray("xcb");
    }
    return std::nullopt;
}

}  // namespace zuvo
