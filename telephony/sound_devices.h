#pragma once

#include <memory>

#include "telephony/audio_device_list.h"

struct _MSFactory;
struct _MSSndCard;

namespace zuvo {

// The machine's sound devices as the media stack sees them, with a media factory of its own so
// that the list exists before (and without) the engine; the wizard's meter and test sound run on
// it too. Reload() asks the sound server again. Main thread.
class SoundDevices {
public:
    SoundDevices();
    ~SoundDevices();
    SoundDevices(const SoundDevices&) = delete;
    SoundDevices& operator=(const SoundDevices&) = delete;

    const AudioDevices& List() const { return m_list; }
    // Asks the sound server again; true when the lists changed.
    bool Reload();

    // The card behind a name of the lists (capture or playback), or nullptr.
    _MSSndCard* CaptureCard(const QString& name) const;
    _MSSndCard* PlaybackCard(const QString& name) const;
    _MSFactory* Factory() const;

private:
    struct FactoryDeleter {
        void operator()(_MSFactory* factory) const;
    };
    void Read();

    std::unique_ptr<_MSFactory, FactoryDeleter> m_factory;
    AudioDevices m_list;
};

}  // namespace zuvo
