#include "app/logic/status_line.h"

#include "app/logic/phone_state.h"
#include "app/strings/string_ids.h"

namespace zuvo {

StatusLine StatusLineOf(const PhoneState& state) {
    if (state.settings.displayTimer && state.clock.running)
        return {0, FormatCallTime(state.clock.elapsed)};
    if (state.connectionState == RTCRS_REGISTERED) {
        if (state.autoDial)
            return {StringId::Calling, {}};
        if (state.muted)
            return {StringId::Mute, {}};
        return {StatusStringId(state.callStatus), {}};
    }
    return {state.signingIn ? StringId::SigningIn : StringId::SignedOut, {}};
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
