// The whole phone with a private sound server: the speaker and microphone stored in its settings
// are the ones its call uses. A tone goes into the stored microphone, through an unattended call
// to a far end that echoes the audio, and comes out of the stored (second) speaker only.

#include <QProcess>

#include <gtest/gtest.h>

#include "tests/support/phone_peers.h"
#include "tests/support/pulse_audio.h"

using namespace Qt::Literals::StringLiterals;

namespace zuvo::test {
namespace {

constexpr double kSilent = 0.002;
constexpr double kHeard = 0.02;

TEST(PhoneSound, StoredDevicesCarryTheCallOnTheSecondSpeakerAndNotTheFirst) {
    EnsureApplication();
    TestEnvironment env;
    PulseAudio pulse;
    ASSERT_TRUE(pulse.Start()) << pulse.output().constData();

    PhonePeers::Options options;
    options.scenario = u"uas_answer_wait_bye.xml"_s;
    options.sippArguments = {u"-rtp_echo"_s};
    PhonePeers peers(env.path(u"peers"_s), options);
    ASSERT_TRUE(peers.Start()) << peers.error().toStdString();
    const QProcessEnvironment phoneEnv = peers.Environment();

    // Speaker 1 (Speaker_B) and microphone 1 (Loud_Sine, a steady tone), as the wizard stores.
    QProcess reg;
    reg.setProcessEnvironment(phoneEnv);
    reg.start(BinaryPath(u"zuvo-reg"_s),
              {u"add"_s, u"HKCU\\Software\\Zuvo\\Zuvo PC\\Audio"_s, u"/v"_s, u"Audio Devices"_s,
               u"/t"_s, u"REG_SZ"_s, u"/d"_s, u"1,1"_s});
    ASSERT_TRUE(reg.waitForFinished(10000) && reg.exitCode() == 0)
        << reg.readAllStandardError().constData();

    auto recordA = pulse.StartRecording(u"zuvo_speaker_a"_s, pulse.path(u"a.wav"_s));
    auto recordB = pulse.StartRecording(u"zuvo_speaker_b"_s, pulse.path(u"b.wav"_s));
    ChildProcess phone(BinaryPath(u"zuvo"_s),
                       {u"/T"_s, u"/B12345"_s, u"/P9876"_s, u"/N4412345"_s, u"/C4"_s}, phoneEnv);
    ASSERT_TRUE(phone.Start());
    const int code = phone.WaitForExit(std::chrono::seconds(60));
    PulseAudio::StopRecording(*recordA);
    PulseAudio::StopRecording(*recordB);
    ASSERT_EQ(code, 0) << phone.output().constData();

    EXPECT_GT(PulseAudio::RmsAmplitude(pulse.path(u"b.wav"_s)), kHeard);
    const double first = PulseAudio::RmsAmplitude(pulse.path(u"a.wav"_s));
    EXPECT_GE(first, 0);
    EXPECT_LT(first, kSilent);
}

}  // namespace
}  // namespace zuvo::test
