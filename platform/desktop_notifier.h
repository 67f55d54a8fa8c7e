#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <map>

namespace zuvo {

// Desktop notifications through org.freedesktop.Notifications on a D-Bus connection (the
// session bus unless a test gives its own). Calls are asynchronous, so a slow or missing
// notification service never holds the phone; a failure is logged (zuvo.desktop, debug) and
// otherwise ignored. A notification of a kind replaces the one of the same kind shown before.
// Main thread only.
class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject* parent = nullptr);
    DesktopNotifier(const QDBusConnection& bus, QObject* parent);
    ~DesktopNotifier() override;

    // Longest summary and body sent; longer texts are cut.
    static constexpr qsizetype kMaxSummary = 80;
    static constexpr qsizetype kMaxBody = 300;

    // Sends summary and body (plain text: escaped for servers that read markup). urgent asks
    // for critical urgency. False when there is no bus to send on.
    bool Notify(int kind, const QString& summary, const QString& body, bool urgent);

Q_SIGNALS:
    // The server answered a notification with its id, or refused it (id 0).
    void Answered(int kind, uint id);

private:
    QDBusConnection m_bus;
    std::map<int, uint> m_shown;  // kind -> the server's id of the last notification
};

}  // namespace zuvo
