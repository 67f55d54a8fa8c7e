#include <gtest/gtest.h>

#include "app/logic/status_line.h"
#include "logic_fakes.h"

namespace zuvo::test {
namespace {

using namespace Qt::Literals::StringLiterals;

class CallStateMachineTest : public ::testing::Test {
protected:
    PhoneRig rig;

    void ThreeServers() {
        rig.state.signin.configurationReceived = true;
        rig.state.account.number = u"1234"_s;
        rig.state.service.sipDomain = u"sip.zuvo.test"_s;
        rig.state.servers.entries = {{u"127.0.0.1:5060"_s, u"UDP"_s, u"a"_s},
                                     {u"127.0.0.2:5060"_s, u"TCP"_s, u"b"_s},
                                     {u"127.0.0.3:5061"_s, u"TLS"_s, u"c"_s}};
    }
    // Rejection at the current server; returns the retry delay armed.
    int Reject() {
        rig.Registration(RTCRS_REJECTED, SipStatus(403, true));
        EXPECT_TRUE(rig.delegate.timers.contains(Timer::Registration));
        const int delay = rig.delegate.timers.value(Timer::Registration);
        rig.Fire(Timer::Registration);
        return delay;
    }
};

TEST_F(CallStateMachineTest, RejectingServersAreWalkedQuicklyThenAfterAPause) {
    ThreeServers();
    rig.delegate.timers[Timer::RegisterNow] = 100;
    rig.Fire(Timer::RegisterNow);
    ASSERT_EQ(rig.engine.registrations.size(), 1);
    EXPECT_EQ(rig.engine.registrations[0].uri, u"sip:1234_Z@sip.zuvo.test"_s);
    EXPECT_EQ(rig.engine.registrations[0].address, u"127.0.0.1:5060"_s);
    EXPECT_FALSE(rig.delegate.timers.contains(Timer::RegisterNow));

    EXPECT_EQ(Reject(), 10);
    EXPECT_EQ(Reject(), 10);
    EXPECT_EQ(Reject(), 10000);  // back at entry 0, the last good one
    EXPECT_EQ(Reject(), 10);
    QStringList addresses;
    for (const auto& r : rig.engine.registrations)
        addresses << r.address;
    EXPECT_EQ(addresses, (QStringList{u"127.0.0.1:5060"_s, u"127.0.0.2:5060"_s, u"127.0.0.3:5061"_s,
                                      u"127.0.0.1:5060"_s, u"127.0.0.2:5060"_s}));
    EXPECT_EQ(rig.engine.registrations[2].transport, u"TLS"_s);
    EXPECT_EQ(rig.engine.unregisters, 4);  // each retry drops the old profile first
    EXPECT_EQ(rig.state.callStatus, CallStatus::SignedOut);
    EXPECT_EQ(StatusLineOf(rig.state).stringId, 3009);
}

TEST_F(CallStateMachineTest, LastGoodServerIsWhereTheLongPauseHappens) {
    ThreeServers();
    rig.machine.RegisterNow();
    EXPECT_EQ(Reject(), 10);             // 0 failed, now 1
    rig.Registration(RTCRS_REGISTERED);  // 1 accepted
    EXPECT_EQ(rig.state.servers.lastGood, 1);
    EXPECT_EQ(rig.state.connectionState, RTCRS_REGISTERED);
    EXPECT_EQ(rig.delegate.indicator, PhoneDelegate::Indicator::Lit);
    EXPECT_EQ(Reject(), 10);     // 1 failed, now 2
    EXPECT_EQ(Reject(), 10);     // now 0
    EXPECT_EQ(Reject(), 10000);  // now 1 again
}

TEST_F(CallStateMachineTest, RefusedRegisterRetriesTheSameServerAfterTenSeconds) {
    ThreeServers();
    rig.engine.registerResult = S_FALSE;
    rig.machine.RegisterNow();
    EXPECT_EQ(rig.delegate.timers.value(Timer::Registration), 10000);
    rig.engine.registerResult = S_OK;
    rig.Fire(Timer::Registration);
    ASSERT_EQ(rig.engine.registrations.size(), 2);
    EXPECT_EQ(rig.engine.registrations[1].address, rig.engine.registrations[0].address);
    EXPECT_FALSE(rig.state.signin.registrationTimerRunning);
}

TEST_F(CallStateMachineTest, TimersBeforeConfigurationAreKilledWithoutAction) {
    rig.state.call.autoDial = true;
    rig.state.display.numberLine = u"123"_s;
    rig.delegate.timers[Timer::AutoDial] = 3000;
    rig.delegate.timers[Timer::RegisterNow] = 100;
    rig.Fire(Timer::AutoDial);
    rig.Fire(Timer::RegisterNow);
    EXPECT_TRUE(rig.delegate.timers.isEmpty());
    EXPECT_TRUE(rig.state.call.autoDial);
    EXPECT_TRUE(rig.engine.registrations.isEmpty());
    EXPECT_TRUE(rig.engine.calls.isEmpty());

    // Configured but no server list yet: timer 8 keeps running.
    rig.state.signin.configurationReceived = true;
    rig.delegate.timers[Timer::RegisterNow] = 100;
    rig.Fire(Timer::RegisterNow);
    EXPECT_TRUE(rig.delegate.timers.contains(Timer::RegisterNow));
}

TEST_F(CallStateMachineTest, RegisteredStartsServiceStepsAndAutoDial) {
    rig.state.call.autoDial = true;
    rig.state.service.popupsAvailable = true;
    rig.Registration(RTCRS_REGISTERED);
    EXPECT_EQ(rig.state.callStatus, CallStatus::ReadyToCall);
    EXPECT_EQ(rig.delegate.Count(u"key"_s), 1);
    EXPECT_EQ(rig.delegate.Count(u"balance-cp"_s), 1);
    EXPECT_EQ(rig.delegate.timers.value(Timer::AutoDial), 3000);
    EXPECT_EQ(rig.delegate.timers.value(Timer::PopupPoll), 7200000);
    EXPECT_EQ(rig.delegate.Count(u"popup-fetch"_s), 1);
    EXPECT_EQ(StatusLineOf(rig.state).stringId, 3018);  // "Calling..."

    rig.Registration(RTCRS_REGISTERING);
    EXPECT_EQ(rig.delegate.indicator, PhoneDelegate::Indicator::Blinking);
    EXPECT_EQ(rig.state.callStatus, CallStatus::SigningIn);
    rig.state.signin.signingIn = true;
    rig.Registration(RTCRS_UNREGISTERING);
    EXPECT_EQ(rig.state.callStatus, CallStatus::SigningIn);
    EXPECT_EQ(StatusLineOf(rig.state).stringId, 3019);
}

TEST_F(CallStateMachineTest, SipCodesDecideTheCallStatus) {
    rig.SignedIn(u"0044123"_s);
    rig.input.PlaceCall();
    ASSERT_TRUE(rig.state.call.active);

    rig.Session(RTCSS_INPROGRESS, 180);  // no SIP facility: not ringing
    EXPECT_EQ(rig.state.callStatus, CallStatus::PleaseWait);
    EXPECT_TRUE(rig.engine.tones.isEmpty());
    rig.Session(RTCSS_INPROGRESS, 0x00EE0000 | 180);
    EXPECT_EQ(rig.state.callStatus, CallStatus::PleaseWait);
    rig.Session(RTCSS_INPROGRESS, SipStatus(183, false));
    EXPECT_EQ(rig.state.callStatus, CallStatus::PleaseWaitRinging);
    EXPECT_EQ(rig.engine.tones, QList<int32_t>{RTC_DTMF_FLASH});

    rig.Session(RTCSS_CONNECTED);
    EXPECT_EQ(rig.state.callStatus, CallStatus::Connected);
    EXPECT_TRUE(rig.state.call.clock.running);
    EXPECT_EQ(rig.delegate.timers.value(Timer::CallClock), 250);
    rig.now += 3723;
    rig.Fire(Timer::CallClock);
    EXPECT_EQ(StatusLineOf(rig.state).clockText, u"01:02:03"_s);
    rig.state.settings.displayTimer = false;
    EXPECT_EQ(StatusLineOf(rig.state).stringId, 3007);
    rig.state.settings.displayTimer = true;

    rig.Session(RTCSS_DISCONNECTED, SipStatus(486, true));
    EXPECT_EQ(rig.state.callStatus, CallStatus::LineBusy);
    EXPECT_FALSE(rig.state.call.active);
    EXPECT_FALSE(rig.state.call.clock.running);
    EXPECT_FALSE(rig.delegate.timers.contains(Timer::CallClock));
    EXPECT_TRUE(rig.state.display.numberLine.isEmpty());
    EXPECT_EQ(rig.history.Duration(0), u"01:02:03"_s);
    EXPECT_EQ(rig.state.display.finalCallTime, u"01:02:03"_s);
    EXPECT_EQ(rig.delegate.clientMessages.last().first, 3);
    EXPECT_EQ(rig.delegate.Count(u"balance-req"_s), 1);
    EXPECT_EQ(StatusLineOf(rig.state).stringId, 3013);

    rig.Session(RTCSS_DISCONNECTED, SipStatus(404, true));
    EXPECT_EQ(rig.state.callStatus, CallStatus::CallRejected);
    rig.Session(RTCSS_DISCONNECTED, SipStatus(200, false));
    EXPECT_EQ(rig.state.callStatus, CallStatus::CallRejected);
    rig.Session(RTCSS_DISCONNECTED, 0);
    EXPECT_EQ(rig.state.callStatus, CallStatus::CallEnded);
    // The call ended message went out only once: the later disconnects found no active call.
    int ended = 0;
    for (const auto& m : rig.delegate.clientMessages)
        ended += m.first == 3;
    EXPECT_EQ(ended, 1);
}

TEST_F(CallStateMachineTest, MediaAndClientEvents) {
    rig.Media(RTCMET_STARTED, 1);
    EXPECT_FALSE(rig.state.call.mediaStarted);
    rig.Media(RTCMET_STARTED, RTCMER_NORMAL);
    EXPECT_TRUE(rig.state.call.mediaStarted);

    // The client event's lParam is its type.
    rig.Client(RTCCET_NETWORK_QUALITY_CHANGE);
    EXPECT_EQ(rig.delegate.speakerSlider, -1);
    rig.Client(RTCCET_VOLUME_CHANGE);
    EXPECT_EQ(rig.delegate.speakerSlider, 0x8000);
    EXPECT_EQ(rig.delegate.micSlider, 0x4000);
    EXPECT_EQ(rig.delegate.Count(u"wizard-devices"_s), 0);
    rig.engine.volumes[RTCAD_SPEAKER] = 0x1234;
    rig.Client(RTCCET_DEVICE_CHANGE);
    EXPECT_EQ(rig.delegate.Count(u"wizard-devices"_s), 1);
    EXPECT_EQ(rig.delegate.speakerSlider, 0x1234);
    rig.Client(RTCCET_ASYNC_CLEANUP_DONE);
    rig.Client(-1);
    rig.Client(0x7fff'0000);
    EXPECT_EQ(rig.delegate.Count(u"wizard-devices"_s), 1);

    // Malformed events are ignored.
    rig.machine.OnRtcEvent(RTC_EVT_SESSION, 0);
    rig.machine.OnRtcEvent(99, 0);
    rig.machine.OnRtcEvent(RTC_EVT_CLEANUP_DONE, 0);
    EXPECT_EQ(rig.delegate.Count(u"destroy"_s), 1);
}

// Several events queued before the window gets to them: each message is handled with its own
// report, in order, and only the messages the engine posted count.
TEST_F(CallStateMachineTest, EventsQueuedTogetherKeepTheirOwnReports) {
    rig.SignedIn(u"0044123"_s);
    rig.input.PlaceCall();
    ASSERT_TRUE(rig.state.call.active);
    rig.state.unattended.enabled = true;
    rig.state.unattended.ringDelayMs = 5000;
    rig.state.unattended.connectDelayMs = 6000;

    std::vector<std::pair<WPARAM, LPARAM>> posted;
    const auto queue = [&](const RtcEvent& e) { posted.push_back({e.kind, rig.engine.Queue(e)}); };
    queue(RtcStateEvent(RTC_EVT_SESSION, RTCSS_INPROGRESS, SipStatus(180, false)));
    queue(RtcStateEvent(RTC_EVT_SESSION, RTCSS_CONNECTED, 0));
    queue(RtcIntensityEvent(0, 40, 0, 100));
    queue(RtcMediaEvent(RTCMET_STARTED, RTCMER_NORMAL));
    queue(RtcMediaEvent(RTCMET_STOPPED, RTCMER_NORMAL));

    std::vector<CallStatus> statuses;
    for (const auto& [kind, sequence] : posted) {
        rig.machine.OnRtcEvent(kind, sequence);
        statuses.push_back(rig.state.callStatus);
    }
    EXPECT_EQ(statuses, (std::vector<CallStatus>{CallStatus::PleaseWaitRinging,
                                                 CallStatus::Connected, CallStatus::Connected,
                                                 CallStatus::Connected, CallStatus::Connected}));
    EXPECT_EQ(rig.engine.tones, QList<int32_t>{RTC_DTMF_FLASH});
    EXPECT_TRUE(rig.state.call.clock.running);
    EXPECT_TRUE(rig.state.call.mediaStarted);
    EXPECT_EQ(rig.state.exitCode, ExitCode::Connected);
    EXPECT_EQ(rig.engine.queue.Size(), 0u);

    // The same message again, a number never posted, or a kind that does not match its report:
    // nothing happens.
    rig.machine.OnRtcEvent(posted[1].first, posted[1].second);
    rig.machine.OnRtcEvent(RTC_EVT_SESSION, 1'000'000);
    const LPARAM ended = rig.engine.Queue(RtcStateEvent(RTC_EVT_SESSION, RTCSS_DISCONNECTED, 0));
    rig.machine.OnRtcEvent(RTC_EVT_REGISTRATION, ended);
    rig.machine.OnRtcEvent(RTC_EVT_MEDIA, ended);
    EXPECT_EQ(rig.state.callStatus, CallStatus::Connected);
    EXPECT_TRUE(rig.state.call.active);
    rig.machine.OnRtcEvent(RTC_EVT_SESSION, ended);
    EXPECT_EQ(rig.state.callStatus, CallStatus::CallEnded);
    EXPECT_EQ(rig.state.exitCode, ExitCode::EndedAfterMedia);
}

// The external client hears that a call ended once for every call it heard had started,
// incoming calls included (which the phone neither answers nor shows).
TEST_F(CallStateMachineTest, ExternalClientHearsEveryStartedCallEnd) {
    rig.SignedIn();
    const auto types = [&] {
        std::vector<int> t;
        for (const auto& m : rig.delegate.clientMessages)
            t.push_back(m.first);
        return t;
    };
    rig.Session(RTCSS_INCOMING);
    EXPECT_EQ(types(), (std::vector<int>{4}));
    EXPECT_FALSE(rig.state.call.active);
    rig.Session(RTCSS_DISCONNECTED, SipStatus(487, true));
    EXPECT_EQ(types(), (std::vector<int>{4, 3}));

    // An outgoing call, then a stray disconnect: still one end per start.
    rig.state.display.numberLine = u"0044123"_s;
    rig.input.PlaceCall();
    rig.Session(RTCSS_CONNECTED);
    rig.Session(RTCSS_DISCONNECTED);
    rig.Session(RTCSS_DISCONNECTED);
    EXPECT_EQ(types(), (std::vector<int>{4, 3, 4, 3}));

    // Another incoming call after that.
    rig.Session(RTCSS_INCOMING);
    rig.Session(RTCSS_DISCONNECTED);
    EXPECT_EQ(types(), (std::vector<int>{4, 3, 4, 3, 4, 3}));
}

TEST_F(CallStateMachineTest, PopupPollRearmsForTwoMinutesInACall) {
    rig.state.signin.configurationReceived = true;
    rig.state.service.popupsAvailable = true;
    rig.state.call.active = true;
    rig.delegate.timers[Timer::PopupPoll] = 1;
    rig.Fire(Timer::PopupPoll);
    EXPECT_EQ(rig.delegate.timers.value(Timer::PopupPoll), 120000);
    EXPECT_EQ(rig.delegate.Count(u"popup-fetch"_s), 0);

    rig.state.call.active = false;
    rig.state.settings.popupsEnabled = false;
    rig.Fire(Timer::PopupPoll);
    EXPECT_EQ(rig.delegate.timers.value(Timer::PopupPoll), 7200000);
    EXPECT_EQ(rig.delegate.Count(u"popup-fetch"_s), 0);
    rig.state.settings.popupsEnabled = true;
    rig.Fire(Timer::PopupPoll);
    EXPECT_EQ(rig.delegate.Count(u"popup-fetch"_s), 1);
}

TEST_F(CallStateMachineTest, LocalAddressIsTheEnginesFirstUpToItsColon) {
    rig.engine.addresses = {u"127.0.0.1:5070"_s, u"10.0.0.1:5070"_s};
    rig.machine.RefreshLocalAddress();
    EXPECT_EQ(rig.state.service.localAddress, u"127.0.0.1"_s);
    rig.engine.addresses.clear();
    rig.machine.RefreshLocalAddress();
    EXPECT_EQ(rig.state.service.localAddress, u"0.0.0.0"_s);
    // The window's list while the engine comes up is read the same way.
    rig.machine.SetLocalAddress({u"192.168.1.20"_s, u"127.0.0.1"_s});
    EXPECT_EQ(rig.state.service.localAddress, u"192.168.1.20"_s);
    rig.machine.SetLocalAddress({});
    EXPECT_EQ(rig.state.service.localAddress, u"0.0.0.0"_s);
    rig.state.service.useTunnel = true;
    rig.state.service.tunnelLocalAddress = u"10.8.0.2"_s;
    rig.machine.RefreshLocalAddress();
    EXPECT_EQ(rig.state.service.localAddress, u"10.8.0.2"_s);
    rig.machine.SetLocalAddress({u"192.168.1.20"_s});
    EXPECT_EQ(rig.state.service.localAddress, u"10.8.0.2"_s);
}

TEST_F(CallStateMachineTest, MinutesDisplayEndsOnTimer13) {
    rig.state.signin.configurationReceived = true;
    rig.state.display.minutesShown = true;
    rig.delegate.timers[Timer::MinutesDisplay] = 10000;
    rig.Fire(Timer::MinutesDisplay);
    EXPECT_FALSE(rig.state.display.minutesShown);
    EXPECT_FALSE(rig.delegate.timers.contains(Timer::MinutesDisplay));
    EXPECT_EQ(rig.delegate.Count(u"number"_s), 1);
}

// The unattended cycle, /C5 /R5 /U7: every path ends in sign-out with its exit code.
class UnattendedTest : public CallStateMachineTest {
protected:
    void SetUp() override {
        rig.state.unattended.enabled = true;
        rig.state.unattended.connectDelayMs = 5000;
        rig.state.unattended.ringDelayMs = 5000;
        rig.state.unattended.delayMs = 7000;
        rig.SignedIn();
        EXPECT_EQ(rig.state.exitCode, ExitCode::SignedIn);
        EXPECT_EQ(rig.delegate.timers.value(Timer::Unattended), 5000);
        rig.state.display.numberLine = u"0044123"_s;
        rig.Fire(Timer::Unattended);  // 21 -> 22: dial
        EXPECT_EQ(rig.state.exitCode, ExitCode::Dialled);
        EXPECT_EQ(rig.engine.calls.size(), 1);
        EXPECT_EQ(rig.delegate.timers.value(Timer::Unattended), 7000);
    }
    void Ringing() {
        rig.Session(RTCSS_INPROGRESS, SipStatus(180, false));
        EXPECT_EQ(rig.state.exitCode, ExitCode::Ringing);
        EXPECT_EQ(rig.delegate.timers.value(Timer::Unattended), 5000);
    }
    void Connected() {
        rig.Session(RTCSS_CONNECTED);
        EXPECT_EQ(rig.state.exitCode, ExitCode::Connected);
        EXPECT_EQ(rig.delegate.timers.value(Timer::Unattended), 5000);
    }
    void ExpectSignedOutWith(ExitCode code) {
        EXPECT_EQ(rig.state.exitCode, code);
        EXPECT_GE(rig.delegate.signOuts, 1);
    }
};

TEST_F(UnattendedTest, ConnectedWithMediaGivesZero) {
    Ringing();
    Connected();
    rig.Media(RTCMET_STARTED, RTCMER_NORMAL);
    rig.Fire(Timer::Unattended);
    ExpectSignedOutWith(ExitCode::CallHeld);
}

TEST_F(UnattendedTest, ConnectedWithoutMediaGivesOne) {
    Connected();
    rig.Fire(Timer::Unattended);
    ExpectSignedOutWith(ExitCode::ConnectedWithoutMedia);
}

TEST_F(UnattendedTest, RingingForTheRingDelayGivesTenOrEleven) {
    Ringing();
    rig.Fire(Timer::Unattended);
    ExpectSignedOutWith(ExitCode::RingingWithoutMedia);
    rig.state.call.mediaStarted = true;
    rig.machine.UnattendedStep(ExitCode::RingingWithMedia);
    EXPECT_EQ(rig.state.exitCode, ExitCode::RingingWithMedia);
}

TEST_F(UnattendedTest, NoAnswerWithinTheDialDelayGives36) {
    rig.Fire(Timer::Unattended);
    ExpectSignedOutWith(ExitCode::NoAnswer);
}

TEST_F(UnattendedTest, EndedCallsGiveTwoThreeThirtyFiveOrThirtySeven) {
    rig.Session(RTCSS_DISCONNECTED, SipStatus(486, true));
    ExpectSignedOutWith(ExitCode::LineBusy);
    rig.Session(RTCSS_DISCONNECTED, SipStatus(403, true));
    ExpectSignedOutWith(ExitCode::CallRejected);
    rig.Session(RTCSS_DISCONNECTED, 0);
    ExpectSignedOutWith(ExitCode::EndedBeforeMedia);
    rig.Media(RTCMET_STARTED, RTCMER_NORMAL);
    rig.Session(RTCSS_DISCONNECTED, 0);
    ExpectSignedOutWith(ExitCode::EndedAfterMedia);
}

TEST_F(UnattendedTest, RejectedRegistrationGives30) {
    rig.Registration(RTCRS_REJECTED);
    ExpectSignedOutWith(ExitCode::RegistrationFailed);
}

TEST(UnattendedSteps, DialDelayZeroArmsNothingAndUnknownStepsOnlySetTheCode) {
    PhoneRig rig;
    rig.SignedIn(u"0044123"_s);
    rig.state.unattended.enabled = true;
    rig.machine.UnattendedStep(ExitCode::Dialled);
    EXPECT_EQ(rig.engine.calls.size(), 1);
    EXPECT_EQ(rig.state.exitCode, ExitCode::Dialled);
    EXPECT_FALSE(rig.delegate.timers.contains(Timer::Unattended));
    rig.machine.UnattendedStep(static_cast<ExitCode>(99));
    EXPECT_EQ(rig.state.exitCode, static_cast<ExitCode>(99));
    EXPECT_EQ(rig.delegate.signOuts, 0);
    // Timer 3 repeats any other code's step.
    rig.state.signin.configurationReceived = true;
    rig.delegate.timers[Timer::Unattended] = 1;
    rig.state.exitCode = ExitCode::WebServerSilent;
    rig.Fire(Timer::Unattended);
    EXPECT_EQ(rig.delegate.signOuts, 1);
}

// A test call that cannot be placed ends the cycle at once with 3 when no /U delay would end it.
TEST(UnattendedSteps, NothingDialledEndsWithThree) {
    struct Attempt {
        const char* name;
        QString number;
        HRESULT engineResult;
    };
    for (const Attempt& a :
         {Attempt{"no number", u""_s, S_OK}, Attempt{"nothing after 00", u"00"_s, S_OK},
          Attempt{"engine refuses", u"0044123"_s, E_FAIL}}) {
        SCOPED_TRACE(a.name);
        PhoneRig rig;
        rig.state.unattended.enabled = true;
        rig.engine.placeCallResult = a.engineResult;
        rig.SignedIn(a.number);
        rig.Fire(Timer::Unattended);  // 21 -> 22: dial
        EXPECT_EQ(rig.state.exitCode, ExitCode::EndedBeforeMedia);
        EXPECT_EQ(rig.delegate.signOuts, 1);
        EXPECT_FALSE(rig.delegate.timers.contains(Timer::Unattended));
    }

    // With a /U delay the phone waits that long for a call (one an external client may place),
    // then ends with 36.
    PhoneRig rig;
    rig.state.unattended.enabled = true;
    rig.state.unattended.delayMs = 7000;
    rig.SignedIn();
    rig.Fire(Timer::Unattended);
    EXPECT_EQ(rig.state.exitCode, ExitCode::Dialled);
    EXPECT_EQ(rig.delegate.signOuts, 0);
    EXPECT_EQ(rig.delegate.timers.value(Timer::Unattended), 7000);
    rig.Fire(Timer::Unattended);
    EXPECT_EQ(rig.state.exitCode, ExitCode::NoAnswer);
    EXPECT_EQ(rig.delegate.signOuts, 1);

    // Refused as its audio could not be encrypted: nothing will ring whatever /U allows, so the
    // cycle ends at once with 3, and the display says why.
    PhoneRig refused;
    refused.state.unattended.enabled = true;
    refused.state.unattended.delayMs = 7000;
    refused.engine.placeCallResult = E_ENCRYPTION_REQUIRED;
    refused.SignedIn(u"0044123"_s);
    refused.Fire(Timer::Unattended);
    EXPECT_EQ(refused.state.exitCode, ExitCode::EndedBeforeMedia);
    EXPECT_EQ(refused.delegate.signOuts, 1);
    EXPECT_FALSE(refused.delegate.timers.contains(Timer::Unattended));
    EXPECT_EQ(StatusLineOf(refused.state).stringId, StringId::EncryptionRequired);
}

}  // namespace
}  // namespace zuvo::test
