#include "platform/screen_saver.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcScreenSaver, "zuvo.screensaver", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

std::unique_ptr<QDBusInterface> Service() {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
        !QDBusConnection::sessionBus().isConnected()) {
        return nullptr;
    }
    return std::make_unique<QDBusInterface>(
        u"org.freedesktop.ScreenSaver"_s, u"/org/freedesktop/ScreenSaver"_s,
        u"org.freedesktop.ScreenSaver"_s, QDBusConnection::sessionBus());
}

}  // namespace

ScreenSaver::~ScreenSaver() {
    Release();
}

void ScreenSaver::Inhibit(const QString& reason) {
    if (m_inhibited) {
        return;
    }
    auto service = Service();
    if (!service || !service->isValid()) {
        qCDebug(lcScreenSaver) << "no screen saver service; nothing to switch off";
        return;
    }
    const QDBusReply<unsigned> reply = service->call(u"Inhibit"_s, u"Zuvo"_s, reason);
    if (reply.isValid()) {
        m_cookie = reply.value();
        m_inhibited = true;
    } else {
        qCDebug(lcScreenSaver) << "inhibit refused:" << reply.error().message();
    }
}

void ScreenSaver::Release() {
    if (!m_inhibited) {
        return;
    }
    m_inhibited = false;
    if (auto service = Service()) {
        service->call(u"UnInhibit"_s, m_cookie);
    }
}

}  // namespace zuvo
