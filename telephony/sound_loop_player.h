#pragma once

#include <QString>

namespace zuvo {

struct WaveSound;

// Plays a sound over and over on one playback device, on the media stack's own clock, until
// stopped. Main thread.
class SoundLoopPlayer {
public:
    virtual ~SoundLoopPlayer() = default;

    // False (nothing playing) when the device is not there, cannot be opened, or the sound is
    // empty.
    virtual bool Play(const QString& playbackName, const WaveSound& sound) = 0;
    virtual void Stop() = 0;
    virtual bool Playing() const = 0;
};

}  // namespace zuvo
