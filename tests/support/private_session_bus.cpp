#include "tests/support/private_session_bus.h"

#include <QFile>

namespace zuvo::test {

using namespace Qt::Literals::StringLiterals;

PrivateSessionBus::PrivateSessionBus() {
    const QString config = m_dir.filePath(u"bus.conf"_s);
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) {
        return;
    }
    file.write(
        u"<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
        "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig><type>session</type><listen>unix:dir=%1</listen>"
        "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
        "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n"_s.arg(m_dir.path())
            .toUtf8());
    file.close();
    m_daemon.start(u"dbus-daemon"_s,
                   {u"--config-file="_s + config, u"--print-address"_s, u"--nofork"_s});
    if (!m_daemon.waitForStarted()) {
        return;
    }
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(10000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

PrivateSessionBus::~PrivateSessionBus() {
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000)) {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
}

}  // namespace zuvo::test
