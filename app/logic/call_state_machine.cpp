#include "app/logic/call_state_machine.h"

#include <QLoggingCategory>

#include "app/logic/dialing_input.h"
#include "app/logic/phone_delegate.h"
#include "telephony/rtc_engine_interface.h"

namespace zuvo {

Q_LOGGING_CATEGORY(lcLogic, "zuvo.logic", QtWarningMsg)

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int kAutoDialAfterSignInMs = 3000;
constexpr int kUnattendedFirstDelayMs = 5000;
constexpr int kCallClockMs = 250;
}  // namespace

CallStateMachine::CallStateMachine(PhoneState& state, PhoneDelegate& delegate, IRtcEngine* engine,
                                   DialingInput& input, SecondsClock now)
    : m_state(state),
      m_delegate(delegate),
      m_engine(engine),
      m_input(input),
      m_now(std::move(now)) {}

QString CallStateMachine::UserUri() const {
    return u"sip:"_s + m_state.account + u"_Z@"_s + m_state.sipDomain;
}

void CallStateMachine::OnRtcEvent(WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
        case RTC_EVT_CLEANUP_DONE:
            m_delegate.DestroyWindow();
            return;
        case RTC_EVT_CLIENT:
            if (lParam < RTCCET_VOLUME_CHANGE || lParam > RTCCET_NETWORK_QUALITY_CHANGE) {
                qCDebug(lcLogic) << "client event of unknown type" << lParam;
                return;
            }
            OnClientEvent(static_cast<int32_t>(lParam));
            return;
        case RTC_EVT_REGISTRATION:
        case RTC_EVT_SESSION:
        case RTC_EVT_MEDIA:
        case RTC_EVT_INTENSITY:
            break;
        default:
            return;
    }
    // The report waits in the engine's queue; the message only names it.
    const std::optional<RtcEvent> event =
        m_engine ? m_engine->TakeEvent(wParam, lParam) : std::nullopt;
    if (!event) {
        qCDebug(lcLogic) << "engine event without a report" << wParam << lParam;
        return;
    }
    switch (event->kind) {
        case RTC_EVT_REGISTRATION:
            OnRegistration(event->state);
            return;
        case RTC_EVT_SESSION:
            OnSession(event->state);
            return;
        case RTC_EVT_MEDIA:
            if (event->media.type == RTCMET_STARTED && event->media.reason == RTCMER_NORMAL)
                m_state.mediaStarted = true;
            return;
        default:
            return;
    }
}

void CallStateMachine::ArmRegistrationTimer(int ms) {
    m_delegate.SetTimer(Timer::Registration, ms);
    m_state.registrationTimerRunning = true;
}

void CallStateMachine::OnRegistration(const RtcStateReport& report) {
    if (m_state.registrationTimerRunning) {
        m_delegate.KillTimer(Timer::Registration);
        m_state.registrationTimerRunning = false;
    }
    const auto state = static_cast<RtcRegistrationState>(report.state);
    switch (state) {
        case RTCRS_NOT_REGISTERED:
            m_delegate.SetSignInIndicator(PhoneDelegate::Indicator::Dark);
            m_state.callStatus = CallStatus::SignedOut;
            break;
        case RTCRS_REGISTERING:
            m_delegate.SetSignInIndicator(PhoneDelegate::Indicator::Blinking);
            m_state.callStatus = CallStatus::SigningIn;
            break;
        case RTCRS_REGISTERED:
            m_delegate.SetSignInIndicator(PhoneDelegate::Indicator::Lit);
            m_delegate.RebuildRequestKey();
            m_delegate.StartBalanceRequest(true);
            m_state.callStatus = CallStatus::ReadyToCall;
            if (m_state.unattended)
                UnattendedStep(ExitCode::SignedIn);
            else if (m_state.autoDial)
                m_delegate.SetTimer(Timer::AutoDial, kAutoDialAfterSignInMs);
            m_state.lastGoodServer = m_state.currentServer;
            if (m_state.popupsAvailable)
                PopupPoll();
            break;
        case RTCRS_REJECTED:
        case RTCRS_ERROR: {
            m_delegate.SetSignInIndicator(PhoneDelegate::Indicator::Dark);
            m_state.callStatus = CallStatus::SignedOut;
            if (m_state.unattended)
                UnattendedStep(ExitCode::RegistrationFailed);
            const int count = static_cast<int>(m_state.sipServers.size());
            m_state.currentServer = count > 0 ? (m_state.currentServer + 1) % count : 0;
            ArmRegistrationTimer(m_state.currentServer == m_state.lastGoodServer ? kPassRetryMs
                                                                                 : kQuickRetryMs);
            m_state.signingIn = false;
            break;
        }
        case RTCRS_UNREGISTERING:
            m_delegate.SetSignInIndicator(PhoneDelegate::Indicator::Dark);
            break;
        default:
            break;
    }
    m_state.connectionState = state;
    m_state.registrationStatus = report.statusCode;
    m_delegate.RedrawStatus();
}

