#pragma once

#include <optional>

#include "telephony/wave_file.h"

namespace zuvo {

// The wizard's test sound "TestWav" from the program's resources: a looping ring-back tone.
// nullopt when the resource is missing or not a PCM wave file.
std::optional<WaveSound> LoadTestSound();

}  // namespace zuvo
