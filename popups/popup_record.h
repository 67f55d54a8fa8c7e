#pragma once

#include <QString>

#include <cstdint>

namespace zuvo {

// One pop-up message of the provider. Times are seconds since 1970, held in 64 bits.
struct PopupRecord {
    QString name;           // page address, also the message's identity and registry key name
    int64_t expiry = 0;     // 23:59:00 of the last day it may be shown (local standard time)
    int64_t displayed = 0;  // service-clock time it was last shown; 0 = never
    int control = 0;        // 1 after a fetch, 2 call button, 3 call end; 0 or less: any
    int freq = 0;           // -1 every time, 0 once only, else at most once per freq minutes
    int cx = 300;           // page area
    int cy = 300;
    bool unsaved = true;  // changed since it was loaded or saved
};

// The service's clock at the last successful fetch and the computer's clock at that moment.
struct PopupClock {
    int64_t serverTime = 0;
    int64_t localTime = 0;
};

}  // namespace zuvo
