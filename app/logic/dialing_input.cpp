#include "app/logic/dialing_input.h"

#include <QLoggingCategory>

#include "app/logic/normalise_number.h"
#include "app/logic/phone_delegate.h"
#include "app/logic/status_line.h"
#include "contacts/call_history.h"
#include "contacts/call_history_selection.h"
#include "contacts/call_time.h"
#include "contacts/speed_dial.h"
#include "telephony/rtc_engine_interface.h"

namespace zuvo {

Q_DECLARE_LOGGING_CATEGORY(lcLogic)

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int kHoldToDialMs = 3000;
constexpr int kVolumeStep = 2047;
constexpr int kVolumeMax = 0xFFFF;
constexpr int kPopupBeforeCall = 2;
constexpr int kPopupAfterCall = 3;

// Keypad index of a typed character, or -1.
int KeypadIndexOf(QChar ch) {
    if (ch >= u'0' && ch <= u'9')
        return ch.unicode() - u'0';
    if (ch == u'*' || ch == u'.')
        return 10;
    if (ch == u'#')
        return 11;
    return -1;
}
}  // namespace

DialingInput::DialingInput(PhoneState& state, PhoneDelegate& window, IRtcEngine* engine,
                           CallHistory& history, const SpeedDial& speedDial,
                           CallHistorySelection& selection, SecondsClock now)
    : m_state(state),
      m_display(window),
      m_timers(window),
      m_service(window),
      m_shell(window),
      m_dialogs(window),
      m_handset(window),
      m_engine(engine),
      m_history(history),
      m_speedDial(speedDial),
      m_selection(selection),
      m_now(std::move(now)) {}

bool DialingInput::PopupsOn() const {
    return m_state.service.popupsAvailable && m_state.settings.popupsEnabled;
}

void DialingInput::OnChar(QChar ch, bool autoRepeat) {
    if (!m_state.keypad.latch.isNull())
        return;
    m_state.keypad.latch = ch;
    switch (ch.unicode()) {
        case u'\b':
            DeleteLast();
            return;
        case u'\r':
        case u'\n':
            PlaceCall();
            return;
        case 0x1B:
            HangUpOrClear(true);
            return;
        case u'+':
            if (m_state.display.numberLine.isEmpty()) {
                m_state.display.numberLine = u"00"_s;
                m_display.RedrawNumber();
            }
            return;
        default:
            break;
    }
    const int index = KeypadIndexOf(ch);
    if (index < 0 || autoRepeat || m_state.display.numberLine.size() >= kMaxNumberLength)
        return;
    m_display.ShowKeypadButton(index, true);
    OnKeypadPressed(index);
}

void DialingInput::OnKeyUp() {
    const int index = m_state.keypad.latch.isNull() ? -1 : KeypadIndexOf(m_state.keypad.latch);
    m_state.keypad.latch = QChar();
    if (index >= 0) {
        m_display.ShowKeypadButton(index, false);
        OnKeypadReleased();
    }
}

void DialingInput::OnKeypadPressed(int index) {
    if (index < 0 || index > 11)
        return;
    // Recorded even on a full line, so that holding this key dials this key's entry.
    m_state.keypad.index = index;
    if (m_state.display.numberLine.size() >= kMaxNumberLength) {
        m_handset.NotifyHandset(HandsetNotice::AttentionCode, 1);
    } else {
        if (index < 10)
            m_state.display.numberLine.append(QChar(u'0' + index));
        else if (index == 11 && m_state.settings.allowIpCalls)
            m_state.display.numberLine.append(u'.');
        m_display.RedrawNumber();
    }
    if (m_engine)
        m_engine->SendTone(index);
    if (!m_state.call.active)
        m_timers.SetTimer(Timer::HoldToDial, kHoldToDialMs);
    m_shell.FocusMainWindow();
}

void DialingInput::OnKeypadReleased() {
    m_timers.KillTimer(Timer::HoldToDial);
    m_shell.FocusMainWindow();
}

void DialingInput::OnKeypadCommand(int id, int code) {
    if (id < Cmd::Key0 || id > Cmd::KeyHash)
        return;
    if (code == Msg::ButtonPressed || code == 0)
        OnKeypadPressed(id - Cmd::Key0);
    else if (code == Msg::ButtonReleased)
        OnKeypadReleased();
}

void DialingInput::HoldToDial() {
    const auto entry = m_speedDial.Lookup(m_state.keypad.index);
    if (!entry)
        return;
    ShowNumber(entry->number);
    StartAutoDial();
}

