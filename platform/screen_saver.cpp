#include "platform/screen_saver.h"

#include "platform/session_bus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcScreenSaver, "zuvo.screensaver", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

QDBusMessage ScreenSaverCall(const QString& method) {
    return QDBusMessage::createMethodCall(u"org.freedesktop.ScreenSaver"_s,
                                          u"/org/freedesktop/ScreenSaver"_s,
                                          u"org.freedesktop.ScreenSaver"_s, method);
}

}  // namespace

ScreenSaver::ScreenSaver() = default;

ScreenSaver::ScreenSaver(const QDBusConnection& bus) : m_bus(bus) {}

ScreenSaver::~ScreenSaver() {
    // A question still in flight is dropped; the desktop ends what it granted when the phone
    // leaves the bus.
    Release();
}

void ScreenSaver::Inhibit(const QString& reason) {
    if (m_state != State::Off) {
        m_releaseWhenAnswered = false;
        return;
    }
    if (!m_bus) {
        m_bus = SessionBusOrNone();
    }
    if (!m_bus->isConnected()) {
        qCDebug(lcScreenSaver) << "no session bus; nothing to switch off";
        return;
    }
    QDBusMessage call = ScreenSaverCall(u"Inhibit"_s);
    call << u"Zuvo"_s << reason;
    m_state = State::Asking;
    auto* watcher = new QDBusPendingCallWatcher(m_bus->asyncCall(call), &m_calls);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &m_calls,
                     [this](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         const QDBusPendingReply<unsigned> reply = *finished;
                         if (reply.isError()) {
                             qCDebug(lcScreenSaver) << "inhibit refused:" << reply.error().name()
                                                    << reply.error().message();
                         }
                         Answered(!reply.isError(), reply.isError() ? 0 : reply.value());
                     });
}

void ScreenSaver::Release() {
    if (m_state == State::Asking) {
        m_releaseWhenAnswered = true;
        return;
    }
    if (m_state == State::On) {
        m_state = State::Off;
        GiveBack(m_cookie);
    }
}

void ScreenSaver::Answered(bool ok, unsigned cookie) {
    const bool release = m_releaseWhenAnswered;
    m_releaseWhenAnswered = false;
    m_state = ok && !release ? State::On : State::Off;
    m_cookie = cookie;
    if (ok && release) {
        GiveBack(cookie);
    }
}

void ScreenSaver::GiveBack(unsigned cookie) {
    QDBusMessage call = ScreenSaverCall(u"UnInhibit"_s);
    call << cookie;
    call.setAutoStartService(false);
    // Its answer is of no use: sent without waiting for one.
    m_bus->send(call);
}

}  // namespace zuvo
