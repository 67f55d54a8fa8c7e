#include "platform/session_bus.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

QDBusConnection SessionBusOrNone() {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        return QDBusConnection(u"zuvo-no-bus"_s);
    }
    return QDBusConnection::sessionBus();
}

}  // namespace zuvo
