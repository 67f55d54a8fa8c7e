// The main window's speaker and microphone: the device choice kept in the settings and handed
// to the engine, the audio tuning wizard, and the devices an external-control client borrows.

#include <QLoggingCategory>

#include "app/core/telephony_loader.h"
#include "app/logic/audio_device_choice.h"
#include "app/ui/handset_device.h"
#include "app/ui/main_window.h"
#include "audio/audio_wizard.h"
#include "platform/ids.h"
#include "telephony/sound_devices.h"
#include "telephony/telephony_module.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kHandsetDialogProperty = 5;
constexpr int kHandsetModalProperty = 6;
constexpr int kHandsetSpeakerProperty = 7;

}  // namespace

void CMainWindow::LoadDevices(const TelephonyModule& telephony) {
    // Read beside the window's start by the thread that loaded the library, when it did.
    m_sounds = TelephonyLoader::Process().TakeSoundDevices();
    if (!m_sounds) {
        m_sounds = telephony.NewSoundDevices();
    }
    m_audio = std::make_unique<AudioDeviceChoice>(m_profile, m_state);
    if (m_audio->Load(m_sounds->List())) {
        qCDebug(lcWindow) << "a stored audio device is no longer there; using the first";
    }
}

void CMainWindow::ApplyDevices() {
    m_audio->Apply(m_engine.get(), m_sounds->List());
}

CConfig* CMainWindow::audioWizard() const {
    return m_wizard.data();
}

LRESULT CMainWindow::OnAudioDeviceChosen(WPARAM wParam, LPARAM lParam) {
    if (!EnsureTelephony()) {
        return 0;
    }
    if (m_audio->Choose(wParam, lParam, m_engine.get(), m_sounds->List())) {
        RedrawStatus();
    }
    NotifyHandset(kHandsetSpeakerProperty, m_audio->Speaker());
    return 0;
}

void CMainWindow::RunAudioWizard() {
    if (!EnsureTelephony()) {
        return;
    }
    const ModalDialogState::Scope held(m_state.modal, ModalDialog::AudioWizard);
    if (!held) {
        qCDebug(lcWindow) << "audio wizard not shown: another dialog is open";
        return;
    }
    // Asked for once: not before every call that follows.
    m_state.installWizardPending = false;
    SetPreferencesOpen(true);
    // The handset hears of the modal dialog (opening: 6 then 5) and, after it, of its end.
    int opened = 0;
    if (m_handset) {
        m_handset->SetProperty(kHandsetModalProperty, 1);
        opened = m_handset->SetProperty(kHandsetDialogProperty, 1);
    }
    {
        AudioWizardContext context;
        context.devices = m_sounds.get();
        context.engine = m_engine.get();
        context.speakerIndex = m_audio->Speaker();
        context.microphoneIndex = m_audio->Microphone();
        context.helpEnabled = m_state.settings.webLinks;
        // The pages reach the window's own handler directly, never through the bus.
        context.sendToOwner = [this](uint32_t message, WPARAM w, LPARAM l) {
            return m_port->SendMessage(message, w, l);
        };
        context.help = [this] { OpenHelpPage(); };
        CConfig wizard(context, this);
        m_wizard = &wizard;
        wizard.exec();
        m_wizard.clear();
    }
    if (m_handset) {
        if (opened != 0) {
            m_handset->SetProperty(kHandsetDialogProperty, 0);
        } else {
            m_handset->SetProperty(kHandsetModalProperty, 1);
            m_handset->SetProperty(kHandsetDialogProperty, 1);
        }
    }
    SetPreferencesOpen(false);
    m_profile.WriteInt(u"Configuration"_s, u"Install Wizard"_s, 0);
    setFocus();
}

void CMainWindow::WizardDevicesChanged() {
    if (!EnsureTelephony()) {
        return;
    }
    if (m_sounds->Reload()) {
        qCDebug(lcWindow) << "sound devices changed";
    }
    m_audio->DevicesChanged(m_engine.get(), m_sounds->List());
    if (m_wizard) {
        m_wizard->DevicesChanged();
    }
}

void CMainWindow::WizardVolumeChanged(int device, int volume) {
    if (m_wizard) {
        m_wizard->VolumeChanged(device, volume);
    }
}

void CMainWindow::UseClientDevices(const QString& microphone, const QString& speaker) {
    if (!EnsureTelephony()) {
        return;
    }
    m_audio->UseClientDevices(microphone, speaker, m_engine.get(), m_sounds->List());
    RedrawStatus();
}

void CMainWindow::RestoreDevices() {
    if (!EnsureTelephony()) {
        return;
    }
    m_audio->Restore(m_engine.get(), m_sounds->List());
}

}  // namespace zuvo
