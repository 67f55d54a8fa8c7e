#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace zuvo {

class SoundDevices;
struct WaveSound;

// Plays a sound over and over on one playback device, on the media stack's own clock, until
// stopped. Main thread.
class SoundLoopPlayer {
public:
    SoundLoopPlayer();
    ~SoundLoopPlayer();
    SoundLoopPlayer(const SoundLoopPlayer&) = delete;
    SoundLoopPlayer& operator=(const SoundLoopPlayer&) = delete;

    // False (nothing playing) when the device is not there, cannot be opened, or the sound is
    // empty.
    bool Play(const SoundDevices& devices, const QString& playbackName, const WaveSound& sound);
    void Stop();
    bool Playing() const;

private:
    struct Graph;
    std::unique_ptr<Graph> m_graph;
};

}  // namespace zuvo
