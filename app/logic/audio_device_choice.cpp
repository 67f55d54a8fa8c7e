#include "app/logic/audio_device_choice.h"

#include <QLoggingCategory>

#include "app/logic/phone_state.h"

namespace zuvo {

Q_DECLARE_LOGGING_CATEGORY(lcLogic)

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kSection = u"Audio"_s;
const QString kDevicesValue = u"Audio Devices"_s;
const QString kSpeakerNameValue = u"Speaker Device Name"_s;
const QString kMicrophoneNameValue = u"Microphone Device Name"_s;

constexpr WPARAM kChooseMicrophone = 1;
constexpr WPARAM kChooseSpeaker = 2;

// "%d,%d" as a C scanf reads it: a missing or unreadable number keeps its default of 0.
std::pair<int, int> ParsePair(const QString& text) {
    const QStringList parts = text.split(u',');
    bool ok = false;
    const int first = parts.value(0).trimmed().toInt(&ok);
    const int speaker = ok ? first : 0;
    const int second = parts.size() > 1 ? parts.at(1).trimmed().toInt(&ok) : 0;
    return {speaker, ok ? second : 0};
}

}  // namespace

bool AudioDeviceChoice::Load(const AudioDevices& devices) {
    const auto [speaker, microphone] =
        ParsePair(m_profile.GetString(kSection, kDevicesValue, u"0,0"_s));
    m_speaker = speaker;
    m_microphone = microphone;
    m_speakerName = m_profile.GetString(kSection, kSpeakerNameValue, QString())
                        .left(AudioDeviceList::kMaxNameLength);
    m_microphoneName = m_profile.GetString(kSection, kMicrophoneNameValue, QString())
                           .left(AudioDeviceList::kMaxNameLength);
    FindRemembered(devices);
    return Check(devices);
}

bool AudioDeviceChoice::Check(const AudioDevices& devices) {
    bool reset = false;
    if (!devices.capture.Contains(m_microphone)) {
        m_microphone = 0;
        reset = true;
    }
    if (!devices.playback.Contains(m_speaker)) {
        m_speaker = 0;
        reset = true;
    }
    if (reset) {
        qCDebug(lcLogic) << "device index out of range; now speaker" << m_speaker << "microphone"
                         << m_microphone;
    }
    return reset;
}

void AudioDeviceChoice::HandOver(IRtcEngine* engine, const AudioDevices& devices) {
    m_savedMicrophone = m_microphone;
    m_savedSpeaker = m_speaker;
    m_appliedMicrophone = devices.capture.Name(m_microphone);
    m_appliedSpeaker = devices.playback.Name(m_speaker);
    if (engine != nullptr) {
        engine->SetAudioDevice(RTCAD_MICROPHONE, m_appliedMicrophone);
        engine->SetAudioDevice(RTCAD_SPEAKER, m_appliedSpeaker);
    }
}

void AudioDeviceChoice::Apply(IRtcEngine* engine, const AudioDevices& devices) {
    HandOver(engine, devices);
    m_state.call.muted = false;
    if (engine == nullptr) {
        return;
    }
    engine->SetMuted(RTCAD_MICROPHONE, false);
    engine->SetMuted(RTCAD_SPEAKER, false);
}

bool AudioDeviceChoice::Choose(WPARAM which, LPARAM index, IRtcEngine* engine,
                               const AudioDevices& devices) {
    if (which == kChooseMicrophone || which == kChooseSpeaker) {
        const AudioDeviceList& list =
            which == kChooseMicrophone ? devices.capture : devices.playback;
        if (index < 0 || index >= list.Count()) {
            qCDebug(lcLogic) << "device choice" << which << index << "is not a listed device";
            return false;
        }
        (which == kChooseMicrophone ? m_microphone : m_speaker) = static_cast<int>(index);
    }
    m_profile.WriteString(kSection, kDevicesValue, u"%1,%2"_s.arg(m_speaker).arg(m_microphone));
    Remember(devices);
    Apply(engine, devices);
    return true;
}

void AudioDeviceChoice::UseClientDevices(const QString& microphone, const QString& speaker,
                                         IRtcEngine* engine, const AudioDevices& devices) {
    m_savedMicrophone = m_microphone;
    m_savedSpeaker = m_speaker;
    if (engine == nullptr) {
        return;
    }
    m_borrowed = m_borrowed || !microphone.isEmpty() || !speaker.isEmpty();
    if (!microphone.isEmpty() && !Failed(engine->SetAudioDevice(RTCAD_MICROPHONE, microphone))) {
        if (const int found = devices.capture.Find(microphone); found >= 0) {
            m_microphone = found;
        }
        if (!Failed(engine->SetMuted(RTCAD_MICROPHONE, false))) {
            m_state.call.muted = false;
        }
    }
    if (!speaker.isEmpty() && !Failed(engine->SetAudioDevice(RTCAD_SPEAKER, speaker))) {
        if (const int found = devices.playback.Find(speaker); found >= 0) {
            m_speaker = found;
        }
        engine->SetMuted(RTCAD_SPEAKER, false);
    }
}

void AudioDeviceChoice::Restore(IRtcEngine* engine, const AudioDevices& devices) {
    if (!m_borrowed) {
        // The client named no device: nothing to put back, and a mute it set stays.
        return;
    }
    m_borrowed = false;
    m_microphone = m_savedMicrophone;
    m_speaker = m_savedSpeaker;
    Check(devices);
    Apply(engine, devices);
}

bool AudioDeviceChoice::DevicesChanged(IRtcEngine* engine, const AudioDevices& devices) {
    FindRemembered(devices);
    Check(devices);
    if (devices.playback.Name(m_speaker) == m_appliedSpeaker &&
        devices.capture.Name(m_microphone) == m_appliedMicrophone) {
        return false;  // the devices in use are still there
    }
    // Not the user's doing: a muted call stays muted.
    HandOver(engine, devices);
    return true;
}

void AudioDeviceChoice::Remember(const AudioDevices& devices) {
    const QString speaker = devices.playback.Name(m_speaker);
    const QString microphone = devices.capture.Name(m_microphone);
    if (!speaker.isEmpty() && speaker != m_speakerName) {
        m_speakerName = speaker;
        m_profile.WriteString(kSection, kSpeakerNameValue, speaker);
    }
    if (!microphone.isEmpty() && microphone != m_microphoneName) {
        m_microphoneName = microphone;
        m_profile.WriteString(kSection, kMicrophoneNameValue, microphone);
    }
}

void AudioDeviceChoice::FindRemembered(const AudioDevices& devices) {
    if (const int found = devices.playback.Find(m_speakerName); found >= 0) {
        m_speaker = found;
    }
    if (const int found = devices.capture.Find(m_microphoneName); found >= 0) {
        m_microphone = found;
    }
}

}  // namespace zuvo