void CallStateMachine::OnSession(const RtcStateReport& report) {
    const int sipCode = SipCodeOf(report.statusCode);
    switch (report.state) {
        case RTCSS_IDLE:
            m_state.callStatus = CallStatus::ReadyToCall;
            break;
        case RTCSS_INCOMING:
            m_state.incomingCallAnnounced = true;
            m_delegate.NotifyExternalClient(ExternalControlProtocol::PhoneNotice::CallStarted, {});
            break;
        case RTCSS_INPROGRESS:
            m_state.callStatus = CallStatus::PleaseWait;
            if (sipCode == 180 || sipCode == 183) {
                m_state.callStatus = CallStatus::PleaseWaitRinging;
                if (m_state.unattended)
                    UnattendedStep(ExitCode::Ringing);
                if (m_engine)
                    m_engine->SendTone(RTC_DTMF_FLASH);
            }
            break;
        case RTCSS_CONNECTED:
            m_state.clock.elapsed = 0;
            m_state.clock.lastTick = 0;
            m_delegate.SetTimer(Timer::CallClock, kCallClockMs);
            m_state.clock.running = true;
            m_state.clock.start = m_now();
            m_state.callStatus = CallStatus::Connected;
            if (m_state.unattended)
                UnattendedStep(ExitCode::Connected);
            break;
        case RTCSS_DISCONNECTED:
            m_state.callStatus = sipCode == 0     ? CallStatus::CallEnded
                                 : sipCode == 486 ? CallStatus::LineBusy
                                                  : CallStatus::CallRejected;
            m_input.ClearDisplay(true, false);
            // An incoming call never sets the call-active flag, so clearing the display did not
            // tell the external client that it ended.
            if (m_state.incomingCallAnnounced) {
                m_state.incomingCallAnnounced = false;
                m_delegate.NotifyExternalClient(ExternalControlProtocol::PhoneNotice::CallEnded,
                                                {});
            }
            if (m_state.unattended && m_state.configurationReceived)
                UnattendedStep(ExitCode::EndedAfterMedia);
            break;
        default:
            break;
    }
    m_delegate.RedrawStatus();
}

void CallStateMachine::OnClientEvent(int32_t type) {
    if (type == RTCCET_DEVICE_CHANGE)
        m_delegate.WizardDevicesChanged();
    if (type != RTCCET_VOLUME_CHANGE && type != RTCCET_DEVICE_CHANGE)
        return;
    if (!m_engine)
        return;
    int32_t volume = 0;
    if (!Failed(m_engine->GetVolume(RTCAD_SPEAKER, &volume))) {
        m_delegate.SetSpeakerSlider(volume);
        m_delegate.WizardVolumeChanged(RTCAD_SPEAKER, volume);
    }
    if (!Failed(m_engine->GetVolume(RTCAD_MICROPHONE, &volume))) {
        m_delegate.SetMicSlider(volume);
        m_delegate.WizardVolumeChanged(RTCAD_MICROPHONE, volume);
    }
}

void CallStateMachine::OnTimer(int id) {
    if (!m_state.configurationReceived) {
        m_delegate.KillTimer(id);
        if (id == Timer::Registration)
            m_state.registrationTimerRunning = false;
        return;
    }
    switch (id) {
        case Timer::Registration:
            m_delegate.KillTimer(Timer::Registration);
            m_state.registrationTimerRunning = false;
            if (m_engine)
                m_engine->Unregister();
            RegisterNow();
            break;
        case Timer::Unattended: {
            m_delegate.KillTimer(Timer::Unattended);
            const ExitCode code = m_state.exitCode;
            const ExitCode next = code == ExitCode::SignedIn    ? ExitCode::Dialled
                                  : code == ExitCode::Dialled   ? ExitCode::NoAnswer
                                  : code == ExitCode::Ringing   ? ExitCode::RingingWithMedia
                                  : code == ExitCode::Connected ? ExitCode::CallHeld
                                                                : code;
            UnattendedStep(next);
            break;
        }
        case Timer::HoldToDial:
            m_delegate.KillTimer(Timer::HoldToDial);
            m_input.HoldToDial();
            break;
        case Timer::AutoDial:
            if (m_state.autoDial)
                m_input.PlaceCall();
            m_delegate.KillTimer(Timer::AutoDial);
            if (m_state.autoDial) {
                m_state.autoDial = false;
                m_delegate.RedrawStatus();
            }
            break;
        case Timer::RegisterNow:
            if (!m_state.sipServers.isEmpty()) {
                m_delegate.KillTimer(Timer::RegisterNow);
                RegisterNow();
            }
            break;
        case Timer::CallClock: {
            const int64_t now = m_now();
            if (now != m_state.clock.lastTick) {
                m_state.clock.elapsed = now - m_state.clock.start;
                m_state.clock.lastTick = now;
                if (m_state.settings.displayTimer)
                    m_delegate.RedrawStatus();
            }
            break;
        }
        case Timer::PopupPoll:
            if (m_state.popupsAvailable)
                PopupPoll();
            break;
        case Timer::MinutesDisplay:
            m_state.minutesShown = false;
            m_delegate.RedrawNumber();
            m_delegate.KillTimer(Timer::MinutesDisplay);
            break;
        default:
            break;
    }
}