bool DialingInput::OnCommand(int id) {
    switch (id) {
        case Cmd::Call:
            PlaceCall();
            return true;
        case Cmd::HangUp:
            HangUpOrClear(true);
            return true;
        case Cmd::DeleteLast:
            DeleteLast();
            return true;
        case Cmd::Redial:
        case Cmd::RedialMenu:
            Redial();
            return true;
        case Cmd::Copy:
            Copy();
            return true;
        case Cmd::Paste:
            Paste();
            return true;
        case Cmd::Menu:
            m_shell.ShowContextMenu();
            return true;
        default:
            break;
    }
    if (id >= Cmd::HistoryFirst && id <= Cmd::HistoryLast) {
        const int index = id - Cmd::HistoryFirst;
        if (index < m_history.Count()) {
            m_state.display.numberLine = m_history.Number(index);
            m_display.RedrawNumber();
        }
        return true;
    }
    return false;
}

void DialingInput::PlaceCall() {
    if (m_state.installWizardPending) {
        // Once: the wizard does not come back before every later call.
        m_state.installWizardPending = false;
        m_dialogs.RunAudioWizard();
    }

    // A shown pop-up stops this request; the next one goes straight on.
    if (!m_state.call.popupCheckDone && PopupsOn()) {
        m_state.call.popupCheckDone = true;
        if (m_service.ShowPopup(kPopupBeforeCall))
            return;
    }
    m_state.call.popupCheckDone = false;

    m_handset.NotifyHandset(HandsetNotice::AttentionCode, 1);
    if (m_state.connectionState != RTCRS_REGISTERED || m_state.call.active ||
        m_state.display.numberLine.isEmpty())
        return;

    QString dial = m_state.display.numberLine;
    if (dial.count(u'.') == 3) {
        if (!m_state.settings.allowIpCalls)
            return;
    } else {
        if (dial.startsWith(u"00"_s))
            dial.remove(0, 2);
        // "00" alone would dial a bare "+".
        if (dial.isEmpty())
            return;
        m_service.StartCallAuthorisation(dial);
        dial.prepend(u'+');
    }
    m_state.call.dialledNumber = dial;

    if (m_state.call.autoDial) {
        m_state.call.autoDial = false;
        m_display.RedrawStatus();
    }
    m_history.Add(m_state.display.numberLine);
    m_shell.ScreenSaver(false);

    if (!m_engine)
        return;
    const int port = m_state.settings.rtpDynamic ? 0 : m_state.settings.rtpPort;
    const HRESULT placed = m_engine->PlaceCall(m_state.call.type, dial, QString(), port);
    if (placed == E_ENCRYPTION_REQUIRED) {
        // The user's own setting keeps this call from going out in clear: the display says why.
        qCWarning(lcLogic) << "call not placed: encrypted media is required (setting \"Require "
                              "Media Encryption\") and the SIP server is not reached over TLS "
                              "(or the media stack has no SRTP)";
        m_state.callStatus = CallStatus::EncryptionRequired;
        m_display.RedrawStatus();
    }
    if (Failed(placed))
        return;

    m_state.timeline.Mark(CallStep::Dial);
    m_state.call.active = true;
    m_state.call.mediaStarted = false;  // until this call's own audio arrives
    m_handset.NotifyExternalClient(ExternalControlProtocol::PhoneNotice::CallStarted, {});
    m_display.RedrawBalance();
    m_state.call.muted = false;
    m_engine->SetMuted(RTCAD_MICROPHONE, false);
    m_engine->SetMuted(RTCAD_SPEAKER, false);
}

void DialingInput::HangUpOrClear(bool fromButton) {
    if (m_state.call.autoDial) {
        m_state.call.autoDial = false;
        m_timers.KillTimer(Timer::AutoDial);
        m_display.RedrawStatus();
        return;
    }
    if (m_state.call.active) {
        if (m_engine)
            m_engine->HangUp();
        return;
    }
    ClearDisplay(fromButton, true);
}

void DialingInput::ClearDisplay(bool refreshBalance, bool setReady) {
    if (m_state.call.clock.running) {
        m_timers.KillTimer(Timer::CallClock);
        m_state.call.clock.elapsed = std::max<int64_t>(0, m_now() - m_state.call.clock.start);
        m_state.display.finalCallTime = FormatCallTime(m_state.call.clock.elapsed);
        m_history.SetDuration(m_state.call.clock.elapsed);
        m_state.call.clock.running = false;
    }
    if (m_state.call.active) {
        m_state.call.active = false;
        m_handset.NotifyExternalClient(ExternalControlProtocol::PhoneNotice::CallEnded, {});
        m_display.RedrawBalance();
        if (PopupsOn())
            m_service.ShowPopup(kPopupAfterCall);
    }
    if (refreshBalance)
        m_service.StartBalanceRequest(false);
    m_timers.KillTimer(Timer::MinutesDisplay);
    m_state.display.minutesShown = false;
    m_state.display.numberLine.clear();
    m_display.RedrawNumber();
    m_display.ResetNumberTooltip();
    m_shell.ScreenSaver(true);
    if (setReady) {
        m_state.callStatus = CallStatus::ReadyToCall;
        m_display.RedrawStatus();
    }
}

