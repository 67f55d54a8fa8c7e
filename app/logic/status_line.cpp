#include "app/logic/status_line.h"

#include "app/logic/phone_state.h"
#include "contacts/call_time.h"

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

}  // namespace zuvo
