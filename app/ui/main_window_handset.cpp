// The main window's USB handset: made from the driver registered on the machine, told of the
// speaker, the menu, the focus and the modal dialogs, and its keys handled on the main thread.

#include <QLoggingCategory>

#include "app/logic/audio_device_choice.h"
#include "app/logic/dialing_input.h"
#include "app/ui/handset_device.h"
#include "app/ui/main_window.h"
#include "platform/registry.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kSpeakerProperty = 7;

}  // namespace

void CMainWindow::StartHandset() {
    m_handset = HandsetDevice::Start(Registry::LocalMachine());
    if (!m_handset) {
        return;
    }
    connect(m_handset.get(), &HandsetDevice::keyEvent, this, &CMainWindow::OnHandsetKey);
    const auto info = m_handset->ReadInformation();
    if (info && (info->capability & ZUVO_HANDSET_NO_AEC) != 0) {
        // Echo cancellation goes off once per model; the user may turn it on again in the
        // wizard and it stays so.
        const QString name = info->name + u" AEC"_s;
        if (m_profile.GetInt(u"Audio"_s, name, 0) == 0) {
            if (m_engine) {
                m_engine->SetEchoCancellation(false);
            }
            if (!m_profile.WriteInt(u"Audio"_s, name, 1)) {
                qCDebug(lcWindow) << "could not keep" << name;
            }
        }
    }
    m_handset->SetProperty(kSpeakerProperty, m_audio->Speaker());
}

void CMainWindow::ReleaseHandset() {
    m_handset.reset();
}

void CMainWindow::NotifyHandset(int code, int value) {
    if (m_handset) {
        m_handset->SetProperty(code, value);
    }
}

void CMainWindow::OnHandsetKey(int code, bool pressed, int options) {
    if (m_destroyed || !m_input) {
        return;
    }
    m_state.keypad.handsetOptions = options;
    m_input->HandleHandsetKey(code, pressed);
}

}  // namespace zuvo
