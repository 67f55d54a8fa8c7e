#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <optional>

namespace zuvo {

// Keeps the desktop's screen saver off during a call, through org.freedesktop.ScreenSaver on the
// session bus. Never waits for the desktop: a call must not wait for a busy or hung service.
// Without a session bus or a service it does nothing. Main thread only.
class ScreenSaver {
public:
    // The session bus, connected at the first Inhibit.
    ScreenSaver();
    explicit ScreenSaver(const QDBusConnection& bus);
    ~ScreenSaver();
    ScreenSaver(const ScreenSaver&) = delete;
    ScreenSaver& operator=(const ScreenSaver&) = delete;

    void Inhibit(const QString& reason);
    void Release();

private:
    enum class State { Off, Asking, On };
    void Answered(bool ok, unsigned cookie);
    void GiveBack(unsigned cookie);

    std::optional<QDBusConnection> m_bus;
    // Parent of the question in flight: its answer is dropped with this object.
    QObject m_calls;
    State m_state = State::Off;
    bool m_releaseWhenAnswered = false;
    unsigned m_cookie = 0;
};

}  // namespace zuvo
