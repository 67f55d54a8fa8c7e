#include "app/ui/window_placement.h"

#include <QGuiApplication>

namespace zuvo {

bool PlatformAllowsPositions() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace zuvo
