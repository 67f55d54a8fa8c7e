#include "app/logic/external_control.h"

#include <QtEndian>

#include "app/logic/dialing_input.h"
#include "app/logic/dialog_delegate.h"
#include "app/logic/phone_state.h"
#include "contacts/call_history.h"
#include "platform/time_report.h"

namespace zuvo {

namespace Proto = ExternalControlProtocol;
using Proto::BindAnswer;
using Proto::ClientCommand;
using Proto::ClientOption;
using Proto::PhoneNotice;
using Proto::RegisterRequest;

namespace {
constexpr int kAutoDialMs = 1500;

QString NameAt(const QByteArray& raw, qsizetype offset, qsizetype size) {
    const QByteArray field = raw.mid(offset, size);
    const qsizetype end = field.indexOf('\0');
    return QString::fromUtf8(end < 0 ? field : field.left(end));
}

QByteArray UpToZero(const QByteArray& data) {
    const qsizetype end = data.indexOf('\0');
    return end < 0 ? data : data.left(end);
}
}  // namespace

std::optional<ExternalClientRecord> ExternalClientRecord::Parse(const QByteArray& data) {
    using namespace Proto::ClientRecord;
    if (data.size() > kSize)
        return std::nullopt;
    ExternalClientRecord record;
    record.raw = data;
    record.raw.append(QByteArray(kSize - data.size(), '\0'));
    record.options = static_cast<uint8_t>(record.raw.at(kOptionsOffset));
    record.microphone = NameAt(record.raw, kMicOffset, kNameSize);
    record.speaker = NameAt(record.raw, kSpeakerOffset, kNameSize);
    return record;
}

ExternalControl::ExternalControl(PhoneState& state, DialogDelegate& dialogs, DialingInput& input,
                                 const CallHistory& history, ExternalClientPort& port)
    : m_state(state), m_dialogs(dialogs), m_input(input), m_history(history), m_port(port) {}

void ExternalControl::Announce() {
    m_port.BroadcastBind(ToUnderlying(BindAnswer::Free));
}

LRESULT ExternalControl::OnRegister(WPARAM request, LPARAM clientWindow) {
    const auto client = static_cast<Handle>(clientWindow);
    if (client == 0 || static_cast<LPARAM>(client) != clientWindow)
        return 0;
    switch (static_cast<RegisterRequest>(request)) {
        case RegisterRequest::Bind:
            if (m_client != 0 && m_client != client && !m_port.ClientExists(m_client)) {
                // Its program ended without unbinding. No Bind Free to everyone here: the
                // newcomer is bound at once and must hear only its own answer.
                Forget();
            }
            if (m_client == 0) {
                m_client = client;
                m_port.SendBind(client, ToUnderlying(BindAnswer::Bound));
            } else {
                m_port.SendBind(client, ToUnderlying(m_client == client ? BindAnswer::AlreadyBound
                                                                        : BindAnswer::OtherBound));
            }
            return 0;
        case RegisterRequest::Unbind:
            if (m_client != client)
                return 0;
            Release();
            return 1;
        case RegisterRequest::Status:
            return m_client == client ? 1 : 0;
    }
    m_port.SendBind(client, ToUnderlying(BindAnswer::Refused));
    return 0;
}

void ExternalControl::Forget() {
    m_port.RestoreDevices();
    m_client = 0;
    m_record.reset();
    m_lastNumberSent.reset();
}

void ExternalControl::Release() {
    Forget();
    m_port.BroadcastBind(ToUnderlying(BindAnswer::Free));
}

void ExternalControl::OnClose() {
    if (m_client == 0)
        return;
    m_port.RestoreDevices();
    m_port.PostBind(m_client, ToUnderlying(BindAnswer::Closing), 0);
    m_client = 0;
    m_record.reset();
}

bool ExternalControl::HasOption(ClientOption option) const {
    return m_record && (m_record->options & ToUnderlying(option));
}

bool ExternalControl::Idle() const {
    return (m_state.callStatus == CallStatus::ReadyToCall ||
            m_state.callStatus == CallStatus::CallEnded) &&
           !m_state.call.active;
}

bool ExternalControl::OnCopyData(Handle sender, uint32_t type, const QByteArray& data) {
    if (m_client == 0 || sender != m_client)
        return false;
    if (type == ToUnderlying(ClientCommand::ClientRecord)) {
        auto record = ExternalClientRecord::Parse(data);
        if (!record)
            return false;
        m_record = std::move(record);
        m_port.UseClientDevices(m_record->microphone, m_record->speaker);
        SendStateRecord();
        return true;
    }
    if (type < Proto::kFirstClientCommand || type > Proto::kLastClientCommand)
        return false;
    // While sign-in is pending no command is carried out. A state request changes nothing and
    // its client waits for the answer, so it is answered as a client record is.
    if (m_state.signin.pending && type != ToUnderlying(ClientCommand::StateRequest))
        return true;
    switch (static_cast<ClientCommand>(type)) {
        case ClientCommand::ClientRecord:
            return false;  // handled above
        case ClientCommand::Key: {
            if (data.isEmpty() || data.at(0) == '\0')
                return false;
            const QChar ch = QChar::fromLatin1(data.at(0));
            m_input.OnChar(ch);
            const std::optional<ClientOption> flag = ch == u'*'   ? ClientOption::StarDials
                                                     : ch == u'#' ? ClientOption::HashDials
                                                                  : std::optional<ClientOption>();
            if (flag && HasOption(*flag) && Idle())
                m_input.PlaceCall();
            return true;
        }
        case ClientCommand::KeyUp:
            m_input.OnKeyUp();
            return true;
        case ClientCommand::DeleteLast:
            m_input.DeleteLast();
            return true;
        case ClientCommand::ShowNumber:
            if (m_state.call.active)
                return false;
            m_input.ShowNumber(QString::fromUtf8(UpToZero(data)));
            return true;
        case ClientCommand::CallOrHangUp:
            if (!m_state.call.active) {
                ReportTime("dial command");
                m_input.PlaceCall();
            } else if (!HasOption(ClientOption::CallKeepsCall))
                m_input.HangUpOrClear(false);
            return true;
        case ClientCommand::HangUp:
            m_input.HangUpOrClear(false);
            return true;
        case ClientCommand::Redial:
            m_input.Redial();
            m_input.StartAutoDial(kAutoDialMs);
            return true;
        case ClientCommand::VolumeUp:
        case ClientCommand::VolumeDown:
            if (!HasOption(ClientOption::NoVolume)) {
                for (int i = 0; i < 2; ++i)
                    type == ToUnderlying(ClientCommand::VolumeUp) ? m_input.VolumeUp()
                                                                  : m_input.VolumeDown();
            }
            return true;
        case ClientCommand::Mute:
            if (m_state.call.active)
                m_input.SetMute(true);
            return true;
        case ClientCommand::Unmute:
            m_input.SetMute(false);
            return true;
        case ClientCommand::HistoryRequest:
            SendHistoryList();
            return true;
        case ClientCommand::HomePage:
            m_dialogs.OpenHomePage();
            return true;
        case ClientCommand::SupportPage:
            m_dialogs.OpenSupportPage();
            return true;
        case ClientCommand::StateRequest:
            SendStateRecord();
            return true;
    }
    return false;
}

bool ExternalControl::Send(PhoneNotice type, const QByteArray& data) {
    if (m_client == 0)
        return false;
    if (!m_port.SendCopyData(m_client, ToUnderlying(type), data)) {
        Release();
        return false;
    }
    return true;
}

QByteArray ExternalControl::StateRecord(const QString& number, bool callActive, bool muted) {
    namespace Layout = Proto::StateRecord;
    QByteArray record(Layout::kSize, '\0');
    const QByteArray text = number.toUtf8().left(Layout::kNumberSize - 1);
    std::copy(text.begin(), text.end(), record.begin());
    qToLittleEndian<int32_t>(callActive ? 1 : 0, record.data() + Layout::kCallActiveOffset);
    qToLittleEndian<int32_t>(muted ? 1 : 0, record.data() + Layout::kMutedOffset);
    return record;
}

void ExternalControl::SendStateRecord() {
    Send(PhoneNotice::State,
         StateRecord(m_state.display.numberLine, m_state.call.active, m_state.call.muted));
}

void ExternalControl::SendHistoryList() {
    QByteArray list = m_history.JoinedNumbers().toUtf8();
    list.append('\0');
    Send(PhoneNotice::History, list);
}

void ExternalControl::NumberLineRedrawn(const QString& number) {
    if (m_client == 0 || m_lastNumberSent == number)
        return;
    m_lastNumberSent = number;
    QByteArray text = number.toUtf8();
    text.append('\0');
    Send(PhoneNotice::Number, text);
}

}  // namespace zuvo
