#include "contacts/call_time.h"

namespace zuvo {

QString FormatCallTime(int64_t seconds) {
    if (seconds < 0)
        seconds = 0;
    const int64_t h = (seconds / 3600) % 24;
    const int64_t m = (seconds / 60) % 60;
    const int64_t s = seconds % 60;
    return QString::asprintf("%02d:%02d:%02d", static_cast<int>(h), static_cast<int>(m),
                             static_cast<int>(s));
}

}  // namespace zuvo
