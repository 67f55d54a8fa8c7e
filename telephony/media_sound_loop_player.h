#pragma once

#include <memory>

#include "telephony/sound_loop_player.h"

namespace zuvo {

class MediaSoundDevices;

// The test sound on the devices' media factory.
class MediaSoundLoopPlayer final : public SoundLoopPlayer {
public:
    explicit MediaSoundLoopPlayer(const MediaSoundDevices& devices);
    ~MediaSoundLoopPlayer() override;
    MediaSoundLoopPlayer(const MediaSoundLoopPlayer&) = delete;
    MediaSoundLoopPlayer& operator=(const MediaSoundLoopPlayer&) = delete;

    bool Play(const QString& playbackName, const WaveSound& sound) override;
    void Stop() override;
    bool Playing() const override;

private:
    struct Graph;
    const MediaSoundDevices& m_devices;
    std::unique_ptr<Graph> m_graph;
};

}  // namespace zuvo
