#pragma once

#include <QFrame>
#include <QTimer>

#include <functional>
#include <memory>

#include "platform/ids.h"
#include "telephony/level_capture.h"

namespace zuvo {

class SoundDevices;

// The microphone page's live level bar: a capture on the chosen device, shown every 200 ms as a
// bar that turns yellow above half and red above three quarters. A level near the top is
// reported to the page (WM_LEVEL_TOO_HIGH), which lowers the microphone volume.
class CLevelMeter : public QFrame {
    Q_OBJECT
public:
    static constexpr uint32_t WM_LEVEL_TOO_HIGH = 0x407;
    static constexpr int kTickMs = 200;
    static constexpr int kFullScale = 30000;
    static constexpr int kTooHigh = 25000;

    explicit CLevelMeter(QWidget* parent = nullptr);
    ~CLevelMeter() override;

    // Called with WM_LEVEL_TOO_HIGH (wParam 0, lParam 0) when the level is too high.
    void SetReport(std::function<void(uint32_t, WPARAM, LPARAM)> report);
    // The microphone volume the engine applies now (0..65535): the meter's own capture does not
    // go through that gain, so its peak is scaled by it.
    void SetGain(std::function<int()> gain);

    // Starts on the capture device at index (nothing when index is not below count).
    bool Start(const SoundDevices& devices, int index);
    void Stop();
    bool Running() const { return m_timer.isActive(); }

    // One tick with the capture's raw peak (0..32767): scales, reports and redraws. The bar's
    // height in pixels is kept for whoever looks.
    void ShowPeak(int rawPeak);
    int BarHeight() const { return m_bar; }
    int ShownPeak() const { return m_shownPeak; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Tick();

    std::unique_ptr<LevelCapture> m_capture;  // on the devices of the last Start
    QTimer m_timer;
    std::function<void(uint32_t, WPARAM, LPARAM)> m_report;
    std::function<int()> m_gain;
    int m_bar = 0;
    int m_shownPeak = 0;
};

}  // namespace zuvo
