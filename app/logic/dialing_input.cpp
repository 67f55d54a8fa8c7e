#include "app/logic/dialing_input.h"

#include "app/logic/call_history.h"
#include "app/logic/call_history_selection.h"
#include "app/logic/normalise_number.h"
#include "app/logic/phone_delegate.h"
#include "app/logic/speed_dial.h"
#include "app/logic/status_line.h"
#include "telephony/rtc_engine_interface.h"

namespace zuvo {

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

DialingInput::DialingInput(PhoneState& state, PhoneDelegate& delegate, IRtcEngine* engine,
                           CallHistory& history, const SpeedDial& speedDial,
                           CallHistorySelection& selection, SecondsClock now)
    : m_state(state),
      m_delegate(delegate),
      m_engine(engine),
      m_history(history),
      m_speedDial(speedDial),
      m_selection(selection),
      m_now(std::move(now)) {}

bool DialingInput::PopupsOn() const {
    return m_state.popupsAvailable && m_state.settings.popupsEnabled;
}

void DialingInput::OnChar(QChar ch, bool autoRepeat) {
    if (!m_state.keyLatch.isNull())
        return;
    m_state.keyLatch = ch;
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
            if (m_state.numberLine.isEmpty()) {
                m_state.numberLine = u"00"_s;
                m_delegate.RedrawNumber();
            }
            return;
        default:
            break;
    }
    const int index = KeypadIndexOf(ch);
    if (index < 0 || autoRepeat || m_state.numberLine.size() >= kMaxNumberLength)
        return;
    m_delegate.ShowKeypadButton(index, true);
    OnKeypadPressed(index);
}

void DialingInput::OnKeyUp() {
    const int index = m_state.keyLatch.isNull() ? -1 : KeypadIndexOf(m_state.keyLatch);
    m_state.keyLatch = QChar();
    if (index >= 0) {
        m_delegate.ShowKeypadButton(index, false);
        OnKeypadReleased();
    }
}

void DialingInput::OnKeypadPressed(int index) {
    if (index < 0 || index > 11)
        return;
    // Recorded even on a full line, so that holding this key dials this key's entry.
    m_state.keyIndex = index;
    if (m_state.numberLine.size() >= kMaxNumberLength) {
        m_delegate.NotifyHandset(HandsetNotice::AttentionCode, 1);
    } else {
        if (index < 10)
            m_state.numberLine.append(QChar(u'0' + index));
        else if (index == 11 && m_state.settings.allowIpCalls)
            m_state.numberLine.append(u'.');
        m_delegate.RedrawNumber();
    }
    if (m_engine)
        m_engine->SendTone(index);
    if (!m_state.callActive)
        m_delegate.SetTimer(Timer::HoldToDial, kHoldToDialMs);
    m_delegate.FocusMainWindow();
}

void DialingInput::OnKeypadReleased() {
    m_delegate.KillTimer(Timer::HoldToDial);
    m_delegate.FocusMainWindow();
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
    const auto entry = m_speedDial.Lookup(m_state.keyIndex);
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
            m_delegate.ShowContextMenu();
            return true;
        default:
            break;
    }
    if (id >= Cmd::HistoryFirst && id <= Cmd::HistoryLast) {
        const int index = id - Cmd::HistoryFirst;
        if (index < m_history.Count()) {
            m_state.numberLine = m_history.Number(index);
            m_delegate.RedrawNumber();
        }
        return true;
    }
    return false;
}

