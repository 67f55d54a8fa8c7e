#pragma once

#include <memory>

#include "telephony/audio_device_list.h"
#include "telephony/level_capture.h"
#include "telephony/sound_loop_player.h"

namespace zuvo {

// The machine's sound devices as the media stack sees them, apart from the engine, so that the
// list exists before (and without) it; the wizard's meter and test sound run on them too. Made on
// any thread (the list is read beside the window's start), then used on the main thread.
class SoundDevices {
public:
    virtual ~SoundDevices() = default;

    virtual const AudioDevices& List() const = 0;
    // Asks the sound server again; true when the lists changed.
    virtual bool Reload() = 0;
    // A meter and a test sound on these devices; they must go before the devices do.
    virtual std::unique_ptr<LevelCapture> NewLevelCapture() const = 0;
    virtual std::unique_ptr<SoundLoopPlayer> NewLoopPlayer() const = 0;
};

}  // namespace zuvo
