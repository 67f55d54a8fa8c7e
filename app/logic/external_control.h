#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

#include "platform/external_control_protocol.h"
#include "platform/ids.h"

namespace zuvo {

class CallHistory;
class DialingInput;
class DialogDelegate;
struct PhoneState;

// How the external-control logic reaches the client and the audio devices. The window
// implements it over the local bus and the engine. Main thread only.
class ExternalClientPort {
public:
    using Handle = uint32_t;
    virtual ~ExternalClientPort() = default;
    // Sends (waits for) Bind with wParam (a BindAnswer) to client, lParam = the phone's window.
    virtual void SendBind(Handle client, WPARAM wParam) = 0;
    virtual void PostBind(Handle client, WPARAM wParam, LPARAM lParam) = 0;
    virtual void BroadcastBind(WPARAM wParam) = 0;
    // Copy-data to client, sender = the phone's window; false when the send failed.
    virtual bool SendCopyData(Handle client, uint32_t type, const QByteArray& data) = 0;
    // Whether the client's window still exists (its program may have died without unbinding).
    virtual bool ClientExists(Handle client) = 0;
    // Switches the engine to the client's devices (saving the current choice), and back.
    virtual void UseClientDevices(const QString& microphone, const QString& speaker) = 0;
    virtual void RestoreDevices() = 0;
};

// The client record a control program sends (ClientCommand::ClientRecord).
struct ExternalClientRecord {
    QByteArray raw;  // always ClientRecord::kSize bytes, zero-filled after what the client sent
    uint8_t options = 0;
    QString microphone;
    QString speaker;

    // Nothing for a record longer than 390 bytes. Names end at their first zero byte or at the
    // end of their field, whichever comes first.
    static std::optional<ExternalClientRecord> Parse(const QByteArray& data);
};

// The phone's side of the external-control protocol: binding one client through the
// Register/Bind messages, carrying out its ClientCommands and sending it PhoneNotices.
class ExternalControl {
public:
    using Handle = ExternalClientPort::Handle;

    ExternalControl(PhoneState& state, DialogDelegate& dialogs, DialingInput& input,
                    const CallHistory& history, ExternalClientPort& port);

    // At start: broadcast Bind Free.
    void Announce();
    // The Register message, as it came off the bus: Bind (answers Bound, AlreadyBound or
    // OtherBound; a bound client whose window is gone is forgotten first), Unbind (returns 1 for
    // the bound client, else 0), Status (returns 1 for the bound client, else 0, no answer); any
    // other request is answered Refused. A null client window gets no answer.
    LRESULT OnRegister(WPARAM request, LPARAM clientWindow);
    // A copy-data message, type as it came off the bus. Only the bound client is obeyed (false
    // for anyone else); while sign-in is pending every command but ClientRecord and StateRequest
    // is ignored with true.
    bool OnCopyData(Handle sender, uint32_t type, const QByteArray& data);
    // At close: devices back and Bind Closing posted to the bound client.
    void OnClose();

    // Sends copy-data to the bound client; a failed send releases it. False when not sent.
    bool Send(ExternalControlProtocol::PhoneNotice type, const QByteArray& data);
    void SendStateRecord();
    void SendHistoryList();
    // The number area was redrawn: sends the number (PhoneNotice::Number) when it changed since
    // last sent.
    void NumberLineRedrawn(const QString& number);

    Handle client() const { return m_client; }
    const std::optional<ExternalClientRecord>& record() const { return m_record; }
    // The state record: number (127 chars + zero in 128 bytes), call active, muted (int32 LE).
    static QByteArray StateRecord(const QString& number, bool callActive, bool muted);

private:
    // Devices back, client and its record forgotten.
    void Forget();
    // Forget, then Bind Free to everyone: the phone is free again.
    void Release();
    bool HasOption(ExternalControlProtocol::ClientOption option) const;
    bool Idle() const;

    PhoneState& m_state;
    DialogDelegate& m_dialogs;
    DialingInput& m_input;
    const CallHistory& m_history;
    ExternalClientPort& m_port;
    Handle m_client = 0;
    std::optional<ExternalClientRecord> m_record;
    std::optional<QString> m_lastNumberSent;
};

}  // namespace zuvo
