#include "platform/message_port.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>

#include <condition_variable>
#include <mutex>

#include "platform/thread_handover.h"

namespace zuvo {

namespace {

const QEvent::Type kPostedMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type kSentMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type kPostedCallEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class PostedMessage : public QEvent {
public:
    PostedMessage(uint32_t message, WPARAM wParam, LPARAM lParam)
        : QEvent(kPostedMessageEvent), m_message(message), m_wParam(wParam), m_lParam(lParam) {}
    ~PostedMessage() override { TakeHandOver(this); }
    uint32_t m_message;
    WPARAM m_wParam;
    LPARAM m_lParam;
};

// Where a sending thread waits for its message's result.
struct SendReply {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    LRESULT result = 0;
};

// A message sent from another thread. Its sender waits until Finish, which the owning thread calls
// once it has handled the message, or the destructor when the port goes first (result 0).
class SentMessage : public QEvent {
public:
    SentMessage(uint32_t message, WPARAM wParam, LPARAM lParam, SendReply& reply)
        : QEvent(kSentMessageEvent),
          m_message(message),
          m_wParam(wParam),
          m_lParam(lParam),
          m_reply(reply) {}
    ~SentMessage() override {
        TakeHandOver(this);
        Finish(0);
    }
    void Finish(LRESULT result) {
        if (m_finished) {
            return;
        }
        m_finished = true;
        // Notified under the lock: the reply lives on the sender's stack, which may go as soon as
        // the sender can take the lock.
        std::lock_guard lock(m_reply.mutex);
        m_reply.result = result;
        m_reply.finished = true;
        m_reply.done.notify_one();
    }
    uint32_t m_message;
    WPARAM m_wParam;
    LPARAM m_lParam;

private:
    SendReply& m_reply;
    bool m_finished = false;
};

class PostedCall : public QEvent {
public:
    explicit PostedCall(std::function<void()> fn) : QEvent(kPostedCallEvent), m_fn(std::move(fn)) {}
    ~PostedCall() override { TakeHandOver(this); }
    std::function<void()> m_fn;
};

// Hands an event of ours to the receiver's queue.
void Post(QObject* receiver, QEvent* event) {
    MarkHandOver(event);
    QCoreApplication::postEvent(receiver, event);
}

}  // namespace

MessagePort::MessagePort(Procedure procedure, QObject* parent)
    : QObject(parent), m_procedure(std::move(procedure)) {}

MessagePort::~MessagePort() = default;

void MessagePort::PostMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
    Post(this, new PostedMessage(message, wParam, lParam));
}

LRESULT MessagePort::SendMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (QThread::currentThread() == thread()) {
        return m_procedure(message, wParam, lParam);
    }
    SendReply reply;
    Post(this, new SentMessage(message, wParam, lParam, reply));
    std::unique_lock lock(reply.mutex);
    reply.done.wait(lock, [&] { return reply.finished; });
    return reply.result;
}

void MessagePort::PostCall(std::function<void()> fn) {
    Post(this, new PostedCall(std::move(fn)));
}

void MessagePort::SetTimer(int id, int milliseconds) {
    QTimer*& timer = m_timers[id];
    if (timer == nullptr) {
        timer = new QTimer(this);  // owned by this port: it cannot outlive it
        connect(timer, &QTimer::timeout, this,
                [this, id] { m_procedure(Wm::Timer, static_cast<WPARAM>(id), 0); });
    }
    timer->start(milliseconds);
}

void MessagePort::KillTimer(int id) {
    auto it = m_timers.find(id);
    if (it != m_timers.end()) {
        it->second->stop();
    }
}

bool MessagePort::IsTimerRunning(int id) const {
    auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive();
}

int MessagePort::TimerInterval(int id) const {
    return IsTimerRunning(id) ? m_timers.at(id)->interval() : -1;
}

bool MessagePort::event(QEvent* event) {
    // Before even its type is read: the event may be one of ours, made on another thread.
    TakeHandOver(event);
    if (event->type() == kPostedMessageEvent) {
        auto* posted = static_cast<PostedMessage*>(event);
        m_procedure(posted->m_message, posted->m_wParam, posted->m_lParam);
        return true;
    }
    if (event->type() == kSentMessageEvent) {
        auto* sent = static_cast<SentMessage*>(event);
        sent->Finish(m_procedure(sent->m_message, sent->m_wParam, sent->m_lParam));
        return true;
    }
    if (event->type() == kPostedCallEvent) {
        auto* call = static_cast<PostedCall*>(event);
        call->m_fn();
        return true;
    }
    return QObject::event(event);
}

}  // namespace zuvo
