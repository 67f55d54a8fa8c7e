#pragma once

#include <functional>

#include "platform/ids.h"

namespace zuvo {

class IRtcEngine;
class SoundDevices;

// What the opener hands the audio wizard's pages: the devices, the engine (may be absent), the
// current choice, the platform flags and the way back to the window.
struct AudioWizardContext {
    SoundDevices* devices = nullptr;  // never null while the wizard runs
    IRtcEngine* engine = nullptr;
    int speakerIndex = 0;
    int microphoneIndex = 0;
    // This desktop's audio stack has no acceleration switch, and echo cancellation is always
    // offered: the modern-platform flag.
    bool modernPlatform = true;
    bool helpEnabled = false;
    // Sent to the owner window: the pages' device choices (Msg::AudioDeviceChosen).
    std::function<LRESULT(uint32_t, WPARAM, LPARAM)> sendToOwner;
    std::function<void()> help;
};

}  // namespace zuvo
