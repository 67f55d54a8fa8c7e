#include "app/logic/status_line.h"

#include "app/logic/phone_state.h"
#include "app/strings/string_ids.h"
#include "contacts/call_time.h"

namespace zuvo {

StatusLine StatusLineOf(const PhoneState& state) {
    if (state.settings.displayTimer && state.call.clock.running)
        return {0, FormatCallTime(state.call.clock.elapsed)};
    if (state.connectionState == RTCRS_REGISTERED) {
        if (state.call.autoDial)
            return {StringId::Calling, {}};
        if (state.call.muted)
            return {StringId::Mute, {}};
        return {StatusStringId(state.callStatus), {}};
    }
    return {state.signin.signingIn ? StringId::SigningIn : StringId::SignedOut, {}};
}

}  // namespace zuvo
