#include <gtest/gtest.h>

#include <QtEndian>

#include "app/logic/external_control.h"
#include "logic_fakes.h"

namespace zuvo::test {
namespace {

using namespace Qt::Literals::StringLiterals;

class FakePort : public ExternalClientPort {
public:
    QList<QPair<Handle, WPARAM>> binds;  // sent
    QList<WPARAM> broadcasts;
    QList<QPair<Handle, WPARAM>> posted;
    QList<QPair<uint32_t, QByteArray>> copies;
    bool sendFails = false;
    QList<Handle> gone;  // clients whose window no longer exists
    QString mic, speaker;
    int restores = 0;

    void SendBind(Handle client, WPARAM w) override { binds.append({client, w}); }
    void PostBind(Handle client, WPARAM w, LPARAM) override { posted.append({client, w}); }
    void BroadcastBind(WPARAM w) override { broadcasts.append(w); }
    bool SendCopyData(Handle, uint32_t type, const QByteArray& data) override {
        if (sendFails)
            return false;
        copies.append({type, data});
        return true;
    }
    void UseClientDevices(const QString& m, const QString& s) override {
        mic = m;
        speaker = s;
    }
    void RestoreDevices() override { ++restores; }
    bool ClientExists(Handle client) override { return !gone.contains(client); }
};

QByteArray Record(uint8_t options, const QByteArray& mic, const QByteArray& speaker,
                  qsizetype size = ExternalControlProtocol::ClientRecord::kSize) {
    QByteArray r(size, '\0');
    r[ExternalControlProtocol::ClientRecord::kOptionsOffset] = static_cast<char>(options);
    r.replace(ExternalControlProtocol::ClientRecord::kMicOffset, mic.size(), mic);
    r.replace(ExternalControlProtocol::ClientRecord::kSpeakerOffset, speaker.size(), speaker);
    return r.left(size);
}

class ExternalControlTest : public ::testing::Test {
protected:
    PhoneRig rig;
    FakePort port;
    ExternalControl control{rig.state, rig.delegate, rig.input, rig.history, port};
    static constexpr ExternalControl::Handle kClient = 41;
    static constexpr ExternalControl::Handle kOther = 42;
};

TEST_F(ExternalControlTest, BindingAnswers) {
    control.Announce();
    EXPECT_EQ(port.broadcasts, QList<WPARAM>{1});
    EXPECT_EQ(control.OnRegister(0x1000, kClient), 0);
    control.OnRegister(1, kClient);
    control.OnRegister(1, kClient);
    control.OnRegister(1, kOther);
    control.OnRegister(7, kOther);
    control.OnRegister(1, 0);  // no window to answer
    EXPECT_EQ(port.binds, (QList<QPair<ExternalControl::Handle, WPARAM>>{
                              {kClient, 2}, {kClient, 3}, {kOther, 4}, {kOther, 5}}));
    EXPECT_EQ(control.OnRegister(0x1000, kClient), 1);
    EXPECT_EQ(control.OnRegister(0x1000, kOther), 0);
    EXPECT_EQ(control.OnRegister(0, kOther), 0);
    EXPECT_EQ(control.client(), kClient);
    EXPECT_EQ(control.OnRegister(0, kClient), 1);
    EXPECT_EQ(control.client(), 0u);
    EXPECT_EQ(port.restores, 1);
    EXPECT_EQ(port.broadcasts, (QList<WPARAM>{1, 1}));
}

TEST_F(ExternalControlTest, AClientWhoseProgramEndedIsReplaced) {
    control.OnRegister(1, kClient);
    ASSERT_TRUE(control.OnCopyData(kClient, 1, Record(0, "usb mic", "usb speaker")));
    control.OnRegister(1, kOther);  // the bound client lives: turned away
    EXPECT_EQ(control.client(), kClient);

    port.gone.append(kClient);
    control.OnRegister(1, kOther);
    EXPECT_EQ(port.binds, (QList<QPair<ExternalControl::Handle, WPARAM>>{
                              {kClient, 2}, {kOther, 4}, {kOther, 2}}));
    EXPECT_EQ(control.client(), kOther);
    EXPECT_FALSE(control.record());
    EXPECT_EQ(port.restores, 1);  // the dead client's devices are given back
    EXPECT_TRUE(port.broadcasts.isEmpty());
    EXPECT_FALSE(control.OnCopyData(kClient, 16, {}));
    EXPECT_EQ(control.OnRegister(0x1000, kOther), 1);
}

TEST_F(ExternalControlTest, ClientRecordIsCheckedAndReadSafely) {
    // Names filling their whole field, without a terminating zero.
    const QByteArray mic(128, 'm');
    const QByteArray speaker(128, 's');
    auto parsed = ExternalClientRecord::Parse(Record(0x0C, mic, speaker));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->microphone, QString(128, u'm'));
    EXPECT_EQ(parsed->speaker, QString(128, u's'));
    EXPECT_EQ(parsed->options, 0x0C);
    EXPECT_FALSE(ExternalClientRecord::Parse(QByteArray(391, 'x')));
    parsed = ExternalClientRecord::Parse(QByteArray(140, 'x'));  // short: the rest is zero
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->microphone, u"xxxxxx"_s);
    EXPECT_TRUE(parsed->speaker.isEmpty());

