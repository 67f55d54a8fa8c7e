#pragma once

#include <QString>

namespace zuvo {

// Keeps the desktop's screen saver off during a call, through org.freedesktop.ScreenSaver on the
// session bus. Without a session bus it does nothing. Main thread only.
class ScreenSaver {
public:
    ~ScreenSaver();
    void Inhibit(const QString& reason);
    void Release();

private:
    unsigned m_cookie = 0;
    bool m_inhibited = false;
};

}  // namespace zuvo
