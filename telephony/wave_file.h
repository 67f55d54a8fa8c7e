#pragma once

#include <QByteArray>

#include <optional>

namespace zuvo {

// A RIFF WAVE file's PCM format and samples.
struct WaveSound {
    int rate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    QByteArray data;
};

// Reads a PCM RIFF WAVE file (8 or 16 bits per sample); nullopt when it is not one or a chunk
// runs past the end. Files come from the program's resources, but are checked all the same.
std::optional<WaveSound> ParseWave(const QByteArray& file);

// The samples as signed 16-bit values (8-bit PCM is unsigned around 128).
QByteArray ToSigned16(const WaveSound& sound);

}  // namespace zuvo
