#pragma once

#include <memory>

#include "telephony/rtc_engine.h"

namespace zuvo {

class Registry;
class TelephonyModule;

inline constexpr char16_t kPortRangePolicyKey[] =
    u"Software\\Policies\\Microsoft\\Windows\\RTC\\PortRange";
inline constexpr char16_t kPortRangeVirtualStoreKey[] =
    u"software\\Classes\\VirtualStore\\Machine\\Software\\Policies\\Microsoft\\Windows\\RTC\\"
    u"PortRange";

// Turns the RTC port-range policy off: writes "Enabled" = 0 into the machine key and the
// user's virtual-store copy, each only where that key already exists.
void DisableRtcPortRangePolicy(Registry& machine, Registry& user);

// Brings the engine up for the main window: port-range policy off (process hives), a new
// engine on the module's SIP client started with the window, and the client name "585.600.002".
// Returns the engine (null only when it could not be allocated). The module must outlive it.
std::unique_ptr<CRtcEngine> BringUpRtcEngine(RtcNotifyWindow* window,
                                             const TelephonyModule& module);
// The same over given hives and a given engine (tests).
std::unique_ptr<CRtcEngine> BringUpRtcEngine(RtcNotifyWindow* window, Registry& machine,
                                             Registry& user, std::unique_ptr<CRtcEngine> engine);

}  // namespace zuvo
