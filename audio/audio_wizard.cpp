#include "audio/audio_wizard.h"

#include <QAbstractButton>

#include "app/dialogs/dialog_texts.h"
#include "app/strings/string_ids.h"
#include "audio/audio_tune_intro.h"
#include "audio/microphone_page.h"
#include "audio/speaker_page.h"
#include "telephony/rtc_engine_interface.h"

namespace zuvo {

CConfig::CConfig(const AudioWizardContext& context, QWidget* parent)
    : QWizard(parent), m_context(context) {
    SetTitle(this, StringId::AudioTuneTitle);
    setWizardStyle(QWizard::ClassicStyle);
    SetWizardButtonTexts(this);
    setOption(QWizard::NoBackButtonOnStartPage, true);
    setOption(QWizard::HaveHelpButton, m_context.helpEnabled);
    setWindowModality(Qt::ApplicationModal);
    m_intro = new CAudioTuneIntro(m_context.modernPlatform, this);
    m_speaker = new CSpeaker(m_context, this);
    m_microphone = new CMicrophone(m_context, this);
    setPage(kIntroPage, m_intro);
    setPage(kSpeakerPage, m_speaker);
    setPage(kMicrophonePage, m_microphone);
    setStartId(kIntroPage);
    if (m_context.helpEnabled) {
        connect(this, &QWizard::helpRequested, this, [this] {
            if (m_context.help) {
                m_context.help();
            }
        });
    }
    connect(this, &QWizard::currentIdChanged, this, &CConfig::PageChanged);
}

CConfig::~CConfig() {
    m_speaker->Leave();
    m_microphone->Leave();
}

void CConfig::PageChanged(int id) {
    if (m_current == kSpeakerPage && id != kSpeakerPage) {
        m_speaker->Leave();
    }
    if (m_current == kMicrophonePage && id != kMicrophonePage) {
        m_microphone->Leave();
    }
    m_current = id;
    if (id == kMicrophonePage) {
        m_microphone->Enter();
    }
}

void CConfig::done(int result) {
    // Finish, Cancel or closing: nothing keeps playing or capturing.
    m_speaker->Leave();
    m_microphone->Leave();
    m_current = -1;
    QWizard::done(result);
}

void CConfig::DevicesChanged() {
    m_speaker->DevicesChanged();
    m_microphone->DevicesChanged();
}

void CConfig::VolumeChanged(int device, int volume) {
    if (device == RTCAD_SPEAKER) {
        m_speaker->ShowVolume(volume);
    } else if (device == RTCAD_MICROPHONE) {
        m_microphone->ShowVolume(volume);
    }
}

}  // namespace zuvo
