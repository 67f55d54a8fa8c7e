#pragma once

#include <QWizard>

#include "audio/audio_wizard_context.h"

namespace zuvo {

class CAudioTuneIntro;
class CMicrophone;
class CSpeaker;

// The audio tuning wizard "Audio Tune": intro, speakers, microphone. Every choice takes effect
// at once; Cancel does not undo what was applied.
class CConfig : public QWizard {
    Q_OBJECT
public:
    enum PageId { kIntroPage = 0, kSpeakerPage = 1, kMicrophonePage = 2 };

    CConfig(const AudioWizardContext& context, QWidget* parent = nullptr);
    ~CConfig() override;

    CAudioTuneIntro* intro() const { return m_intro; }
    CSpeaker* speaker() const { return m_speaker; }
    CMicrophone* microphone() const { return m_microphone; }

    // From the engine's client events: re-list the devices, then show the volumes.
    void DevicesChanged();
    void VolumeChanged(int device, int volume);

    void done(int result) override;

private:
    void PageChanged(int id);

    AudioWizardContext m_context;
    CAudioTuneIntro* m_intro = nullptr;
    CSpeaker* m_speaker = nullptr;
    CMicrophone* m_microphone = nullptr;
    int m_current = -1;
};

}  // namespace zuvo
