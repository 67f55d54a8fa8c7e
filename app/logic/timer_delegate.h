#pragma once

namespace zuvo {

// The window's timers by id, as the call logic arms them. Main thread; arming a running timer
// replaces it.
class TimerDelegate {
public:
    virtual ~TimerDelegate() = default;

    virtual void SetTimer(int id, int ms) = 0;
    virtual void KillTimer(int id) = 0;
    virtual bool IsTimerRunning(int id) const = 0;
};

}  // namespace zuvo
