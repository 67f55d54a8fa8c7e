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

CallStateMachine::CallStateMachine(PhoneState& state, PhoneDelegate& window, IRtcEngine* engine,
                                   DialingInput& input, SecondsClock now)
    : m_state(state),
      m_display(window),
      m_timers(window),
      m_service(window),
      m_shell(window),
      m_handset(window),
      m_engine(engine),
      m_input(input),
      m_now(std::move(now)) {}

QString CallStateMachine::UserUri() const {
    return u"sip:"_s + m_state.account.number + u"_Z@"_s + m_state.service.sipDomain;
}

void CallStateMachine::OnRtcEvent(WPARAM wParam, LPARAM lParam) {
    switch (wParam) {
        case RTC_EVT_CLEANUP_DONE:
            m_shell.DestroyWindow();
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
            if (event->media.type == RTCMET_STARTED && event->media.reason == RTCMER_NORMAL) {
                m_state.call.mediaStarted = true;
                m_state.timeline.Mark(CallStep::Media);
                qCDebug(lcLogic) << "media started";
            }
            return;
        default:
            return;
    }
}

void CallStateMachine::ArmRegistrationTimer(int ms) {
    m_timers.SetTimer(Timer::Registration, ms);
    m_state.signin.registrationTimerRunning = true;
}

void CallStateMachine::OnRegistration(const RtcStateReport& report) {
    if (m_state.signin.registrationTimerRunning) {
        m_timers.KillTimer(Timer::Registration);
        m_state.signin.registrationTimerRunning = false;
    }
    const auto state = static_cast<RtcRegistrationState>(report.state);
    switch (state) {
        case RTCRS_NOT_REGISTERED:
            m_display.SetSignInIndicator(DisplayDelegate::Indicator::Dark);
            m_state.callStatus = CallStatus::SignedOut;
            break;
        case RTCRS_REGISTERING:
            m_display.SetSignInIndicator(DisplayDelegate::Indicator::Blinking);
            m_state.callStatus = CallStatus::SigningIn;
            break;
        case RTCRS_REGISTERED:
            m_display.SetSignInIndicator(DisplayDelegate::Indicator::Lit);
            m_service.RebuildRequestKey();
            m_service.StartBalanceRequest(true);
            m_state.callStatus = CallStatus::ReadyToCall;
            m_state.timeline.Mark(CallStep::Registration);
            if (m_state.unattended.enabled)
                UnattendedStep(ExitCode::SignedIn);
            else if (m_state.call.autoDial)
                m_timers.SetTimer(Timer::AutoDial, kAutoDialAfterSignInMs);
            m_state.servers.lastGood = m_state.servers.current;
            if (m_state.service.popupsAvailable)
                PopupPoll();
            break;
        case RTCRS_REJECTED:
        case RTCRS_ERROR: {
            m_display.SetSignInIndicator(DisplayDelegate::Indicator::Dark);
            m_state.callStatus = CallStatus::SignedOut;
            if (m_state.unattended.enabled)
                UnattendedStep(ExitCode::RegistrationFailed);
            const int count = static_cast<int>(m_state.servers.entries.size());
            m_state.servers.current = count > 0 ? (m_state.servers.current + 1) % count : 0;
            ArmRegistrationTimer(
                m_state.servers.current == m_state.servers.lastGood ? kPassRetryMs : kQuickRetryMs);
            m_state.signin.signingIn = false;
            break;
        }
        case RTCRS_UNREGISTERING:
            m_display.SetSignInIndicator(DisplayDelegate::Indicator::Dark);
            break;
        default:
            break;
    }
    m_state.connectionState = state;
    m_state.signin.registrationStatus = report.statusCode;
    m_display.RedrawStatus();
}

