#include "app/logic/external_control.h"

#include <QtEndian>

#include "app/logic/dialing_input.h"
#include "app/logic/dialog_delegate.h"
#include "app/logic/phone_state.h"
#include "contacts/call_history.h"

namespace zuvo {

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
    m_port.BroadcastBind(1);
}

LRESULT ExternalControl::OnRegister(WPARAM request, LPARAM clientWindow) {
    const auto client = static_cast<Handle>(clientWindow);
    if (client == 0 || static_cast<LPARAM>(client) != clientWindow)
        return 0;
    switch (request) {
        case 1:
            if (m_client != 0 && m_client != client && !m_port.ClientExists(m_client)) {
                // Its program ended without unbinding. No Bind 1 to everyone here: the
                // newcomer is bound at once and must hear only its own answer.
                Forget();
            }
            if (m_client == 0) {
                m_client = client;
                m_port.SendBind(client, 2);
            } else {
                m_port.SendBind(client, m_client == client ? 3 : 4);
            }
            return 0;
        case 0:
            if (m_client != client)
                return 0;
            Release();
            return 1;
        case kStatusRequest:
            return m_client == client ? 1 : 0;
        default:
            m_port.SendBind(client, 5);
            return 0;
    }
}

void ExternalControl::Forget() {
    m_port.RestoreDevices();
    m_client = 0;
    m_record.reset();
    m_lastNumberSent.reset();
}

void ExternalControl::Release() {
    Forget();
    m_port.BroadcastBind(1);
}

void ExternalControl::OnClose() {
    if (m_client == 0)
        return;
    m_port.RestoreDevices();
    m_port.PostBind(m_client, 0, 0);
    m_client = 0;
    m_record.reset();
}

bool ExternalControl::HasOption(uint8_t option) const {
    return m_record && (m_record->options & option);
}

bool ExternalControl::Idle() const {
    return (m_state.callStatus == 0 || m_state.callStatus == 11) && !m_state.call.active;
}

bool ExternalControl::OnCopyData(Handle sender, uint32_t type, const QByteArray& data) {
    if (m_client == 0 || sender != m_client)
        return false;
    if (type == 1) {
        auto record = ExternalClientRecord::Parse(data);
        if (!record)
            return false;
        m_record = std::move(record);
        m_port.UseClientDevices(m_record->microphone, m_record->speaker);
        SendStateRecord();
        return true;
    }
    if (type >= 2 && type <= 16 && m_state.signin.pending)
        return true;
    switch (type) {
        case 2: {
            if (data.isEmpty() || data.at(0) == '\0')
                return false;
            const QChar ch = QChar::fromLatin1(data.at(0));
            m_input.OnChar(ch);
            const uint8_t flag = ch == u'*'   ? ExternalClientRecord::StarDials
                                 : ch == u'#' ? ExternalClientRecord::HashDials
                                              : 0;
            if (flag && HasOption(flag) && Idle())
                m_input.PlaceCall();
            return true;
        }
        case 3:
            m_input.OnKeyUp();
            return true;
        case 4:
            m_input.DeleteLast();
            return true;
        case 5:
            if (m_state.call.active)
                return false;
            m_input.ShowNumber(QString::fromUtf8(UpToZero(data)));
            return true;
        case 6:
            if (!m_state.call.active)
                m_input.PlaceCall();
            else if (!HasOption(ExternalClientRecord::CallKeepsCall))
                m_input.HangUpOrClear(false);
            return true;
        case 7:
            m_input.HangUpOrClear(false);
            return true;
        case 8:
            m_input.Redial();
            m_input.StartAutoDial(kAutoDialMs);
            return true;
        case 9:
        case 10:
            if (!HasOption(ExternalClientRecord::NoVolume)) {
                for (int i = 0; i < 2; ++i)
                    type == 9 ? m_input.VolumeUp() : m_input.VolumeDown();
            }
            return true;
        case 11:
            if (m_state.call.active)
                m_input.SetMute(true);
            return true;
        case 12:
            m_input.SetMute(false);
            return true;
        case 13:
            SendHistoryList();
            return true;
        case 14:
            m_dialogs.OpenHomePage();
            return true;
        case 15:
            m_dialogs.OpenSupportPage();
            return true;
        case 16:
            SendStateRecord();
            return true;
        default:
            return false;
    }
}

bool ExternalControl::Send(uint32_t type, const QByteArray& data) {
    if (m_client == 0)
        return false;
    if (!m_port.SendCopyData(m_client, type, data)) {
        Release();
        return false;
    }
    return true;
}

QByteArray ExternalControl::StateRecord(const QString& number, bool callActive, bool muted) {
    QByteArray record(kStateRecordSize, '\0');
    const QByteArray text = number.toUtf8().left(127);
    std::copy(text.begin(), text.end(), record.begin());
    qToLittleEndian<int32_t>(callActive ? 1 : 0, record.data() + 128);
    qToLittleEndian<int32_t>(muted ? 1 : 0, record.data() + 132);
    return record;
}

void ExternalControl::SendStateRecord() {
    Send(1, StateRecord(m_state.display.numberLine, m_state.call.active, m_state.call.muted));
}

void ExternalControl::SendHistoryList() {
    QByteArray list = m_history.JoinedNumbers().toUtf8();
    list.append('\0');
    Send(5, list);
}

void ExternalControl::NumberLineRedrawn(const QString& number) {
    if (m_client == 0 || m_lastNumberSent == number)
        return;
    m_lastNumberSent = number;
    QByteArray text = number.toUtf8();
    text.append('\0');
    Send(2, text);
}

}  // namespace zuvo
