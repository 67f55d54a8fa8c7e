#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace zuvo::test {

// A D-Bus session bus of the test's own (dbus-daemon on a socket in a temporary folder), with no
// service folders, so nothing is started on demand; stopped with the object.
class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // The bus address for DBUS_SESSION_BUS_ADDRESS; empty when the daemon did not start.
    QString address() const { return m_address; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

}  // namespace zuvo::test