void DialingInput::PlaceCall() {
    if (m_state.installWizardPending)
        m_delegate.RunAudioWizard();

    // A shown pop-up stops this request; the next one goes straight on.
    if (!m_state.popupCheckDone && PopupsOn()) {
        m_state.popupCheckDone = true;
        if (m_delegate.ShowPopup(kPopupBeforeCall))
            return;
    }
    m_state.popupCheckDone = false;

    m_delegate.NotifyHandset(HandsetNotice::AttentionCode, 1);
    if (m_state.connectionState != RTCRS_REGISTERED || m_state.callActive ||
        m_state.numberLine.isEmpty())
        return;

    QString dial = m_state.numberLine;
    if (dial.count(u'.') == 3) {
        if (!m_state.settings.allowIpCalls)
            return;
    } else {
        if (dial.startsWith(u"00"_s))
            dial.remove(0, 2);
        // "00" alone would dial a bare "+".
        if (dial.isEmpty())
            return;
        m_delegate.StartCallAuthorisation(dial);
        dial.prepend(u'+');
    }
    m_state.dialledNumber = dial;

    if (m_state.autoDial) {
        m_state.autoDial = false;
        m_delegate.RedrawStatus();
    }
    m_history.Add(m_state.numberLine);
    m_delegate.ScreenSaver(false);

    if (!m_engine)
        return;
    const int port = m_state.settings.rtpDynamic ? 0 : m_state.settings.rtpPort;
    if (Failed(m_engine->PlaceCall(m_state.callType, dial, QString(), port)))
        return;

    m_state.callActive = true;
    m_delegate.NotifyExternalClient(ExternalControlProtocol::PhoneNotice::CallStarted, {});
    m_delegate.RedrawBalance();
    m_state.muted = false;
    m_engine->SetMuted(RTCAD_MICROPHONE, false);
    m_engine->SetMuted(RTCAD_SPEAKER, false);
}

void DialingInput::HangUpOrClear(bool fromButton) {
    if (m_state.autoDial) {
        m_state.autoDial = false;
        m_delegate.KillTimer(Timer::AutoDial);
        m_delegate.RedrawStatus();
        return;
    }
    if (m_state.callActive) {
        if (m_engine)
            m_engine->HangUp();
        return;
    }
    ClearDisplay(fromButton, true);
}

void DialingInput::ClearDisplay(bool refreshBalance, bool setReady) {
    if (m_state.clock.running) {
        m_delegate.KillTimer(Timer::CallClock);
        m_state.clock.elapsed = std::max<int64_t>(0, m_now() - m_state.clock.start);
        m_state.finalCallTime = FormatCallTime(m_state.clock.elapsed);
        m_history.SetDuration(m_state.clock.elapsed);
        m_state.clock.running = false;
    }
    if (m_state.callActive) {
        m_state.callActive = false;
        m_delegate.NotifyExternalClient(ExternalControlProtocol::PhoneNotice::CallEnded, {});
        m_delegate.RedrawBalance();
        if (PopupsOn())
            m_delegate.ShowPopup(kPopupAfterCall);
    }
    if (refreshBalance)
        m_delegate.StartBalanceRequest(false);
    m_delegate.KillTimer(Timer::MinutesDisplay);
    m_state.minutesShown = false;
    m_state.numberLine.clear();
    m_delegate.RedrawNumber();
    m_delegate.ResetNumberTooltip();
    m_delegate.ScreenSaver(true);
    if (setReady) {
        m_state.callStatus = CallStatus::ReadyToCall;
        m_delegate.RedrawStatus();
    }
}

void DialingInput::Redial() {
    if (m_state.callActive)
        return;
    m_state.numberLine = m_history.Number(0);
    m_delegate.RedrawNumber();
}

void DialingInput::DeleteLast() {
    if (m_state.numberLine.isEmpty())
        return;
    m_state.numberLine.chop(1);
    m_delegate.RedrawNumber();
}

void DialingInput::Paste() {
    const auto text = m_delegate.ClipboardText();
    if (!text)
        return;
    ShowNumber(*text);
}

void DialingInput::Copy() {
    m_delegate.SetClipboardText(m_state.numberLine);
}

void DialingInput::ShowNumber(const QString& text) {
    m_state.numberLine = NormaliseNumber(text);
    m_delegate.RedrawNumber();
}

void DialingInput::StartAutoDial(int ms) {
    m_state.autoDial = true;
    m_delegate.SetTimer(Timer::AutoDial, ms);
    m_delegate.RedrawStatus();
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
    m_delegate.FocusMainWindow();
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
    m_state.muted = false;
    m_engine->SetMuted(RTCAD_MICROPHONE, false);
    m_delegate.RedrawStatus();
}

void DialingInput::SetMute(bool on) {
    m_state.muted = on;
    if (m_engine)
        m_engine->SetMuted(RTCAD_MICROPHONE, on);
    m_delegate.RedrawStatus();
}

