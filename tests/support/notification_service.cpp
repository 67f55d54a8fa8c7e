#include "tests/support/notification_service.h"

#include <QDBusConnectionInterface>

#include <algorithm>

namespace zuvo::test {

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kName = u"org.freedesktop.Notifications"_s;
const QString kPath = u"/org/freedesktop/Notifications"_s;

}  // namespace

NotificationService::NotificationService(const QString& address, const QString& connectionName)
    : m_connectionName(connectionName),
      m_bus(QDBusConnection::connectToBus(address, connectionName)) {}

NotificationService::~NotificationService() {
    Stop();
    QDBusConnection::disconnectFromBus(m_connectionName);
}

bool NotificationService::Start() {
    return m_bus.isConnected() &&
           m_bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots) &&
           m_bus.registerService(kName);
}

void NotificationService::Stop() {
    if (m_bus.isConnected()) {
        m_bus.unregisterService(kName);
        m_bus.unregisterObject(kPath);
    }
}

int NotificationService::Count(const QString& summary) const {
    return static_cast<int>(std::count_if(m_shown.begin(), m_shown.end(),
                                          [&](const Shown& s) { return s.summary == summary; }));
}

uint NotificationService::Notify(const QString& app, uint replaces, const QString& /*icon*/,
                                 const QString& summary, const QString& body,
                                 const QStringList& /*actions*/, const QVariantMap& hints,
                                 int timeout) {
    m_shown.push_back({app, replaces, summary, body, hints, timeout});
    return replaces != 0 ? replaces : static_cast<uint>(m_shown.size()) + 40;
}

QStringList NotificationService::GetCapabilities() const {
    return {u"body"_s};
}

QString NotificationService::GetServerInformation(QString& vendor, QString& version,
                                                  QString& specVersion) const {
    vendor = u"zuvo tests"_s;
    version = u"1"_s;
    specVersion = u"1.2"_s;
    return u"notification recorder"_s;
}

void NotificationService::CloseNotification(uint /*id*/) {}

}  // namespace zuvo::test