    control.OnRegister(1, kClient);
    EXPECT_FALSE(control.OnCopyData(kClient, 1, QByteArray(391, 'x')));
    EXPECT_FALSE(control.record());
    EXPECT_TRUE(control.OnCopyData(kClient, 1, Record(0, "USB Mic", "USB Speaker")));
    EXPECT_EQ(port.mic, u"USB Mic"_s);
    EXPECT_EQ(port.speaker, u"USB Speaker"_s);
    ASSERT_EQ(port.copies.size(), 1);
    EXPECT_EQ(port.copies[0].first, 1u);
    EXPECT_EQ(port.copies[0].second.size(), ExternalControlProtocol::StateRecord::kSize);
}

TEST_F(ExternalControlTest, StateRecordLayout) {
    const QByteArray r = ExternalControl::StateRecord(QString(200, u'5'), true, true);
    ASSERT_EQ(r.size(), 136);
    EXPECT_EQ(r.indexOf('\0'), 127);
    EXPECT_EQ(qFromLittleEndian<int32_t>(r.constData() + 128), 1);
    EXPECT_EQ(qFromLittleEndian<int32_t>(r.constData() + 132), 1);
    const QByteArray idle = ExternalControl::StateRecord(u"12"_s, false, false);
    EXPECT_EQ(idle.left(3), QByteArray("12\0", 3));
    EXPECT_EQ(qFromLittleEndian<int32_t>(idle.constData() + 128), 0);
}