void DialingInput::Redial() {
    if (m_state.call.active)
        return;
    m_state.display.numberLine = m_history.Number(0);
    m_display.RedrawNumber();
}

void DialingInput::DeleteLast() {
    if (m_state.display.numberLine.isEmpty())
        return;
    m_state.display.numberLine.chop(1);
    m_display.RedrawNumber();
}

void DialingInput::Paste() {
    const auto text = m_shell.ClipboardText();
    if (!text)
        return;
    ShowNumber(*text);
}

void DialingInput::Copy() {
    m_shell.SetClipboardText(m_state.display.numberLine);
}

void DialingInput::ShowNumber(const QString& text) {
    m_state.display.numberLine = NormaliseNumber(text);
    m_display.RedrawNumber();
}

void DialingInput::StartAutoDial(int ms) {
    m_state.call.autoDial = true;
    m_timers.SetTimer(Timer::AutoDial, ms);
    m_display.RedrawStatus();
}

void DialingInput::HandOver(const QString& number, bool dialAtOnce) {
    ShowNumber(number);
    if (dialAtOnce)
        StartAutoDial();
}

void DialingInput::OnSliderMoved(int controlId, int position, bool vertical) {
    const int device = controlId == Cmd::SpkVolume ? RTCAD_SPEAKER : RTCAD_MICROPHONE;
    int value = std::clamp(position, 0, kVolumeMax);
    if (vertical)
        value = kVolumeMax - value;
    if (m_engine)
        m_engine->SetVolume(device, value);
    m_shell.FocusMainWindow();
}

void DialingInput::VolumeUp() {
    int32_t volume = 0;
    if (!m_engine || Failed(m_engine->GetVolume(RTCAD_SPEAKER, &volume)))
        return;
    if (volume > 0xF800)
        return;
    ApplySpeakerVolume(volume + kVolumeStep);
}

void DialingInput::VolumeDown() {
    int32_t volume = 0;
    if (!m_engine || Failed(m_engine->GetVolume(RTCAD_SPEAKER, &volume)))
        return;
    if (volume < kVolumeStep)
        return;
    ApplySpeakerVolume(volume - kVolumeStep);
}

void DialingInput::ApplySpeakerVolume(int volume) {
    m_engine->SetVolume(RTCAD_SPEAKER, std::clamp(volume, 0, kVolumeMax));
    m_state.call.muted = false;
    m_engine->SetMuted(RTCAD_MICROPHONE, false);
    m_display.RedrawStatus();
}

void DialingInput::SetMute(bool on) {
    m_state.call.muted = on;
    if (m_engine)
        m_engine->SetMuted(RTCAD_MICROPHONE, on);
    m_display.RedrawStatus();
}

void DialingInput::HandleHistoryDialogKey(int code) {
    const auto key = static_cast<HandsetKey>(code);
    if (code >= ToUnderlying(HandsetKey::Digit0) && code <= ToUnderlying(HandsetKey::Digit9)) {
        if (m_selection.SelectDigit(code))
            m_dialogs.CallHistorySelectionChanged(m_selection.Selected());
    } else if (key == HandsetKey::VolumeUp || key == HandsetKey::VolumeDown) {
        if (m_selection.Move(key == HandsetKey::VolumeUp ? -1 : 1))
            m_dialogs.CallHistorySelectionChanged(m_selection.Selected());
    } else if (key == HandsetKey::CallOrHangUp) {
        OnCallHistoryDialog(ToUnderlying(HistoryDialogRequest::TakeNumber));
    } else if (key == HandsetKey::CallHistory) {
        OnCallHistoryDialog(ToUnderlying(HistoryDialogRequest::Close));
    }
}

