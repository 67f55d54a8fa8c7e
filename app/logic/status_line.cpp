#include "app/logic/status_line.h"

#include "app/logic/phone_state.h"

namespace zuvo {

StatusLine StatusLineOf(const PhoneState& state) {
    if (state.settings.displayTimer && state.call.clock.running)
        return {0, FormatCallTime(state.call.clock.elapsed)};
    if (state.connectionState == 2) {
        if (state.call.autoDial)
            return {3018, {}};
        if (state.call.muted)
            return {3020, {}};
        return {3000 + state.callStatus, {}};
    }
    return {state.signin.signingIn ? 3019 : 3009, {}};
}

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
