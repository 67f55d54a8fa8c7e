#pragma once

#include <QWizardPage>

#include "audio/audio_wizard_context.h"

class QComboBox;
class QSlider;

namespace zuvo {

class CLevelMeter;

// The microphone page, the wizard's last: the capture device, its volume and a live level meter
// that runs while the page is shown. A too loud input lowers the volume by itself.
class CMicrophone : public QWizardPage {
    Q_OBJECT
public:
    static constexpr int kDeviceCombo = 1011;
    static constexpr int kVolumeSlider = 1013;
    static constexpr int kLevelMeter = 1024;
    static constexpr int kVolumeStep = 4095;

    CMicrophone(AudioWizardContext& context, QWidget* parent = nullptr);
    ~CMicrophone() override;

    int deviceIndex() const { return m_deviceIndex; }
    bool active() const { return m_active; }
    CLevelMeter* meter() const { return m_meter; }

    // The page became the shown one / stopped being it.
    void Enter();
    void Leave();
    // The engine's microphone volume changed: shown without setting it again.
    void ShowVolume(int volume);
    // The devices changed: list them again and start over.
    void DevicesChanged();
    // WM_LEVEL_TOO_HIGH from the meter: one step quieter.
    void OnLevelTooHigh();

private:
    void FillDevices();
    // Every microphone starts at full volume; the meter restarts on the current device.
    void SliderSetup();
    int CurrentGain() const;

    AudioWizardContext& m_context;
    int m_deviceIndex = 0;
    int m_deviceCount = 0;
    bool m_active = false;
    QComboBox* m_devices = nullptr;
    QSlider* m_volume = nullptr;
    CLevelMeter* m_meter = nullptr;
};

}  // namespace zuvo
