#include "app/logic/tray_status.h"

#include "app/logic/phone_state.h"
#include "contacts/call_time.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

QString StateText(const PhoneState& state) {
    if (state.connectionState != RTCRS_REGISTERED) {
        return state.signin.signingIn ? u"signing in"_s : u"signed out"_s;
    }
    if (state.call.active) {
        if (state.call.clock.running) {
            return u"in a call with %1 (%2)"_s.arg(state.call.dialledNumber,
                                                   FormatCallTime(state.call.clock.elapsed));
        }
        return u"calling %1"_s.arg(state.call.dialledNumber);
    }
    if (state.call.incomingAnnounced) {
        return state.call.clock.running
                   ? u"in a call (%1)"_s.arg(FormatCallTime(state.call.clock.elapsed))
                   : u"incoming call"_s;
    }
    return u"ready"_s;
}

}  // namespace

QString TrayToolTip(const PhoneState& state, const QString& brand) {
    return brand + u": "_s + StateText(state);
}

}  // namespace zuvo
