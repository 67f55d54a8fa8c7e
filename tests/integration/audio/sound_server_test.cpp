// The phone's sound devices on a real (private) PulseAudio server: what the media stack lists,
// devices coming and going, the wizard's test sound and level capture on the chosen device.

#include <QApplication>

#include <gtest/gtest.h>

#include "audio/test_sound.h"
#include "telephony/level_capture.h"
#include "telephony/linphone_sip_client.h"
#include "telephony/linphone_telephony_module.h"
#include "telephony/media_sound_devices.h"
#include "telephony/rtc_engine.h"
#include "telephony/sound_loop_player.h"
#include "tests/integration/audio/sound_server_suite.h"
#include "tests/integration/telephony/recording_window.h"
#include "tests/support/pulse_audio.h"

namespace zuvo::test {
namespace {

using namespace Qt::Literals::StringLiterals;

// Silence on a null sink's monitor is exactly 0; a tone is far above this.
constexpr double kSilent = 0.001;
constexpr double kHeard = 0.02;

class SoundServer : public SoundServerSuite {
protected:
    TestEnvironment m_env;
    PulseAudio& m_pulse = *s_pulse;
};

TEST_F(SoundServer, ListsDevicesByNameAndSeesNewOnesOnlyAfterAReload) {
    MediaSoundDevices devices;
    const QStringList playback = devices.List().playback.Names();
    const QStringList capture = devices.List().capture.Names();
    ASSERT_GE(playback.size(), 3);
    EXPECT_EQ(playback.mid(0, 3), (QStringList{u"Speaker_A"_s, u"Speaker_B"_s, u"Voice_Feed"_s}));
    ASSERT_GE(capture.size(), 2);
    EXPECT_EQ(capture.mid(0, 2), (QStringList{u"Microphone_A"_s, u"Loud_Sine"_s}));
    // Monitors of the sinks are not microphones.
    for (const QString& name : capture) {
        EXPECT_FALSE(name.contains(u"Monitor"_s, Qt::CaseInsensitive)) << name.toStdString();
    }

    const QString longName = u"A_Very_Long_Headset_Name_That_Goes_On_And_On"_s;
    const int module = m_pulse.LoadModule(
        u"module-null-sink"_s,
        {u"sink_name=zuvo_long"_s, u"sink_properties=device.description="_s + longName});
    ASSERT_GE(module, 0);
    // The media stack does not notice a new sound server device by itself.
    EXPECT_EQ(devices.List().playback.Names(), playback);
    EXPECT_TRUE(devices.Reload());
    const QString shown = longName.left(31);
    EXPECT_EQ(devices.List().playback.Find(shown), 3);
    EXPECT_EQ(devices.List().playback.Name(3).size(), 31);
    EXPECT_EQ(devices.List().playback.Find(shown.toLower()), 3);
    EXPECT_NE(devices.PlaybackCard(shown), nullptr);

    ASSERT_TRUE(m_pulse.UnloadModule(module));
    EXPECT_TRUE(devices.Reload());
    EXPECT_EQ(devices.List().playback.Names(), playback);
    EXPECT_FALSE(devices.Reload());
}

TEST_F(SoundServer, TestSoundLoopsOnTheChosenDeviceOnlyUntilStopped) {
    const auto sound = LoadTestSound();
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->rate, 8000);
    EXPECT_EQ(sound->bitsPerSample, 8);
    EXPECT_EQ(sound->channels, 1);
    EXPECT_EQ(sound->data.size(), 17447);

    MediaSoundDevices devices;
    const std::unique_ptr<SoundLoopPlayer> player = devices.NewLoopPlayer();
    ASSERT_TRUE(player->Play(u"speaker_b"_s, *sound));
    ASSERT_TRUE(WaitUntil([&] { return !m_pulse.SinksInUse().isEmpty(); }));
    EXPECT_EQ(m_pulse.SinksInUse(), QStringList{u"zuvo_speaker_b"_s});
    // Longer than one pass of the sound: it goes on.
    ASSERT_TRUE(m_pulse.RecordMonitor(u"zuvo_speaker_b"_s, 3000, m_pulse.path(u"b.wav"_s)));
    EXPECT_GT(PulseAudio::RmsAmplitude(m_pulse.path(u"b.wav"_s)), kHeard);
    ASSERT_TRUE(m_pulse.RecordMonitor(u"zuvo_speaker_a"_s, 1000, m_pulse.path(u"a.wav"_s)));
    const double other = PulseAudio::RmsAmplitude(m_pulse.path(u"a.wav"_s));
    EXPECT_GE(other, 0);
    EXPECT_LT(other, kSilent);

