#include "platform/message_port.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <QTimer>

namespace zuvo {

namespace {

const QEvent::Type kPostedMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class PostedMessage : public QEvent {
public:
    PostedMessage(uint32_t message, WPARAM wParam, LPARAM lParam)
        : QEvent(kPostedMessageEvent), m_message(message), m_wParam(wParam), m_lParam(lParam) {}
    uint32_t m_message;
    WPARAM m_wParam;
    LPARAM m_lParam;
};

}  // namespace

MessagePort::MessagePort(Procedure procedure, QObject* parent)
    : QObject(parent), m_procedure(std::move(procedure)) {}

MessagePort::~MessagePort() = default;

void MessagePort::PostMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
    QCoreApplication::postEvent(this, new PostedMessage(message, wParam, lParam));
}

LRESULT MessagePort::SendMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (QThread::currentThread() == thread()) {
        return m_procedure(message, wParam, lParam);
    }
    LRESULT result = 0;
    QMetaObject::invokeMethod(
        this, [&] { result = m_procedure(message, wParam, lParam); }, Qt::BlockingQueuedConnection);
    return result;
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
    if (event->type() == kPostedMessageEvent) {
        auto* posted = static_cast<PostedMessage*>(event);
        m_procedure(posted->m_message, posted->m_wParam, posted->m_lParam);
        return true;
    }
    return QObject::event(event);
}

}  // namespace zuvo
