#include "app/logic/status_line.h"

#include "app/logic/phone_state.h"
#include "contacts/call_time.h"

namespace zuvo {

StatusLine StatusLineOf(const PhoneState& state) {
    if (state.settings.displayTimer && state.clock.running)
        return {0, FormatCallTime(state.clock.elapsed)};
    if (state.connectionState == 2) {
        if (state.autoDial)
            return {3018, {}};
        if (state.muted)
            return {3020, {}};
        return {3000 + state.callStatus, {}};
    }
    return {state.signingIn ? 3019 : 3009, {}};
}

}  // namespace zuvo
