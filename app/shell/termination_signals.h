#pragma once

#include <QObject>

#include <functional>

namespace zuvo {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the main thread, so the phone closes the way a
// user closing it would (history saved, SIP unregistered) when the session or a script ends it.
// When the main thread does not take the signal up within a few seconds (stuck in a library
// call), the process ends at once with 128 + the signal's number.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    std::function<void()> m_onSignal;
};

}  // namespace zuvo
