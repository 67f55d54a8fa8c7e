#include <gtest/gtest.h>

#include "app/logic/audio_device_choice.h"
#include "app/logic/phone_state.h"
#include "tests/unit/logic/logic_fakes.h"

namespace zuvo::test {
namespace {

using namespace Qt::Literals::StringLiterals;

AudioDevices Devices(const QStringList& playback, const QStringList& capture) {
    return AudioDevices{AudioDeviceList(playback), AudioDeviceList(capture)};
}

class AudioDeviceChoiceTest : public ::testing::Test {
protected:
    QString Stored(const QString& name) const {
        return profile.GetString(u"Audio"_s, name, u"(none)"_s);
    }

    TestEnvironment env;
    Profile profile = Profile::Phone();
    PhoneState state;
    FakeEngine engine;
    AudioDeviceChoice choice{profile, state};
    const AudioDevices two =
        Devices({u"Speakers"_s, u"Headset"_s}, {u"Built-in Mic"_s, u"HEADSET MIC"_s});
};

TEST_F(AudioDeviceChoiceTest, LoadsChecksAndAppliesTheStoredIndices) {
    // Nothing stored: the first devices.
    EXPECT_FALSE(choice.Load(two));
    EXPECT_EQ(choice.Speaker(), 0);
    EXPECT_EQ(choice.Microphone(), 0);

    // "2,1" with one speaker and two microphones: speaker 0, microphone 1; reported, not stored.
    profile.WriteString(u"Audio"_s, u"Audio Devices"_s, u"2,1"_s);
    EXPECT_TRUE(choice.Load(Devices({u"Speakers"_s}, {u"Built-in Mic"_s, u"HEADSET MIC"_s})));
    EXPECT_EQ(choice.Speaker(), 0);
    EXPECT_EQ(choice.Microphone(), 1);
    EXPECT_EQ(Stored(u"Audio Devices"_s), u"2,1"_s);

    // Garbage and negative numbers are no devices either.
    for (const QString& text : {u"x,y"_s, u"-1,-3"_s, u""_s, u"1"_s}) {
        profile.WriteString(u"Audio"_s, u"Audio Devices"_s, text);
        choice.Load(two);
        EXPECT_TRUE(two.playback.Contains(choice.Speaker())) << text.toStdString();
        EXPECT_TRUE(two.capture.Contains(choice.Microphone())) << text.toStdString();
    }
    profile.WriteString(u"Audio"_s, u"Audio Devices"_s, u"1"_s);
    choice.Load(two);
    EXPECT_EQ(choice.Speaker(), 1);
    EXPECT_EQ(choice.Microphone(), 0);

    // Applying hands both names over and clears mute.
    state.call.muted = true;
    choice.Apply(&engine, two);
    EXPECT_EQ(engine.audioDevices,
              (QStringList{u"microphone:Built-in Mic"_s, u"speaker:Headset"_s}));
    EXPECT_FALSE(state.call.muted);
    EXPECT_TRUE(engine.muted.contains({RTCAD_MICROPHONE, false}));
    EXPECT_TRUE(engine.muted.contains({RTCAD_SPEAKER, false}));

    // No engine: nothing to hand over, no crash; mute is still cleared.
    state.call.muted = true;
    choice.Apply(nullptr, two);
    EXPECT_FALSE(state.call.muted);
}

TEST_F(AudioDeviceChoiceTest, WizardChoiceIsRangeCheckedStoredAndApplied) {
    choice.Load(two);
    EXPECT_TRUE(choice.Choose(2, 1, &engine, two));
    EXPECT_EQ(Stored(u"Audio Devices"_s), u"1,0"_s);
    EXPECT_EQ(engine.audioDevices.last(), u"speaker:Headset"_s);
    EXPECT_TRUE(choice.Choose(1, 1, &engine, two));
    EXPECT_EQ(Stored(u"Audio Devices"_s), u"1,1"_s);
    EXPECT_EQ(engine.audioDevices.mid(engine.audioDevices.size() - 2),
              (QStringList{u"microphone:HEADSET MIC"_s, u"speaker:Headset"_s}));

    // Outside the lists: nothing changes, nothing is stored or handed over.
    engine.audioDevices.clear();
    EXPECT_FALSE(choice.Choose(2, 2, &engine, two));
    EXPECT_FALSE(choice.Choose(1, -1, &engine, two));
    EXPECT_FALSE(choice.Choose(2, 0x7FFFFFFF, &engine, two));
    EXPECT_TRUE(engine.audioDevices.isEmpty());
    EXPECT_EQ(Stored(u"Audio Devices"_s), u"1,1"_s);
    EXPECT_EQ(choice.Speaker(), 1);
    EXPECT_EQ(choice.Microphone(), 1);

    // Any other kind changes neither index but stores and applies.
    EXPECT_TRUE(choice.Choose(7, 0, &engine, two));
    EXPECT_EQ(Stored(u"Audio Devices"_s), u"1,1"_s);
    EXPECT_EQ(engine.audioDevices.size(), 2);
}

TEST_F(AudioDeviceChoiceTest, RememberedDevicesAreFoundAgainWhenTheyMoveOrComeBack) {
    choice.Load(two);
    ASSERT_TRUE(choice.Choose(2, 1, &engine, two));  // Headset
    ASSERT_TRUE(choice.Choose(1, 1, &engine, two));  // HEADSET MIC
    EXPECT_EQ(Stored(u"Speaker Device Name"_s), u"Headset"_s);
    EXPECT_EQ(Stored(u"Microphone Device Name"_s), u"HEADSET MIC"_s);

    // Unplugged: the first devices take over, and the choice is not forgotten.
    const AudioDevices unplugged = Devices({u"Speakers"_s}, {u"Built-in Mic"_s});
    engine.audioDevices.clear();
    engine.muted.clear();
    state.call.muted = true;
    EXPECT_TRUE(choice.DevicesChanged(&engine, unplugged));
    // Not the user's doing: a muted call stays muted.
    EXPECT_TRUE(state.call.muted);
    EXPECT_TRUE(engine.muted.isEmpty());
    EXPECT_EQ(engine.audioDevices,
              (QStringList{u"microphone:Built-in Mic"_s, u"speaker:Speakers"_s}));
    EXPECT_EQ(Stored(u"Audio Devices"_s), u"1,1"_s);

    // Plugged back in at another place: found by name.
    const AudioDevices back = Devices({u"USB Dock"_s, u"Speakers"_s, u"Headset"_s},
                                      {u"HEADSET MIC"_s, u"Built-in Mic"_s});
    engine.audioDevices.clear();
    EXPECT_TRUE(choice.DevicesChanged(&engine, back));
    EXPECT_EQ(choice.Speaker(), 2);
    EXPECT_EQ(choice.Microphone(), 0);
    EXPECT_EQ(engine.audioDevices,
              (QStringList{u"microphone:HEADSET MIC"_s, u"speaker:Headset"_s}));

    // A change elsewhere leaves the devices in use alone.
    engine.audioDevices.clear();
    EXPECT_FALSE(choice.DevicesChanged(
        &engine, Devices({u"Speakers"_s, u"Headset"_s, u"USB Dock"_s},
                         {u"HEADSET MIC"_s, u"Built-in Mic"_s, u"Webcam"_s})));
    EXPECT_EQ(choice.Speaker(), 1);
    EXPECT_TRUE(engine.audioDevices.isEmpty());

    // The next start finds them by name even though the stored indices point elsewhere.
    AudioDeviceChoice next(profile, state);
    next.Load(Devices({u"Headset"_s, u"Speakers"_s}, {u"Built-in Mic"_s, u"HEADSET MIC"_s}));
    EXPECT_EQ(next.Speaker(), 0);
    EXPECT_EQ(next.Microphone(), 1);
}

TEST_F(AudioDeviceChoiceTest, ClientDevicesByNameInAnyCaseAndTheSavedOnesComeBack) {
    profile.WriteString(u"Audio"_s, u"Audio Devices"_s, u"0,0"_s);
    choice.Load(two);
    choice.Apply(&engine, two);
    engine.audioDevices.clear();
    state.call.muted = true;

    // A microphone named in lower case selects the device listed in capitals.
    choice.UseClientDevices(u"headset mic"_s, u"headset"_s, &engine, two);
    EXPECT_EQ(engine.audioDevices,
              (QStringList{u"microphone:headset mic"_s, u"speaker:headset"_s}));
    EXPECT_EQ(choice.Microphone(), 1);
    EXPECT_EQ(choice.Speaker(), 1);
    EXPECT_FALSE(state.call.muted);
    EXPECT_EQ(Stored(u"Audio Devices"_s), u"0,0"_s);  // not stored

    // Let go: the devices chosen before are handed over again, by their names.
    engine.audioDevices.clear();
    choice.Restore(&engine, two);
    EXPECT_EQ(engine.audioDevices,
              (QStringList{u"microphone:Built-in Mic"_s, u"speaker:Speakers"_s}));
    EXPECT_EQ(choice.Microphone(), 0);
    EXPECT_EQ(choice.Speaker(), 0);

    // A client that named no device has nothing to give back: mute and devices stay.
    engine.audioDevices.clear();
    choice.UseClientDevices(QString(), QString(), &engine, two);
    state.call.muted = true;
    choice.Restore(&engine, two);
    EXPECT_TRUE(engine.audioDevices.isEmpty());
    EXPECT_TRUE(state.call.muted);

    // A name the engine refuses leaves that index alone; an empty one is not passed at all.
    engine.refused = QStringList{u"headset"_s};
    engine.audioDevices.clear();
    choice.UseClientDevices(QString(), u"headset"_s, &engine, two);
    EXPECT_EQ(engine.audioDevices, QStringList{u"speaker:headset"_s});
    EXPECT_EQ(choice.Speaker(), 0);
}

}  // namespace
}  // namespace zuvo::test
