#include "platform/desktop_notifier.h"

#include "platform/session_bus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>
#include <QVariantMap>

Q_DECLARE_LOGGING_CATEGORY(lcDesktop)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

DesktopNotifier::DesktopNotifier(QObject* parent) : DesktopNotifier(SessionBusOrNone(), parent) {}

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus) {}

DesktopNotifier::~DesktopNotifier() = default;

bool DesktopNotifier::Notify(int kind, const QString& summary, const QString& body, bool urgent) {
    if (!m_bus.isConnected()) {
        qCDebug(lcDesktop) << "no session bus; notification not shown:" << summary;
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        u"org.freedesktop.Notifications"_s, u"/org/freedesktop/Notifications"_s,
        u"org.freedesktop.Notifications"_s, u"Notify"_s);
    QVariantMap hints;
    hints.insert(u"desktop-entry"_s, u"zuvo"_s);
    hints.insert(u"urgency"_s, QVariant::fromValue(static_cast<uchar>(urgent ? 2 : 1)));
    const auto previous = m_shown.find(kind);
    call << u"Zuvo"_s << (previous == m_shown.end() ? 0u : previous->second) << u"zuvo"_s
         << summary.left(kMaxSummary) << body.left(kMaxBody).toHtmlEscaped() << QStringList()
         << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, kind](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<uint> reply = *finished;
                if (reply.isError()) {
                    qCDebug(lcDesktop) << "notification not shown:" << reply.error().name()
                                       << reply.error().message();
                    Q_EMIT Answered(kind, 0);
                    return;
                }
                m_shown[kind] = reply.value();
                Q_EMIT Answered(kind, reply.value());
            });
    return true;
}

}  // namespace zuvo