void DialingInput::HandleHandsetKey(int code, bool pressed) {
    if (m_state.signin.pending)
        return;
    if (m_state.modal.IsOpen(ModalDialog::CallHistory)) {
        if (pressed)
            HandleHistoryDialogKey(code);
        return;
    }
    if (m_state.modal.IsOpen()) {
        // Another dialog holds the window: nothing may dial or open behind it.
        qCDebug(lcLogic) << "handset key" << code << "ignored while a dialog is open";
        return;
    }
    const auto key = static_cast<HandsetKey>(code);
    if (code >= ToUnderlying(HandsetKey::Digit0) && code <= ToUnderlying(HandsetKey::Hash)) {
        const QChar ch = code <= ToUnderlying(HandsetKey::Digit9)
                             ? QChar(u'0' + code)
                             : (key == HandsetKey::Star ? QChar(u'*') : QChar(u'#'));
        if (!pressed) {
            OnKeyUp();
            return;
        }
        OnChar(ch);
        const int flag = key == HandsetKey::Star   ? ToUnderlying(HandsetOption::StarDials)
                         : key == HandsetKey::Hash ? ToUnderlying(HandsetOption::HashDials)
                                                   : 0;
        if (flag &&
            (m_state.callStatus == CallStatus::ReadyToCall ||
             m_state.callStatus == CallStatus::CallEnded) &&
            !m_state.call.active && (m_state.keypad.handsetOptions & flag))
            PlaceCall();
        return;
    }
    if (key == HandsetKey::Hook) {
        if (pressed) {
            HangUpOrClear(false);
            m_shell.Minimise();
        } else {
            m_shell.ShowWindow();
            if (m_state.display.numberLine.isEmpty() && !m_state.call.active)
                m_handset.NotifyHandset(HandsetNotice::AttentionCode, 1);
        }
        return;
    }
    if (!pressed)
        return;
    switch (key) {
        case HandsetKey::CallOrHangUp:
            if (m_state.callStatus == CallStatus::ReadyToCall && !m_state.call.active)
                PlaceCall();
            else if (!(m_state.keypad.handsetOptions & ToUnderlying(HandsetOption::CallKeepsCall)))
                HangUpOrClear(false);
            break;
        case HandsetKey::HangUp:
            HangUpOrClear(false);
            break;
        case HandsetKey::Mute:
            SetMute(!(m_state.call.active && m_state.call.muted));
            break;
        case HandsetKey::Redial:
            Redial();
            StartAutoDial();
            break;
        case HandsetKey::Account:
            m_dialogs.OpenAccountPage();
            break;
        case HandsetKey::DeleteLast:
            DeleteLast();
            break;
        case HandsetKey::VolumeUp:
            VolumeUp();
            VolumeUp();
            break;
        case HandsetKey::VolumeDown:
            VolumeDown();
            VolumeDown();
            break;
        case HandsetKey::Menu:
            m_shell.ShowContextMenu();
            break;
        case HandsetKey::CallHistory:
            OnCallHistoryDialog(ToUnderlying(HistoryDialogRequest::Open));
            break;
        case HandsetKey::AudioWizard:
            m_dialogs.RunAudioWizard();
            break;
        case HandsetKey::HomePage:
            m_dialogs.OpenHomePage();
            break;
        case HandsetKey::Digit0:
        case HandsetKey::Digit9:
        case HandsetKey::Star:
        case HandsetKey::Hash:
        case HandsetKey::Hook:
            break;  // handled above
    }
}

LRESULT DialingInput::OnCallHistoryDialog(WPARAM wParam) {
    switch (static_cast<HistoryDialogRequest>(wParam)) {
        case HistoryDialogRequest::Open:
            if (m_state.call.active || !m_state.modal.Open(ModalDialog::CallHistory))
                break;
            m_shell.FocusMainWindow();
            m_selection.Open(m_history.Count());
            m_dialogs.OpenCallHistoryDialog();
            break;
        case HistoryDialogRequest::TakeNumber:
            if (!m_state.modal.IsOpen(ModalDialog::CallHistory))
                break;
            if (const int entry = m_selection.SelectedEntry(); entry >= 0) {
                m_state.display.numberLine = m_history.Number(entry);
                m_display.RedrawNumber();
            }
            [[fallthrough]];
        case HistoryDialogRequest::Close:
            if (!m_state.modal.IsOpen(ModalDialog::CallHistory))
                break;
            m_dialogs.CloseCallHistoryDialog();
            m_state.modal.Close(ModalDialog::CallHistory);
            break;
    }
    return 0;
}

void DialingInput::OnFocus() {
    m_handset.NotifyHandset(HandsetNotice::FocusCode, 0);
}

void DialingInput::OnMenuOpened() {
    m_handset.NotifyHandset(HandsetNotice::MenuCode, 1);
}

void DialingInput::OnMenuLoopEnd() {
    m_handset.NotifyHandset(HandsetNotice::MenuCode, 0);
}

}  // namespace zuvo
