#pragma once

#include <QString>

#include <atomic>
#include <memory>

namespace zuvo {

class SoundDevices;

// Captures from one device (11025 Hz, 16-bit mono) on the media stack's own clock and keeps the
// largest absolute sample of the last complete 1024-sample block. The media thread writes the
// peak, any thread reads it. Start and Stop on the main thread.
class LevelCapture {
public:
    static constexpr int kRate = 11025;
    static constexpr int kBlockSamples = 1024;

    LevelCapture();
    ~LevelCapture();
    LevelCapture(const LevelCapture&) = delete;
    LevelCapture& operator=(const LevelCapture&) = delete;

    // False (and nothing running) when the device is not there or cannot be opened.
    bool Start(const SoundDevices& devices, const QString& captureName);
    void Stop();
    bool Running() const;
    // 0..32767; 0 until the first block is complete.
    int Peak() const { return m_peak->load(std::memory_order_relaxed); }

private:
    struct Graph;
    std::shared_ptr<std::atomic_int> m_peak;
    std::unique_ptr<Graph> m_graph;
};

}  // namespace zuvo