TEST_F(ExternalControlTest, CommandsFromTheBoundClientOnly) {
    control.OnRegister(1, kClient);
    // Sign-in pending: accepted and ignored, but a state request is answered.
    EXPECT_TRUE(control.OnCopyData(kClient, 2, "5"));
    EXPECT_TRUE(control.OnCopyData(kClient, 13, {}));
    EXPECT_TRUE(rig.state.display.numberLine.isEmpty());
    EXPECT_TRUE(port.copies.isEmpty());
    EXPECT_TRUE(control.OnCopyData(kClient, 16, {}));
    ASSERT_EQ(port.copies.size(), 1);
    EXPECT_EQ(port.copies[0].first, 1u);
    EXPECT_EQ(port.copies[0].second, ExternalControl::StateRecord(QString(), false, false));
    port.copies.clear();
    rig.SignedIn();
    EXPECT_FALSE(control.OnCopyData(kOther, 2, "5"));
    EXPECT_TRUE(rig.state.display.numberLine.isEmpty());
    EXPECT_FALSE(control.OnCopyData(kClient, 2, QByteArray()));

    EXPECT_TRUE(control.OnCopyData(kClient, 2, "5"));
    EXPECT_TRUE(control.OnCopyData(kClient, 3, "5"));
    EXPECT_TRUE(control.OnCopyData(kClient, 2, "6"));
    EXPECT_TRUE(control.OnCopyData(kClient, 3, "6"));
    EXPECT_EQ(rig.state.display.numberLine, u"56"_s);
    EXPECT_TRUE(control.OnCopyData(kClient, 4, {}));
    EXPECT_EQ(rig.state.display.numberLine, u"5"_s);
    EXPECT_TRUE(control.OnCopyData(kClient, 5, QByteArray("+44 1\0junk", 10)));
    EXPECT_EQ(rig.state.display.numberLine, u"00441"_s);

    // "#" dials with option 8.
    control.OnCopyData(
        kClient, 1, Record(ToUnderlying(ExternalControlProtocol::ClientOption::HashDials), "", ""));
    EXPECT_TRUE(control.OnCopyData(kClient, 2, "#"));
    ASSERT_EQ(rig.engine.calls.size(), 1);
    EXPECT_EQ(rig.engine.calls[0].remote, u"+441"_s);
    EXPECT_FALSE(control.OnCopyData(kClient, 5, "123"));  // refused during a call
    EXPECT_TRUE(control.OnCopyData(kClient, 11, {}));
    EXPECT_TRUE(rig.state.call.muted);
    EXPECT_TRUE(control.OnCopyData(kClient, 6, {}));  // in a call: hangs up
    EXPECT_EQ(rig.engine.hangUps, 1);
    rig.Session(RTCSS_DISCONNECTED, 0);
    EXPECT_FALSE(control.OnCopyData(kClient, 99, {}));

    EXPECT_TRUE(control.OnCopyData(kClient, 8, {}));
    EXPECT_EQ(rig.delegate.timers.value(Timer::AutoDial), 1500);
    EXPECT_EQ(rig.state.display.numberLine, u"00441"_s);

    port.copies.clear();
    control.OnCopyData(kClient, 13, {});
    ASSERT_EQ(port.copies.size(), 1);
    EXPECT_EQ(port.copies[0].first, 5u);
    EXPECT_EQ(port.copies[0].second, QByteArray("00441\0", 6));
}

TEST_F(ExternalControlTest, VolumeOptionAndFailedSendReleases) {
    control.OnRegister(1, kClient);
    rig.SignedIn();
    rig.engine.volumes[RTCAD_SPEAKER] = 0x1000;
    control.OnCopyData(kClient, 9, {});
    EXPECT_EQ(rig.engine.volumes[RTCAD_SPEAKER], 0x1000 + 2 * 2047);
    control.OnCopyData(
        kClient, 1, Record(ToUnderlying(ExternalControlProtocol::ClientOption::NoVolume), "", ""));
    control.OnCopyData(kClient, 10, {});
    EXPECT_EQ(rig.engine.volumes[RTCAD_SPEAKER], 0x1000 + 2 * 2047);

    control.NumberLineRedrawn(u"12"_s);
    control.NumberLineRedrawn(u"12"_s);
    EXPECT_EQ(port.copies.count({2u, QByteArray("12\0", 3)}), 1);

    port.sendFails = true;
    EXPECT_FALSE(control.Send(ExternalControlProtocol::PhoneNotice::CallEnded, {}));
    EXPECT_EQ(control.client(), 0u);
    EXPECT_EQ(port.restores, 1);
    EXPECT_EQ(port.broadcasts.last(), 1u);

    control.OnRegister(1, kOther);
    control.OnClose();
    EXPECT_EQ(port.posted, (QList<QPair<ExternalControl::Handle, WPARAM>>{{kOther, 0}}));
}

}  // namespace
}  // namespace zuvo::test
