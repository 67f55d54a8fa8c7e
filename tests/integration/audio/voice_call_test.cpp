// A spoken sample travels for real: into the phone's microphone on a private sound server,
// through a call to a far end that echoes the audio, and out of the speaker the phone was told
// to use; with the microphone muted nothing comes back.

#include <QApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include "telephony/linphone_telephony_module.h"
#include "telephony/rtc_engine.h"
#include "tests/integration/audio/sound_server_suite.h"
#include "tests/integration/telephony/recording_window.h"
#include "tests/support/kamailio.h"
#include "tests/support/pulse_audio.h"
#include "tests/support/sipp.h"

namespace zuvo::test {
namespace {

using namespace Qt::Literals::StringLiterals;

constexpr double kSilent = 0.002;
constexpr double kHeard = 0.01;

class VoiceCall : public SoundServerSuite {
protected:
    void TearDown() override {
        if (m_engine) {
            m_engine->Shutdown();
        }
    }

    // Plays the sample into the microphone while recording both speakers; their RMS amplitudes.
    std::pair<double, double> SpeakAndListen(const QString& sample, const QString& tag) {
        const QString a = m_pulse.path(tag + u"-a.wav"_s);
        const QString b = m_pulse.path(tag + u"-b.wav"_s);
        auto recordA = m_pulse.StartRecording(u"zuvo_speaker_a"_s, a);
        auto recordB = m_pulse.StartRecording(u"zuvo_speaker_b"_s, b);
        EXPECT_TRUE(m_pulse.Play(u"zuvo_feed"_s, sample));
        // The echo is a round trip behind the sample.
        WaitUntil([] { return false; }, std::chrono::milliseconds(600));
        PulseAudio::StopRecording(*recordA);
        PulseAudio::StopRecording(*recordB);
        return {PulseAudio::RmsAmplitude(a), PulseAudio::RmsAmplitude(b)};
    }

    PulseAudio& m_pulse = *s_pulse;
    TestEnvironment m_env;
    RecordingWindow m_window;
    std::unique_ptr<CRtcEngine> m_engine;
};

TEST_F(VoiceCall, SpokenSampleComesBackOnTheChosenSpeakerAndNotWhenMuted) {
    const QString sample = m_pulse.path(u"sample.wav"_s);
    QProcess speak;
    speak.start(u"espeak-ng"_s,
                {u"-w"_s, sample, u"Hello, this is the phone speaking. One two three four."_s});
    ASSERT_TRUE(speak.waitForFinished(20000) && speak.exitCode() == 0)
        << speak.readAllStandardError().constData();
    const double spoken = PulseAudio::RmsAmplitude(sample);
    ASSERT_GT(spoken, kHeard);

    Sipp sipp(u"uas_answer_wait_bye.xml"_s, m_env.root(), {u"-rtp_echo"_s});
    ASSERT_TRUE(sipp.Start());
    Kamailio::Options options;
    options.farEndPort = sipp.port();
    Kamailio kamailio(m_env.path(u"kamailio"_s), options);
    ASSERT_TRUE(kamailio.Start()) << kamailio.output().constData();

    m_engine = std::make_unique<CRtcEngine>(LinphoneTelephonyModule::ClientFactory());
    m_window.engine = m_engine.get();
    ASSERT_EQ(m_engine->Start(&m_window), S_OK);
    ASSERT_EQ(m_engine->SetAudioDevice(RTCAD_MICROPHONE, u"Microphone_A"_s), S_OK);
    ASSERT_EQ(m_engine->SetAudioDevice(RTCAD_SPEAKER, u"Speaker_B"_s), S_OK);
    ASSERT_EQ(m_engine->SetVolume(RTCAD_MICROPHONE, 0xFFFF), S_OK);
    ASSERT_EQ(m_engine->SetVolume(RTCAD_SPEAKER, 0xFFFF), S_OK);
    ASSERT_EQ(m_engine->Register(u"sip:1001_Z@zuvo.test"_s,
                                 u"127.0.0.1:"_s + QString::number(kamailio.tcpPort()), u"TCP"_s),
              S_OK);
    ASSERT_TRUE(WaitUntil([&] { return m_window.Has(RTC_EVT_REGISTRATION, RTCRS_REGISTERED); },
                          std::chrono::seconds(15)));
    ASSERT_EQ(m_engine->PlaceCall(RTCST_PC_TO_PHONE, u"+4420794610"_s, QString(), 0), S_OK);
    ASSERT_TRUE(WaitUntil([&] { return m_window.Has(RTC_EVT_MEDIA, RTCMET_STARTED); },
                          std::chrono::seconds(15)));

    const auto [heardA, heardB] = SpeakAndListen(sample, u"open"_s);
    EXPECT_GT(heardB, kHeard) << "spoken " << spoken;
    EXPECT_GE(heardA, 0);
    EXPECT_LT(heardA, kSilent);

    // A device plugged in during the call: the list is reloaded, the call keeps its devices.
    ASSERT_TRUE(WaitUntil([&] {
        const auto clients = m_pulse.Pactl({u"list"_s, u"short"_s, u"clients"_s});
        return clients && clients->count("pactl") >= 2;
    }));
    m_window.events.clear();
    const int module = m_pulse.LoadModule(
        u"module-null-sink"_s,
        {u"sink_name=zuvo_plugged"_s, u"sink_properties=device.description=Plugged_In"_s});
    ASSERT_GE(module, 0);
    ASSERT_TRUE(WaitUntil([&] { return m_window.Has(RTC_EVT_CLIENT, RTCCET_DEVICE_CHANGE); }));
    const auto [plugA, plugB] = SpeakAndListen(sample, u"plugged"_s);
    EXPECT_GT(plugB, kHeard);
    EXPECT_LT(plugA, kSilent);
    EXPECT_TRUE(m_pulse.UnloadModule(module));

    ASSERT_EQ(m_engine->SetMuted(RTCAD_MICROPHONE, true), S_OK);
    WaitUntil([] { return false; }, std::chrono::milliseconds(300));
    const auto [mutedA, mutedB] = SpeakAndListen(sample, u"muted"_s);
    EXPECT_GE(mutedB, 0);
    EXPECT_LT(mutedB, kSilent);
    EXPECT_LT(mutedA, kSilent);

    EXPECT_EQ(m_engine->HangUp(), S_OK);
    EXPECT_TRUE(WaitUntil([&] { return m_window.Has(RTC_EVT_SESSION, RTCSS_DISCONNECTED); }));
}

}  // namespace
}  // namespace zuvo::test
