#include "contacts/dial_handover.h"

#include "contacts/contacts_log.h"
#include "platform/external_control_protocol.h"
#include "platform/ids.h"
#include "platform/local_bus.h"
#include "platform/profile.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

bool HandNumberToPhone(Profile& profile, const QString& number) {
    const auto phone = LocalBus::FindWindow(ExternalControlProtocol::kPhoneWindowClass);
    if (!phone) {
        qCDebug(lcContacts) << "no phone window to hand" << number << "to";
        return false;
    }
    const Registry::Outcome written = profile.PutString(u"Call History"_s, u"FA"_s, number);
    if (!written.done) {
        qCWarning(lcContacts) << "cannot hand the number to the phone:" << written.error;
        return false;
    }
    // Posted, not sent: the phone window usually lives in this very process and thread.
    const bool dialled = LocalBus::PostMessage(*phone, Msg::DialHandover, 1, 0);
    LocalBus::PostMessage(*phone, LocalBus::kActivateMessage, 0, 0);
    return dialled;
}

}  // namespace zuvo