void CallStateMachine::OnSession(const RtcStateReport& report) {
    const int sipCode = SipCodeOf(report.statusCode);
    switch (report.state) {
        case RTCSS_IDLE:
            m_state.callStatus = CallStatus::ReadyToCall;
            break;
        case RTCSS_INCOMING:
            m_state.call.incomingAnnounced = true;
            m_handset.NotifyExternalClient(ExternalControlProtocol::PhoneNotice::CallStarted, {});
            break;
        case RTCSS_INPROGRESS:
            m_state.callStatus = CallStatus::PleaseWait;
            if (sipCode == 180 || sipCode == 183) {
                m_state.callStatus = CallStatus::PleaseWaitRinging;
                m_state.timeline.Mark(CallStep::Ringing);
                if (m_state.unattended.enabled)
                    UnattendedStep(ExitCode::Ringing);
                if (m_engine)
                    m_engine->SendTone(RTC_DTMF_FLASH);
            }
            break;
        case RTCSS_CONNECTED:
            m_state.call.clock.elapsed = 0;
            m_state.call.clock.lastTick = 0;
            m_timers.SetTimer(Timer::CallClock, kCallClockMs);
            m_state.call.clock.running = true;
            m_state.call.clock.start = m_now();
            m_state.callStatus = CallStatus::Connected;
            m_state.timeline.Mark(CallStep::Answer);
            if (m_state.unattended.enabled)
                UnattendedStep(ExitCode::Connected);
            break;
        case RTCSS_DISCONNECTED:
            m_state.callStatus = sipCode == 0     ? CallStatus::CallEnded
                                 : sipCode == 486 ? CallStatus::LineBusy
                                                  : CallStatus::CallRejected;
            m_input.ClearDisplay(true, false);
            // An incoming call never sets the call-active flag, so clearing the display did not
            // tell the external client that it ended.
            if (m_state.call.incomingAnnounced) {
                m_state.call.incomingAnnounced = false;
                m_handset.NotifyExternalClient(ExternalControlProtocol::PhoneNotice::CallEnded, {});
            }
            if (m_state.unattended.enabled && m_state.signin.configurationReceived)
                UnattendedStep(ExitCode::EndedAfterMedia);
            break;
        default:
            break;
    }
    m_display.RedrawStatus();
}

void CallStateMachine::OnClientEvent(int32_t type) {
    if (type == RTCCET_DEVICE_CHANGE)
        m_handset.WizardDevicesChanged();
    if (type != RTCCET_VOLUME_CHANGE && type != RTCCET_DEVICE_CHANGE)
        return;
    if (!m_engine)
        return;
    int32_t volume = 0;
    if (!Failed(m_engine->GetVolume(RTCAD_SPEAKER, &volume))) {
        m_display.SetSpeakerSlider(volume);
        m_handset.WizardVolumeChanged(RTCAD_SPEAKER, volume);
    }
    if (!Failed(m_engine->GetVolume(RTCAD_MICROPHONE, &volume))) {
        m_display.SetMicSlider(volume);
        m_handset.WizardVolumeChanged(RTCAD_MICROPHONE, volume);
    }
}

