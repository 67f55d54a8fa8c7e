#pragma once

#include <atomic>
#include <memory>

#include "telephony/level_capture.h"

namespace zuvo {

class MediaSoundDevices;

// The level capture on the devices' media factory: the media thread writes the peak, any
// thread reads it.
class MediaLevelCapture final : public LevelCapture {
public:
    explicit MediaLevelCapture(const MediaSoundDevices& devices);
    ~MediaLevelCapture() override;
    MediaLevelCapture(const MediaLevelCapture&) = delete;
    MediaLevelCapture& operator=(const MediaLevelCapture&) = delete;

    bool Start(const QString& captureName) override;
    void Stop() override;
    bool Running() const override;
    int Peak() const override { return m_peak->load(std::memory_order_relaxed); }

private:
    struct Graph;
    const MediaSoundDevices& m_devices;
    std::shared_ptr<std::atomic_int> m_peak;
    std::unique_ptr<Graph> m_graph;
};

}  // namespace zuvo
