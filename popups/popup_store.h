#pragma once

#include <QString>

#include "platform/profile.h"
#include "popups/popup_schedule.h"

namespace zuvo {

// The pop-up messages and the service clock across runs, under the configuration root's
// "Popups" key: "ServerTime" and "Localtime", and one subkey per message with "Expiry",
// "Displayed", "Control", "Freq", "cx" and "cy". Times are stored as unsigned 32-bit numbers
// and read back without a sign, so dates up to 2106 survive. Main thread.
namespace PopupStore {

// Reads the clock and every message in registry order. Subkeys whose name the service could
// not have sent (see IsAcceptablePopupName) are left out.
PopupSchedule Load(const Profile& profile);
// Writes the clock and every record changed since it was loaded or saved.
Registry::Outcome Save(Profile& profile, PopupSchedule& schedule);
// Deletes one message's key (an expired message). Refuses names that would reach another key.
void Forget(Profile& profile, const QString& name);

}  // namespace PopupStore

}  // namespace zuvo
