#include <gtest/gtest.h>

#include "app/core/desktop_settings.h"
#include "app/logic/desktop_notices.h"
#include "app/logic/phone_state.h"
#include "app/logic/tray_status.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

TEST(TrayToolTipTest, FollowsSignInAndCall) {
    PhoneState state;
    EXPECT_EQ(TrayToolTip(state, u"Zuvo"_s), u"Zuvo: signed out"_s);
    state.signin.signingIn = true;
    EXPECT_EQ(TrayToolTip(state, u"Zuvo"_s), u"Zuvo: signing in"_s);

    state.signin.signingIn = false;
    state.connectionState = RTCRS_REGISTERED;
    EXPECT_EQ(TrayToolTip(state, u"Zuvo"_s), u"Zuvo: ready"_s);

    state.call.active = true;
    state.call.dialledNumber = u"+442079460000"_s;
    EXPECT_EQ(TrayToolTip(state, u"Zuvo"_s), u"Zuvo: calling +442079460000"_s);
    state.call.clock.running = true;
    state.call.clock.elapsed = 3725;
    EXPECT_EQ(TrayToolTip(state, u"Zuvo"_s), u"Zuvo: in a call with +442079460000 (01:02:05)"_s);
    // The clock shows in the tool tip even when the status line shows no timer.
    state.settings.displayTimer = false;
    EXPECT_EQ(TrayToolTip(state, u"Zuvo"_s), u"Zuvo: in a call with +442079460000 (01:02:05)"_s);

    state.call.active = false;
    state.call.clock.running = false;
    state.call.incomingAnnounced = true;
    EXPECT_EQ(TrayToolTip(state, u"Zuvo"_s), u"Zuvo: incoming call"_s);
    state.call.incomingAnnounced = false;
    EXPECT_EQ(TrayToolTip(state, u"Zuvo"_s), u"Zuvo: ready"_s);

    // Lost registration during a call: the phone is no longer ready to call.
    state.connectionState = RTCRS_NOT_REGISTERED;
    state.call.active = true;
    EXPECT_EQ(TrayToolTip(state, u"Zuvo"_s), u"Zuvo: signed out"_s);
}

TEST(DesktopNoticeTest, IncomingCallOnceAndSwitchable) {
    DesktopSettings on;
    ASSERT_TRUE(DesktopNoticePolicy::IncomingCall(on, false, true));
    EXPECT_EQ(DesktopNoticePolicy::IncomingCall(on, false, true)->kind,
              DesktopNotice::Kind::IncomingCall);
    EXPECT_FALSE(DesktopNoticePolicy::IncomingCall(on, true, true));   // already told
    EXPECT_FALSE(DesktopNoticePolicy::IncomingCall(on, true, false));  // it ended
    EXPECT_FALSE(DesktopNoticePolicy::IncomingCall(on, false, false));
    DesktopSettings off;
    off.notifyIncomingCall = false;
    EXPECT_FALSE(DesktopNoticePolicy::IncomingCall(off, false, true));
}

TEST(DesktopNoticeTest, LowBalanceSwitchableAndAmountCleaned) {
    DesktopSettings on;
    EXPECT_FALSE(DesktopNoticePolicy::Balance(on, false, u"1.00"_s));
    auto notice = DesktopNoticePolicy::Balance(on, true, u"USD 0.42"_s);
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->kind, DesktopNotice::Kind::LowBalance);
    EXPECT_EQ(notice->body, u"Your balance is low: USD 0.42."_s);
    EXPECT_EQ(DesktopNoticePolicy::Balance(on, true, QString())->body, u"Your balance is low."_s);
    // Control characters and line breaks from the service do not reach the desktop; length is
    // bounded.
    notice = DesktopNoticePolicy::Balance(on, true, u"0.1\n\u0007\u001b[2J"_s + QString(500, u'9'));
    ASSERT_TRUE(notice);
    EXPECT_FALSE(notice->body.contains(u'\n'));
    EXPECT_FALSE(notice->body.contains(QChar(0x1b)));
    EXPECT_LE(notice->body.size(), 64);
    DesktopSettings off;
    off.notifyLowBalance = false;
    EXPECT_FALSE(DesktopNoticePolicy::Balance(off, true, u"0.1"_s));
}

TEST(DesktopSettingsTest, DefaultsAndRoundTrip) {
    test::TestEnvironment env;
    Registry hive(env.path(u"user.db"_s));
    Profile profile(hive, Profile::PhoneRoot());
    const DesktopSettings defaults = LoadDesktopSettings(profile);
    EXPECT_FALSE(defaults.startHidden);
    EXPECT_FALSE(defaults.autostart);
    EXPECT_TRUE(defaults.notifyIncomingCall);
    EXPECT_TRUE(defaults.notifyLowBalance);
    const DesktopSettings changed{true, true, false, false};
    ASSERT_TRUE(SaveDesktopSettings(profile, changed));
    EXPECT_EQ(LoadDesktopSettings(profile), changed);
    EXPECT_EQ(profile.GetInt(u"Desktop"_s, u"Start Hidden"_s, -1), 1);
}
