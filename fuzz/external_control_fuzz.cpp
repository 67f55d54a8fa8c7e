// What a control program sends over the bus: the 390-byte client record and the other copy-data
// types, as a sequence of messages from a bound client. Input: one byte of phone state (signed
// in, in a call), then messages of a type byte, a two-byte length and the data.

#include <algorithm>

#include "app/logic/external_control.h"
#include "fuzz/fuzz_support.h"
#include "tests/unit/logic/logic_fakes.h"

namespace {

using zuvo::ExternalClientPort;

// The bus side, which only records: answers go nowhere.
class QuietPort : public ExternalClientPort {
public:
    void SendBind(Handle, zuvo::WPARAM) override {}
    void PostBind(Handle, zuvo::WPARAM, zuvo::LPARAM) override {}
    void BroadcastBind(zuvo::WPARAM) override {}
    bool SendCopyData(Handle, uint32_t, const QByteArray& data) override {
        sent += data.size();
        return true;
    }
    bool ClientExists(Handle) override { return true; }
    void UseClientDevices(const QString& microphone, const QString& speaker) override {
        // The names are what the client wrote into fields of 128 bytes.
        if (microphone.size() > 128 || speaker.size() > 128) {
            __builtin_trap();
        }
    }
    void RestoreDevices() override {}
    qsizetype sent = 0;
};

constexpr ExternalClientPort::Handle kClient = 41;

// The settings store lives in a private folder made once; the phone's parts are made afresh for
// each input, as in the logic tests' PhoneRig.
struct Rig {
    explicit Rig(const zuvo::Profile& p) : profile(p) {}
    const zuvo::Profile& profile;
    int64_t now = 1'000'000;
    zuvo::PhoneState state;
    zuvo::test::RecordingDelegate delegate;
    zuvo::test::FakeEngine engine;
    zuvo::CallHistory history;
    zuvo::CallHistorySelection selection;
    zuvo::SpeedDial speedDial{profile};
    zuvo::DialingInput input{
        state, delegate, &engine, history, speedDial, selection, [this] { return now; }};
    zuvo::CallStateMachine machine{state, delegate, &engine, input, [this] { return now; }};

    void SignedIn() {
        state.signin.pending = false;
        state.signin.configurationReceived = true;
        state.servers.entries = {{QStringLiteral("127.0.0.1:5060"), QStringLiteral("UDP"), {}}};
        machine.OnRtcEvent(zuvo::RTC_EVT_REGISTRATION,
                           engine.Queue(zuvo::RtcStateEvent(zuvo::RTC_EVT_REGISTRATION,
                                                            zuvo::RTCRS_REGISTERED, 0)));
        state.display.numberLine = QStringLiteral("4420");
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zuvo::fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static zuvo::test::TestEnvironment environment;
    static const zuvo::Profile profile = zuvo::Profile::Phone();
    if (size < 1) {
        return 0;
    }
    const QByteArray raw = zuvo::fuzz::Bytes(data, size);
    // The record on its own, as the parser sees it.
    const auto record = zuvo::ExternalClientRecord::Parse(raw.mid(1));
    if (record && record->raw.size() != zuvo::ExternalControlProtocol::ClientRecord::kSize) {
        __builtin_trap();
    }

    Rig rig(profile);
    if (data[0] & 1) {
        rig.SignedIn();
    }
    if (data[0] & 2) {
        rig.state.call.active = true;
    }
    QuietPort port;
    zuvo::ExternalControl control(rig.state, rig.delegate, rig.input, rig.history, port);
    control.Announce();
    control.OnRegister(1, kClient);
    size_t at = 1;
    while (at + 3 <= size) {
        const uint32_t type = data[at];
        const size_t length = std::min<size_t>(size - at - 3, data[at + 1] | (data[at + 2] << 8));
        const QByteArray message(reinterpret_cast<const char*>(data + at + 3),
                                 static_cast<qsizetype>(length));
        control.OnCopyData(kClient, type, message);
        at += 3 + length;
    }
    control.OnRegister(0, kClient);
    control.OnClose();
    return 0;
}