void CallStateMachine::RegisterNow() {
    if (m_state.sipServers.isEmpty())
        return;
    if (m_state.currentServer < 0 || m_state.currentServer >= m_state.sipServers.size())
        m_state.currentServer = 0;
    const SipServerEntry& server = m_state.sipServers.at(m_state.currentServer);
    const HRESULT hr =
        m_engine ? m_engine->Register(UserUri(), server.address, server.transport) : E_FAIL;
    if (hr != S_OK) {
        qCWarning(lcLogic) << "register refused" << Qt::hex << hr;
        ArmRegistrationTimer(kPassRetryMs);
    }
}

void CallStateMachine::UnattendedStep(ExitCode step) {
    m_state.exitCode = step;
    switch (step) {
        case ExitCode::CallHeld:
            if (!m_state.mediaStarted)
                m_state.exitCode = ExitCode::ConnectedWithoutMedia;
            m_delegate.SignOut();
            break;
        case ExitCode::EndedAfterMedia:
            if (m_state.callStatus == CallStatus::LineBusy)
                m_state.exitCode = ExitCode::LineBusy;
            else if (m_state.callStatus == CallStatus::CallRejected)
                m_state.exitCode = ExitCode::CallRejected;
            else if (!m_state.mediaStarted)
                m_state.exitCode = ExitCode::EndedBeforeMedia;
            m_delegate.SignOut();
            break;
        case ExitCode::RingingWithMedia:
            if (!m_state.mediaStarted)
                m_state.exitCode = ExitCode::RingingWithoutMedia;
            m_delegate.SignOut();
            break;
        case ExitCode::SignedIn:
            m_delegate.SetTimer(Timer::Unattended, kUnattendedFirstDelayMs);
            break;
        case ExitCode::Dialled:
            m_state.mediaStarted = false;
            m_input.PlaceCall();
            if (!m_state.callActive && m_state.unattendedDelayMs == 0) {
                // Nothing was dialled (no number, none left after cleaning it, or the engine
                // refused the call) and no /U delay will end the wait: the cycle ends here.
                qCWarning(lcLogic) << "unattended call could not be placed";
                m_state.exitCode = ExitCode::EndedBeforeMedia;
                m_delegate.SignOut();
                break;
            }
            if (m_state.unattendedDelayMs != 0)
                m_delegate.SetTimer(Timer::Unattended, m_state.unattendedDelayMs);
            break;
        case ExitCode::Ringing:
            m_delegate.SetTimer(Timer::Unattended, m_state.ringDelayMs);
            break;
        case ExitCode::Connected:
            m_delegate.SetTimer(Timer::Unattended, m_state.connectDelayMs);
            break;
        case ExitCode::RegistrationFailed:
        case ExitCode::WebServerUnresolved:
        case ExitCode::NoInternet:
        case ExitCode::WebServerSilent:
        case ExitCode::SignOutStep:
        case ExitCode::NoAnswer:
            m_delegate.SignOut();
            break;
        case ExitCode::ConnectedWithoutMedia:
        case ExitCode::EndedBeforeMedia:
        case ExitCode::RingingWithoutMedia:
        case ExitCode::NotStarted:
        case ExitCode::CallRejected:
        case ExitCode::LineBusy:
            break;
    }
}

void CallStateMachine::RefreshLocalAddress() {
    if (!m_engine)
        return;
    m_state.localAddress.clear();
    if (m_state.useTunnel) {
        m_state.localAddress = m_state.tunnelLocalAddress;
        return;
    }
    QStringList addresses;
    if (Failed(m_engine->GetNetworkAddresses(false, false, &addresses)) || addresses.isEmpty())
        addresses = QStringList{u"0.0.0.0:0000"_s};
    m_state.localAddress = addresses.first().section(u':', 0, 0);
}

void CallStateMachine::PopupPoll() {
    if (m_state.callActive) {
        m_delegate.SetTimer(Timer::PopupPoll, kPollInCallMs);
        return;
    }
    m_delegate.SetTimer(Timer::PopupPoll, kPollIdleMs);
    if (m_state.popupsAvailable && m_state.settings.popupsEnabled)
        m_delegate.StartPopupFetch();
}

}  // namespace zuvo
