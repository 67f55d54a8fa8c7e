#include "telephony/engine_bring_up.h"

#include <new>

#include "platform/registry.h"
#include "telephony/telephony_module.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

void DisableRtcPortRangePolicy(Registry& machine, Registry& user) {
    const QString machineKey = QString::fromUtf16(kPortRangePolicyKey);
    if (machine.KeyExists(machineKey)) {
        machine.WriteDword(machineKey, u"Enabled"_s, 0);
    }
    const QString userKey = QString::fromUtf16(kPortRangeVirtualStoreKey);
    if (user.KeyExists(userKey)) {
        user.WriteDword(userKey, u"Enabled"_s, 0);
    }
}

std::unique_ptr<CRtcEngine> BringUpRtcEngine(RtcNotifyWindow* window, Registry& machine,
                                             Registry& user, std::unique_ptr<CRtcEngine> engine) {
    DisableRtcPortRangePolicy(machine, user);
    if (engine == nullptr) {
        return nullptr;
    }
    engine->Start(window);
    engine->SetClientName(QString::asprintf("%d.%s", 585, "600.002"));
    return engine;
}

std::unique_ptr<CRtcEngine> BringUpRtcEngine(RtcNotifyWindow* window,
                                             const TelephonyModule& module) {
    std::unique_ptr<CRtcEngine> engine(new (std::nothrow)
                                           CRtcEngine([&module] { return module.NewSipClient(); }));
    return BringUpRtcEngine(window, Registry::LocalMachine(), Registry::CurrentUser(),
                            std::move(engine));
}

}  // namespace zuvo
