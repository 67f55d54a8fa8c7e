#pragma once

#include <QObject>

#include <functional>
#include <map>
#include <optional>
#include <span>

#include "platform/ids.h"

class QTimer;

namespace zuvo {

// A window's message queue and numbered timers on Qt: posted messages are queued events, sent
// messages are direct calls on the owning thread, window timers keep their ids and repeat until
// killed. Every message, timer expiry included (Wm::Timer, wParam = id), reaches one procedure.
class MessagePort : public QObject {
    Q_OBJECT
public:
    using Procedure = std::function<LRESULT(uint32_t message, WPARAM wParam, LPARAM lParam)>;

    explicit MessagePort(Procedure procedure, QObject* parent = nullptr);
    ~MessagePort() override;

    // Queues the message; safe from any thread. Dropped if the port is gone before it runs.
    void PostMessage(uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Runs the procedure on the owning thread and returns its result; from another thread it
    // blocks until the owning thread has handled the message (0 when the port goes first).
    LRESULT SendMessage(uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Queues fn to run on the owning thread; safe from any thread. Dropped (destroyed unrun) if the
    // port is gone before it runs.
    void PostCall(std::function<void()> fn);

    // Owning thread only. Re-arming an id replaces its interval and restarts it.
    void SetTimer(int id, int milliseconds);
    void KillTimer(int id);
    bool IsTimerRunning(int id) const;
    int TimerInterval(int id) const;  // -1 when not running

protected:
    bool event(QEvent* event) override;

private:
    Procedure m_procedure;
    std::map<int, QTimer*> m_timers;
};

// One entry of a window class's message table: a message, or a range of command ids carried by
// Wm::Command, mapped to a member handler that receives the message's wParam and lParam.
template <class T>
struct MessageMapEntry {
    uint32_t message;
    int firstCommand;
    int lastCommand;
    LRESULT (T::*handler)(WPARAM, LPARAM);
};

template <class T>
constexpr MessageMapEntry<T> OnMessage(uint32_t message, LRESULT (T::*handler)(WPARAM, LPARAM)) {
    return {message, 0, -1, handler};
}

template <class T>
constexpr MessageMapEntry<T> OnCommand(int id, LRESULT (T::*handler)(WPARAM, LPARAM)) {
    return {Wm::Command, id, id, handler};
}

template <class T>
constexpr MessageMapEntry<T> OnCommandRange(int first, int last,
                                            LRESULT (T::*handler)(WPARAM, LPARAM)) {
    return {Wm::Command, first, last, handler};
}

// Looks the message up in the table; nullopt when no entry handles it.
template <class T>
std::optional<LRESULT> DispatchMessage(T& window, std::span<const MessageMapEntry<T>> table,
                                       uint32_t message, WPARAM wParam, LPARAM lParam) {
    for (const auto& entry : table) {
        if (entry.message != message) {
            continue;
        }
        // Entries made with OnMessage (lastCommand -1) take every command.
        if (message == Wm::Command && entry.lastCommand >= 0) {
            const int id = LoWord(wParam);
            if (id < entry.firstCommand || id > entry.lastCommand) {
                continue;
            }
        }
        return (window.*entry.handler)(wParam, lParam);
    }
    return std::nullopt;
}

}  // namespace zuvo
