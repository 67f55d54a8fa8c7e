#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <vector>

namespace zuvo::test {

// The notification service as a desktop offers it (org.freedesktop.Notifications), on a bus the
// test names, recording what it is asked to show. Lives on the thread that made it.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        QString app;
        uint replaces = 0;
        QString summary;
        QString body;
        QVariantMap hints;
        int timeout = 0;
    };

    // Connects to the bus at address under connectionName; Start() takes the service's name.
    NotificationService(const QString& address, const QString& connectionName);
    ~NotificationService() override;

    // Owns the well-known name and serves; false when the bus refused.
    bool Start();
    // Gives the name up: the desktop then has no notification service.
    void Stop();

    const std::vector<Shown>& shown() const { return m_shown; }
    // How many notifications with this summary were shown.
    int Count(const QString& summary) const;

public Q_SLOTS:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout);
    QStringList GetCapabilities() const;
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion) const;
    void CloseNotification(uint id);

private:
    QString m_connectionName;
    QDBusConnection m_bus;
    std::vector<Shown> m_shown;
};

}  // namespace zuvo::test