    player->Stop();
    EXPECT_TRUE(WaitUntil([&] { return m_pulse.SinksInUse().isEmpty(); }));
    EXPECT_FALSE(player->Play(u"No_Such_Speaker"_s, *sound));
}

TEST_F(SoundServer, LevelCaptureSeesALoudSourceAndNotASilentOne) {
    MediaSoundDevices devices;
    const std::unique_ptr<LevelCapture> capture = devices.NewLevelCapture();
    ASSERT_TRUE(capture->Start(u"Loud_Sine"_s));
    EXPECT_TRUE(WaitUntil([&] { return capture->Peak() > 25000; }, std::chrono::seconds(5)))
        << "peak " << capture->Peak();
    capture->Stop();

    ASSERT_TRUE(capture->Start(u"Microphone_A"_s));
    WaitUntil([] { return false; }, std::chrono::milliseconds(800));
    EXPECT_LT(capture->Peak(), 1000);
    EXPECT_FALSE(capture->Start(u"No_Such_Microphone"_s));
    EXPECT_FALSE(capture->Running());
}

TEST_F(SoundServer, EngineReportsDevicesComingAndGoingAndTakesNamesInAnyCase) {
    RecordingWindow window;
    CRtcEngine engine(LinphoneTelephonyModule::ClientFactory());
    window.engine = &engine;
    ASSERT_EQ(engine.Start(&window), S_OK);
    auto* client = dynamic_cast<LinphoneSipClient*>(engine.Client());
    ASSERT_NE(client, nullptr);

    EXPECT_EQ(engine.SetAudioDevice(RTCAD_SPEAKER, u"speaker_b"_s), S_OK);
    EXPECT_EQ(client->OutputDeviceName(), u"Speaker_B"_s);
    EXPECT_EQ(engine.SetAudioDevice(RTCAD_MICROPHONE, u"LOUD_SINE"_s), S_OK);
    EXPECT_EQ(client->InputDeviceName(), u"Loud_Sine"_s);
    // A capture device is no speaker, and an unknown name changes nothing.
    EXPECT_LT(engine.SetAudioDevice(RTCAD_SPEAKER, u"Loud_Sine"_s), 0);
    EXPECT_LT(engine.SetAudioDevice(RTCAD_SPEAKER, QString()), 0);
    EXPECT_EQ(client->OutputDeviceName(), u"Speaker_B"_s);

    // The engine's watch is connected (besides the pactl that asks).
    ASSERT_TRUE(WaitUntil([&] {
        const auto clients = m_pulse.Pactl({u"list"_s, u"short"_s, u"clients"_s});
        return clients && clients->count("pactl") >= 2;
    }));
    const int module = m_pulse.LoadModule(
        u"module-null-sink"_s,
        {u"sink_name=zuvo_plugged"_s, u"sink_properties=device.description=Plugged_In"_s});
    ASSERT_GE(module, 0);
    EXPECT_TRUE(WaitUntil([&] { return window.Has(RTC_EVT_CLIENT, RTCCET_DEVICE_CHANGE); }));
    // Reloaded: the new device can be chosen.
    EXPECT_EQ(engine.SetAudioDevice(RTCAD_SPEAKER, u"Plugged_In"_s), S_OK);

    window.events.clear();
    ASSERT_TRUE(m_pulse.UnloadModule(module));
    EXPECT_TRUE(WaitUntil([&] { return window.Has(RTC_EVT_CLIENT, RTCCET_DEVICE_CHANGE); }));
    engine.Shutdown();
}

}  // namespace
}  // namespace zuvo::test