void CallStateMachine::OnTimer(int id) {
    if (!m_state.signin.configurationReceived) {
        m_timers.KillTimer(id);
        if (id == Timer::Registration)
            m_state.signin.registrationTimerRunning = false;
        return;
    }
    switch (id) {
        case Timer::Registration:
            m_timers.KillTimer(Timer::Registration);
            m_state.signin.registrationTimerRunning = false;
            if (m_engine)
                m_engine->Unregister();
            RegisterNow();
            break;
        case Timer::Unattended: {
            m_timers.KillTimer(Timer::Unattended);
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
            m_timers.KillTimer(Timer::HoldToDial);
            m_input.HoldToDial();
            break;
        case Timer::AutoDial:
            if (m_state.call.autoDial)
                m_input.PlaceCall();
            m_timers.KillTimer(Timer::AutoDial);
            if (m_state.call.autoDial) {
                m_state.call.autoDial = false;
                m_display.RedrawStatus();
            }
            break;
        case Timer::RegisterNow:
            if (!m_state.servers.entries.isEmpty()) {
                m_timers.KillTimer(Timer::RegisterNow);
                RegisterNow();
            }
            break;
        case Timer::CallClock: {
            const int64_t now = m_now();
            if (now != m_state.call.clock.lastTick) {
                m_state.call.clock.elapsed = now - m_state.call.clock.start;
                m_state.call.clock.lastTick = now;
                if (m_state.settings.displayTimer)
                    m_display.RedrawStatus();
            }
            break;
        }
        case Timer::PopupPoll:
            if (m_state.service.popupsAvailable)
                PopupPoll();
            break;
        case Timer::MinutesDisplay:
            m_state.display.minutesShown = false;
            m_display.RedrawNumber();
            m_timers.KillTimer(Timer::MinutesDisplay);
            break;
        default:
            break;
    }
}

void CallStateMachine::RegisterNow() {
    if (m_state.servers.entries.isEmpty())
        return;
    if (m_state.servers.current < 0 || m_state.servers.current >= m_state.servers.entries.size())
        m_state.servers.current = 0;
    const SipServerEntry& server = m_state.servers.entries.at(m_state.servers.current);
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
            if (!m_state.call.mediaStarted)
                m_state.exitCode = ExitCode::ConnectedWithoutMedia;
            m_shell.SignOut();
            break;
        case ExitCode::EndedAfterMedia:
            if (m_state.callStatus == CallStatus::LineBusy)
                m_state.exitCode = ExitCode::LineBusy;
            else if (m_state.callStatus == CallStatus::CallRejected)
                m_state.exitCode = ExitCode::CallRejected;
            else if (!m_state.call.mediaStarted)
                m_state.exitCode = ExitCode::EndedBeforeMedia;
            m_shell.SignOut();
            break;
        case ExitCode::RingingWithMedia:
            if (!m_state.call.mediaStarted)
                m_state.exitCode = ExitCode::RingingWithoutMedia;
            m_shell.SignOut();
            break;
        case ExitCode::SignedIn:
            m_timers.SetTimer(Timer::Unattended, kUnattendedFirstDelayMs);
            break;
        case ExitCode::Dialled:
            m_state.call.mediaStarted = false;
            m_input.PlaceCall();
            if (!m_state.call.active && m_state.callStatus == CallStatus::EncryptionRequired) {
                // No ringing can follow whatever /U allows: the call was never sent.
                m_state.exitCode = ExitCode::EndedBeforeMedia;
                m_shell.SignOut();
                break;
            }
            if (!m_state.call.active && m_state.unattended.delayMs == 0) {
                // Nothing was dialled (no number, none left after cleaning it, or the engine
                // refused the call) and no /U delay will end the wait: the cycle ends here.
                qCWarning(lcLogic) << "unattended call could not be placed";
                m_state.exitCode = ExitCode::EndedBeforeMedia;
                m_shell.SignOut();
                break;
            }
            if (m_state.unattended.delayMs != 0)
                m_timers.SetTimer(Timer::Unattended, m_state.unattended.delayMs);
            break;
        case ExitCode::Ringing:
            m_timers.SetTimer(Timer::Unattended, m_state.unattended.ringDelayMs);
            break;
        case ExitCode::Connected:
            m_timers.SetTimer(Timer::Unattended, m_state.unattended.connectDelayMs);
            break;
        case ExitCode::RegistrationFailed:
        case ExitCode::WebServerUnresolved:
        case ExitCode::NoInternet:
        case ExitCode::WebServerSilent:
        case ExitCode::SignOutStep:
        case ExitCode::NoAnswer:
            m_shell.SignOut();
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
    QStringList addresses;
    if (!m_state.service.useTunnel &&
        Failed(m_engine->GetNetworkAddresses(false, false, &addresses)))
        addresses.clear();
    SetLocalAddress(addresses);
}

void CallStateMachine::SetLocalAddress(const QStringList& addresses) {
    if (m_state.service.useTunnel) {
        m_state.service.localAddress = m_state.service.tunnelLocalAddress;
        return;
    }
    m_state.service.localAddress =
        addresses.isEmpty() ? u"0.0.0.0"_s : addresses.first().section(u':', 0, 0);
}

void CallStateMachine::PopupPoll() {
    if (m_state.call.active) {
        m_timers.SetTimer(Timer::PopupPoll, kPollInCallMs);
        return;
    }
    m_timers.SetTimer(Timer::PopupPoll, kPollIdleMs);
    if (m_state.service.popupsAvailable && m_state.settings.popupsEnabled)
        m_service.StartPopupFetch();
}

}  // namespace zuvo
