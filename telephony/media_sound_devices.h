#pragma once

#include <memory>

#include "telephony/sound_devices.h"

struct _MSFactory;
struct _MSSndCard;

namespace zuvo {

// The sound devices on a media factory of their own (not the engine's). Reload() asks the sound
// server again. Made on any thread, then used on one thread at a time.
class MediaSoundDevices final : public SoundDevices {
public:
    MediaSoundDevices();
    ~MediaSoundDevices() override;
    MediaSoundDevices(const MediaSoundDevices&) = delete;
    MediaSoundDevices& operator=(const MediaSoundDevices&) = delete;

    const AudioDevices& List() const override { return m_list; }
    bool Reload() override;
    std::unique_ptr<LevelCapture> NewLevelCapture() const override;
    std::unique_ptr<SoundLoopPlayer> NewLoopPlayer() const override;

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