void DialingInput::HandleHistoryDialogKey(int code) {
    const auto key = static_cast<HandsetKey>(code);
    if (code >= ToUnderlying(HandsetKey::Digit0) && code <= ToUnderlying(HandsetKey::Digit9)) {
        if (m_selection.SelectDigit(code))
            m_delegate.CallHistorySelectionChanged(m_selection.Selected());
    } else if (key == HandsetKey::VolumeUp || key == HandsetKey::VolumeDown) {
        if (m_selection.Move(key == HandsetKey::VolumeUp ? -1 : 1))
            m_delegate.CallHistorySelectionChanged(m_selection.Selected());
    } else if (key == HandsetKey::CallOrHangUp) {
        OnCallHistoryDialog(ToUnderlying(HistoryDialogRequest::TakeNumber));
    } else if (key == HandsetKey::CallHistory) {
        OnCallHistoryDialog(ToUnderlying(HistoryDialogRequest::Close));
    }
}

void DialingInput::HandleHandsetKey(int code, bool pressed) {
    if (m_state.signInPending)
        return;
    if (m_state.callHistoryDialogOpen) {
        if (pressed)
            HandleHistoryDialogKey(code);
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
            !m_state.callActive && (m_state.handsetOptions & flag))
            PlaceCall();
        return;
    }
    if (key == HandsetKey::Hook) {
        if (pressed) {
            HangUpOrClear(false);
            m_delegate.Minimise();
        } else {
            m_delegate.ShowWindow();
            if (m_state.numberLine.isEmpty() && !m_state.callActive)
                m_delegate.NotifyHandset(HandsetNotice::AttentionCode, 1);
        }
        return;
    }
    if (!pressed)
        return;
    switch (key) {
        case HandsetKey::CallOrHangUp:
            if (m_state.callStatus == CallStatus::ReadyToCall && !m_state.callActive)
                PlaceCall();
            else if (!(m_state.handsetOptions & ToUnderlying(HandsetOption::CallKeepsCall)))
                HangUpOrClear(false);
            break;
        case HandsetKey::HangUp:
            HangUpOrClear(false);
            break;
        case HandsetKey::Mute:
            SetMute(!(m_state.callActive && m_state.muted));
            break;
        case HandsetKey::Redial:
            Redial();
            StartAutoDial();
            break;
        case HandsetKey::Account:
            m_delegate.OpenAccountPage();
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
            m_delegate.ShowContextMenu();
            break;
        case HandsetKey::CallHistory:
            OnCallHistoryDialog(ToUnderlying(HistoryDialogRequest::Open));
            break;
        case HandsetKey::AudioWizard:
            m_delegate.RunAudioWizard();
            break;
        case HandsetKey::HomePage:
            m_delegate.OpenHomePage();
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
            if (m_state.callActive || m_state.callHistoryDialogOpen)
                break;
            m_delegate.FocusMainWindow();
            m_state.callHistoryDialogOpen = true;
            m_selection.Open(m_history.Count());
            m_delegate.OpenCallHistoryDialog();
            break;
        case HistoryDialogRequest::TakeNumber:
            if (!m_state.callHistoryDialogOpen)
                break;
            if (const int entry = m_selection.SelectedEntry(); entry >= 0) {
                m_state.numberLine = m_history.Number(entry);
                m_delegate.RedrawNumber();
            }
            [[fallthrough]];
        case HistoryDialogRequest::Close:
            if (!m_state.callHistoryDialogOpen)
                break;
            m_delegate.CloseCallHistoryDialog();
            m_state.callHistoryDialogOpen = false;
            break;
    }
    return 0;
}

void DialingInput::OnFocus() {
    m_delegate.NotifyHandset(HandsetNotice::FocusCode, 0);
}

void DialingInput::OnMenuOpened() {
    m_delegate.NotifyHandset(HandsetNotice::MenuCode, 1);
}

void DialingInput::OnMenuLoopEnd() {
    m_delegate.NotifyHandset(HandsetNotice::MenuCode, 0);
}

}  // namespace zuvo
