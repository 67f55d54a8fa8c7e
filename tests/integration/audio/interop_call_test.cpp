// Calls from the whole phone to other soft phones registered on the same Kamailio (baresip and
// linphonec), with a private sound server: a spoken sentence from our microphone is found in what
// the far end recorded, and the far end's own sentence in what our speaker played (both by
// cross-correlation of the loudness over time), keys typed on our keypad arrive as the same digits,
// a hang-up on either side ends the call on both, and the call runs on the first codec both sides
// share.

#include <gtest/gtest.h>

#include <QFile>

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "tests/integration/audio/sound_server_suite.h"
#include "tests/support/far_end_phone.h"
#include "tests/support/phone_peers.h"

using namespace Qt::Literals::StringLiterals;

namespace zuvo::test {
namespace {

constexpr double kHeard = 0.01;
// A sentence found in a recording: the loudness curves match this well at some offset. Measured
// on these calls: the sentence itself scores 0.96 to 0.99 in either direction, the other sentence
// (same voice, same call) 0.37 to 0.41.
constexpr double kFound = 0.7;
// The far end's silence between its answer and its sentence.
constexpr std::chrono::milliseconds kTheirPause(1500);

bool Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// A spoken sentence as a 48 kHz mono wave file at `gain` (espeak's peaks reach 0.85), after
// `lead` seconds of silence and followed by silence up to `total` seconds.
bool MakeSpeech(const QString& path, const QString& text, int total, double gain = 1.0,
                double lead = 0) {
    const QString raw = path + u".espeak.wav"_s;
    return Run(u"espeak-ng"_s, {u"-w"_s, raw, text}) &&
           Run(u"sox"_s, {raw, u"-r"_s, u"48000"_s, u"-c"_s, u"1"_s, u"-b"_s, u"16"_s, path,
                          u"vol"_s, QString::number(gain), u"pad"_s, QString::number(lead),
                          QString::number(total), u"trim"_s, u"0"_s, QString::number(total)});
}

// The loudness of a wave file in 10 ms steps (at 8 kHz, whatever its own rate).
std::vector<double> Envelope(const QString& wavePath) {
    const QString raw = wavePath + u".env.raw"_s;
    if (!Run(u"sox"_s, {wavePath, u"-r"_s, u"8000"_s, u"-c"_s, u"1"_s, u"-b"_s, u"16"_s, u"-e"_s,
                        u"signed-integer"_s, u"-t"_s, u"raw"_s, raw})) {
        return {};
    }
    QFile file(raw);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray data = file.readAll();
    const auto* samples = reinterpret_cast<const int16_t*>(data.constData());
    const qsizetype count = data.size() / 2;
    std::vector<double> envelope;
    for (qsizetype start = 0; start + 80 <= count; start += 80) {
        double sum = 0;
        for (qsizetype i = start; i < start + 80; ++i) {
            sum += static_cast<double>(samples[i]) * samples[i];
        }
        envelope.push_back(std::sqrt(sum / 80));
    }
    return envelope;
}

// The best normalised cross-correlation of the sent sentence's loudness with the recording's,
// over every offset: near 1 when the sentence is in the recording, low when it is not.
double FindIn(const QString& sent, const QString& recorded) {
    std::vector<double> s = Envelope(sent);
    const std::vector<double> r = Envelope(recorded);
    // Only the spoken part of the sent file: from its first loud step to its last.
    const double peak = s.empty() ? 0 : *std::max_element(s.begin(), s.end());
    const auto quiet = [peak](double v) { return v < peak * 0.05; };
    s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), quiet));
    while (!s.empty() && quiet(s.back())) {
        s.pop_back();
    }
    const size_t n = s.size();
    if (n < 50 || r.size() < n) {
        return -1;
    }
    double meanS = 0;
    for (double v : s) {
        meanS += v;
    }
    meanS /= static_cast<double>(n);
    double varS = 0;
    for (double v : s) {
        varS += (v - meanS) * (v - meanS);
    }
    double best = -1;
    for (size_t lag = 0; lag + n <= r.size(); ++lag) {
        double meanR = 0;
        for (size_t i = 0; i < n; ++i) {
            meanR += r[lag + i];
        }
        meanR /= static_cast<double>(n);
        double varR = 0;
        double cross = 0;
        for (size_t i = 0; i < n; ++i) {
            const double d = r[lag + i] - meanR;
            varR += d * d;
            cross += (s[i] - meanS) * d;
        }
        if (varR > 0 && varS > 0) {
            best = std::max(best, cross / std::sqrt(varR * varS));
        }
    }
    return best;
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
        const QString theirSpeech = env.path(u"their_speech.wav"_s);
        const QString ourSpeech = env.path(u"our_speech.wav"_s);
        // G.722 from baresip plays about 6 dB louder here than it was sent (and ours arrives as
        // much quieter there): at half level their sentence is not clipped on our speaker. The far
        // end plays its file from the answer, when our own sound may still be starting (on a loaded
        // machine, late enough to lose the first words): it speaks after a pause, as
        // people answering do.
        ASSERT_TRUE(MakeSpeech(theirSpeech,
                               u"Good morning, you are through to the far end. Four five six."_s,
                               60, 0.5, kTheirPause.count() / 1000.0));
        ASSERT_TRUE(
            MakeSpeech(ourSpeech, u"Hello, this is the phone speaking. One two three."_s, 4));

        FarEndPhone far(kind, env.path(u"far"_s), peers.registrarPort(), u"+4477"_s, theirSpeech);
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
        // The far end speaks first (its pause and 3.5 s of speech from the answer), then we speak
        // into the microphone: one at a time, as people talk, so that echo cancellation does not
        // take one for the other's echo.
        WaitUntil([] { return false; }, std::chrono::milliseconds(4000) + kTheirPause);
        ASSERT_TRUE(s_pulse->Play(u"zuvo_feed"_s, ourSpeech));
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
        EXPECT_GT(FindIn(theirSpeech, heard), kFound);
        const QString theirs = far.recording();
        ASSERT_FALSE(theirs.isEmpty()) << far.Output().right(3000).constData();
        EXPECT_GT(PulseAudio::RmsAmplitude(theirs), kHeard) << theirs.toStdString();
        EXPECT_GT(FindIn(ourSpeech, theirs), kFound);

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
