#pragma once

#include <QWizardPage>

#include <memory>
#include <optional>

#include "audio/audio_wizard_context.h"
#include "telephony/sound_loop_player.h"
#include "telephony/wave_file.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace zuvo {

// The speaker page: the playback device, its volume (top of the slider is loudest), echo
// cancellation and a looping test sound on the chosen device.
class CSpeaker : public QWizardPage {
    Q_OBJECT
public:
    static constexpr int kDeviceCombo = 1011;
    static constexpr int kVolumeSlider = 1013;
    static constexpr int kEchoCheck = 1046;
    static constexpr int kEchoNote = 1024;
    static constexpr int kPlayButton = 1034;

    CSpeaker(AudioWizardContext& context, QWidget* parent = nullptr);
    ~CSpeaker() override;

    int deviceIndex() const { return m_deviceIndex; }
    bool playing() const { return m_playing; }
    bool soundStarted() const { return m_player && m_player->Playing(); }

    // The engine's speaker volume changed: shown without setting it again.
    void ShowVolume(int volume);
    // The devices changed: list them again and start over.
    void DevicesChanged();
    // Leaving the page (Next, Back, Cancel, closing) stops the test sound.
    void Leave();
    // Next: echo cancellation as ticked.
    bool validatePage() override;

private:
    void FillDevices();
    void ReadVolume();
    void TogglePlay();
    void StopSound();
    void Play();

    AudioWizardContext& m_context;
    IRtcEngine* m_echoEngine = nullptr;  // cleared when echo cancellation proves unavailable
    int m_deviceIndex = 0;
    bool m_playing = false;
    int m_deviceCount = 0;
    QComboBox* m_devices = nullptr;
    QSlider* m_volume = nullptr;
    QCheckBox* m_echo = nullptr;
    QPushButton* m_play = nullptr;
    std::unique_ptr<SoundLoopPlayer> m_player;  // on the wizard's devices, from the first Play
};

}  // namespace zuvo
