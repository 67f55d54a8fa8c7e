#pragma once

#include <QDBusConnection>

namespace zuvo {

// The desktop's session bus, or a connection that is not connected when the environment names
// none: without an address, libdbus would try to launch a bus of its own for the phone.
QDBusConnection SessionBusOrNone();

}  // namespace zuvo
