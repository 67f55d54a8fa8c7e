// Calls from the whole phone to other soft phones registered on the same Kamailio (baresip and
// linphonec), with a private sound server: a tone stands in for speech each way and arrives at
// the other end, keys typed on our keypad arrive as the same digits, a hang-up on either side
// ends the call on both, and the call runs on the first codec both sides share.

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "tests/integration/audio/sound_server_suite.h"
#include "tests/support/far_end_phone.h"
#include "tests/support/phone_peers.h"

using namespace Qt::Literals::StringLiterals;

namespace zuvo::test {
namespace {

constexpr double kHeard = 0.01;
constexpr double kOurTone = 1000.0;   // what our microphone hears
constexpr double kTheirTone = 440.0;  // what the far end sends

// A tone of `seconds`, then silence up to `total` seconds.
bool MakeTone(const QString& path, double frequency, int seconds, int total) {
    QProcess sox;
    sox.start(u"sox"_s,
              {u"-n"_s, u"-r"_s, u"48000"_s, u"-c"_s, u"1"_s, u"-b"_s, u"16"_s, path, u"synth"_s,
               QString::number(seconds), u"sine"_s, QString::number(frequency), u"vol"_s, u"0.5"_s,
               u"pad"_s, u"0"_s, QString::number(total - seconds)});
    return sox.waitForFinished(20000) && sox.exitCode() == 0;
}

QJsonObject ReadReport(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                          : QJsonObject();
}

class InteropCall : public SoundServerSuite {
protected:
    // One call from our phone to the far end; `ourHangUp` chooses who ends it.
    void Call(FarEndPhone::Kind kind, bool ourHangUp, const QString& expectedCodec) {
        const QString side = ourHangUp ? u"ours"_s : u"theirs"_s;
        SCOPED_TRACE((side + u" hang-up"_s).toStdString());
        TestEnvironment env;
        PhonePeers::Options options;  // no SIPp: the far end is a registered phone
        PhonePeers peers(env.path(u"peers"_s), options);
        ASSERT_TRUE(peers.Start()) << peers.error().toStdString();
        const QString theirTone = env.path(u"their_tone.wav"_s);
        const QString ourTone = env.path(u"our_tone.wav"_s);
        ASSERT_TRUE(MakeTone(theirTone, kTheirTone, 2, 60));
        ASSERT_TRUE(MakeTone(ourTone, kOurTone, 4, 4));

        FarEndPhone far(kind, env.path(u"far"_s), peers.registrarPort(), u"+4477"_s, theirTone);
        ASSERT_TRUE(far.Start()) << far.Output().right(3000).constData();

        // Microphone and speaker fully up, as a user would set them in the wizard.
        for (const QString& value : {u"Mic Volume"_s, u"Spk Volume"_s}) {
            const ProgramResult reg =
                RunProgram(u"zuvo-reg"_s,
                           {u"add"_s, u"HKCU\\Software\\Zuvo\\Zuvo PC\\Audio"_s, u"/v"_s, value,
                            u"/t"_s, u"REG_DWORD"_s, u"/d"_s, u"65535"_s, u"/f"_s},
                           peers.Environment());
            ASSERT_EQ(reg.code, 0) << reg.output.constData();
        }
        const QString report = env.path(u"report.json"_s);
        IdlePhone phone(peers);
        ASSERT_TRUE(phone.Launch({u"/J"_s + report}));
        ASSERT_TRUE(phone.WaitUntilIdleAndSignedIn()) << phone.Output().constData();

        const QString heard = env.path(u"heard.wav"_s);
        auto recording = s_pulse->StartRecording(u"zuvo_speaker_a"_s, heard);
        const ProgramResult dial =
            RunProgram(u"zuvo-ctl"_s, {u"dial"_s, u"4477"_s}, peers.Environment());
        ASSERT_EQ(dial.code, 0) << dial.output.constData();
        ASSERT_TRUE(far.WaitInCall())
            << far.Output().right(3000).constData() << phone.Output().constData();
        // The far end speaks first (2 s), then our "speech" goes into the microphone: one at a
        // time, as people talk, so that echo cancellation does not take one for the other's echo.
        WaitUntil([] { return false; }, std::chrono::milliseconds(2500));
        ASSERT_TRUE(s_pulse->Play(u"zuvo_feed"_s, ourTone));
        const ProgramResult keys =
            RunProgram(u"zuvo-ctl"_s, {u"key"_s, u"5#9"_s}, peers.Environment());
        EXPECT_EQ(keys.code, 0) << keys.output.constData();
        EXPECT_TRUE(WaitUntil([&] { return far.ReceivedKeys() == u"5#9"_s; }))
            << "keys: " << far.ReceivedKeys().toStdString() << '\n'
            << phone.Output().constData();

        if (ourHangUp) {
            const ProgramResult hangUp =
                RunProgram(u"zuvo-ctl"_s, {u"hangup"_s}, peers.Environment());
            EXPECT_EQ(hangUp.code, 0) << hangUp.output.constData();
        } else {
            far.HangUp();
        }
        EXPECT_TRUE(far.WaitCallEnded()) << far.Output().right(3000).constData();
        // The unattended phone signs out when its call ends: 2, the call ended after media.
        EXPECT_EQ(phone.WaitForExit(std::chrono::seconds(20)), 2) << phone.Output().constData();
        PulseAudio::StopRecording(*recording);
        far.Stop();

        EXPECT_GT(PulseAudio::RmsAmplitude(heard), kHeard);
        EXPECT_NEAR(PulseAudio::RoughFrequency(heard), kTheirTone, kTheirTone * 0.1);
        const QString theirs = far.recording();
        ASSERT_FALSE(theirs.isEmpty()) << far.Output().right(3000).constData();
        EXPECT_GT(PulseAudio::RmsAmplitude(theirs), kHeard) << theirs.toStdString();
        EXPECT_NEAR(PulseAudio::RoughFrequency(theirs), kOurTone, kOurTone * 0.1);

        const QJsonObject call = ReadReport(report)[u"call"_s].toObject();
        EXPECT_EQ(call[u"codec"_s].toObject()[u"name"_s].toString(), expectedCodec)
            << QJsonDocument(ReadReport(report)).toJson().constData();
        EXPECT_GT(call[u"packets_received"_s].toInteger(), 50);
    }
};

// baresip offers G.722 and G.711: the first of ours it shares is G.722.
TEST_F(InteropCall, Baresip) {
    Call(FarEndPhone::Kind::Baresip, true, u"G722"_s);
    Call(FarEndPhone::Kind::Baresip, false, u"G722"_s);
}

// linphonec offers Opus as we do.
TEST_F(InteropCall, Linphonec) {
    Call(FarEndPhone::Kind::Linphonec, true, u"opus"_s);
    Call(FarEndPhone::Kind::Linphonec, false, u"opus"_s);
}

}  // namespace
}  // namespace zuvo::test
