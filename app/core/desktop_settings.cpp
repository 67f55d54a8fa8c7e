#include "app/core/desktop_settings.h"

#include "app/core/settings_store.h"
#include "platform/profile.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kSection = u"Desktop"_s;

}  // namespace

DesktopSettings LoadDesktopSettings(const Profile& profile) {
    DesktopSettings s;
    s.startHidden = profile.GetInt(kSection, u"Start Hidden"_s, 0) != 0;
    s.autostart = profile.GetInt(kSection, u"Autostart"_s, 0) != 0;
    s.notifyIncomingCall = profile.GetInt(kSection, u"Notify Incoming Call"_s, 1) != 0;
    s.notifyLowBalance = profile.GetInt(kSection, u"Notify Low Balance"_s, 1) != 0;
    s.dialLinks = DialLinksAtOnce(profile);
    return s;
}

bool SaveDesktopSettings(Profile& profile, const DesktopSettings& settings) {
    bool ok = profile.WriteInt(kSection, u"Start Hidden"_s, settings.startHidden ? 1 : 0);
    ok = profile.WriteInt(kSection, u"Autostart"_s, settings.autostart ? 1 : 0) && ok;
    ok = profile.WriteInt(kSection, u"Notify Incoming Call"_s,
                          settings.notifyIncomingCall ? 1 : 0) &&
         ok;
    ok = profile.WriteInt(kSection, u"Notify Low Balance"_s, settings.notifyLowBalance ? 1 : 0) &&
         ok;
    ok = profile.WriteInt(u"Settings"_s, u"DialLinks"_s, settings.dialLinks ? 1 : 0) && ok;
    return ok;
}

}  // namespace zuvo
