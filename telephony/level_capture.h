#pragma once

#include <QString>

namespace zuvo {

// Captures from one device (11025 Hz, 16-bit mono) on the media stack's own clock and keeps the
// largest absolute sample of the last complete 1024-sample block. Start and Stop on the main
// thread.
class LevelCapture {
public:
    static constexpr int kRate = 11025;
    static constexpr int kBlockSamples = 1024;

    virtual ~LevelCapture() = default;

    // False (and nothing running) when the device is not there or cannot be opened.
    virtual bool Start(const QString& captureName) = 0;
    virtual void Stop() = 0;
    virtual bool Running() const = 0;
    // 0..32767; 0 until the first block is complete.
    virtual int Peak() const = 0;
};

}  // namespace zuvo
