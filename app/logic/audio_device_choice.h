#pragma once

#include <QString>

#include "platform/ids.h"
#include "platform/profile.h"
#include "telephony/audio_device_list.h"
#include "telephony/rtc_engine_interface.h"

namespace zuvo {

struct PhoneState;

// The phone's speaker and microphone: the indices among the playback and capture devices, kept
// in "Audio" \ "Audio Devices" as "speaker,microphone", handed to the engine by name. The chosen
// devices' names are kept as well, so that the same device is found again when devices come and
// go or change places. Main thread.
class AudioDeviceChoice {
public:
    AudioDeviceChoice(Profile& profile, PhoneState& state) : m_profile(profile), m_state(state) {}

    // Reads the stored choice and checks it against the devices; true when an index was reset.
    bool Load(const AudioDevices& devices);
    // An index that is not below its device count becomes 0; true when one was.
    bool Check(const AudioDevices& devices);
    // Remembers the indices as the saved ones, hands both names to the engine and clears mute.
    void Apply(IRtcEngine* engine, const AudioDevices& devices);
    // A wizard page chose a device (which: 1 microphone, 2 speaker). An index outside the list
    // changes nothing; false then. Otherwise the choice is stored and applied.
    bool Choose(WPARAM which, LPARAM index, IRtcEngine* engine, const AudioDevices& devices);
    // An external-control client names its devices (empty: leave that one alone). Not stored.
    void UseClientDevices(const QString& microphone, const QString& speaker, IRtcEngine* engine,
                          const AudioDevices& devices);
    // Back to the devices last applied (the client let go, or the phone closes), when a client
    // named devices of its own; otherwise nothing changes.
    void Restore(IRtcEngine* engine, const AudioDevices& devices);
    // The device lists changed: the remembered devices are looked for again and handed to the
    // engine when they moved or came back; indices past the end fall back to 0. Mute is left
    // as it is. True when handed over.
    bool DevicesChanged(IRtcEngine* engine, const AudioDevices& devices);

    int Speaker() const { return m_speaker; }
    int Microphone() const { return m_microphone; }

private:
    // Remembers the indices as the saved ones and hands both names to the engine.
    void HandOver(IRtcEngine* engine, const AudioDevices& devices);
    void Remember(const AudioDevices& devices);
    // The remembered names' places in the lists, where they are listed.
    void FindRemembered(const AudioDevices& devices);

    Profile& m_profile;
    PhoneState& m_state;
    int m_speaker = 0;
    int m_microphone = 0;
    int m_savedSpeaker = 0;
    int m_savedMicrophone = 0;
    QString m_speakerName;        // the user's choice, by name
    QString m_microphoneName;     // the user's choice, by name
    bool m_borrowed = false;      // a client named devices of its own
    QString m_appliedSpeaker;     // handed to the engine last
    QString m_appliedMicrophone;  // handed to the engine last
};

}  // namespace zuvo
