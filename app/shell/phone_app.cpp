#include "app/shell/phone_app.h"

#include <QApplication>
#include <QFileInfo>
#include <QResource>
#include <QScreen>

#include "app/core/app_globals.h"
#include "app/core/window_position.h"
#include "app/dialogs/message_box.h"
#include "app/ui/main_window.h"
#include "app/ui/window_placement.h"
#include "platform/external_control_protocol.h"
#include "platform/ids.h"
#include "platform/local_bus.h"
#include "platform/profile.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

CPhoneApp::CPhoneApp() = default;
CPhoneApp::~CPhoneApp() = default;

bool CPhoneApp::InitInstance(const QString& commandLine) {
    AppGlobals& app = App();
    app.configRoot = Profile::PhoneRoot();

    app.commandLine = ParseCommandLine(commandLine);
    for (int i = 0; i < app.commandLine.unrecognized; ++i) {
        // An unattended run has nobody to press OK: a box would hold it for ever.
        if (app.commandLine.unattended) {
            qCWarning(lcStartup) << "Unrecognized Command Line Parameter.";
        } else {
            ShowMessageBox(nullptr, u"Unrecognized Command Line Parameter."_s, MessageIcon::Error);
        }
    }

    if (HandOverToRunningPhone()) {
        return false;
    }
    // The sockets layer needs no start-up here; the window's bus endpoint stands in for the
    // registered window class and is made with the window.
    RecordProgramPath();
    ChooseLanguage();

    m_window = std::make_unique<CMainWindow>();
    RestoreWindowPosition();
    if (!m_window->StartsHidden()) {
        m_window->show();
        m_window->repaint();
    }
    return true;
}

int CPhoneApp::ExitInstance() {
    m_window.reset();
    if (!m_bundlePath.isEmpty()) {
        QResource::unregisterResource(m_bundlePath, u"/lang"_s);
        m_bundlePath.clear();
    }
    return ToUnderlying(App().exitCode);
}

bool CPhoneApp::HandOverToRunningPhone() {
    const auto running = LocalBus::FindWindow(ExternalControlProtocol::kPhoneWindowClass);
    if (!running) {
        return false;
    }
    const CommandLineOptions& options = App().commandLine;
    if (!options.number.isEmpty()) {
        Profile profile = Profile::Phone();
        const QString key = profile.KeyPath(u"Call History"_s);
        if (profile.hive().KeyExists(key)) {
            profile.hive().WriteString(key, u"FA"_s, options.number);
            LocalBus::SendMessage(*running, Msg::DialHandover, options.autoDial ? 1 : 0, 0);
        }
    }
    LocalBus::SendMessage(*running, LocalBus::kActivateMessage, 0, 0);
    return true;
}

void CPhoneApp::RecordProgramPath() {
    Profile profile = Profile::Phone();
    const QString key = profile.KeyPath(u"Configuration"_s);
    if (profile.hive().KeyExists(key)) {
        profile.hive().WriteString(key, u"Path"_s, QCoreApplication::applicationFilePath());
    }
}

void CPhoneApp::ChooseLanguage() {
    AppGlobals& app = App();
    app.language = Profile::Phone().GetString(u"Version"_s, u"Language"_s, u"EN"_s);
    if (app.language == u"EN"_s) {
        return;
    }
    const QString bundle =
        QCoreApplication::applicationDirPath() + u"/ResDll/Res"_s + app.language + u".rcc"_s;
    if (QFileInfo::exists(bundle) && QResource::registerResource(bundle, u"/lang"_s)) {
        m_bundlePath = bundle;
        return;
    }
    app.language = u"EN"_s;
}

void CPhoneApp::RestoreWindowPosition() {
    if (!PlatformAllowsPositions()) {
        qCDebug(lcStartup) << "this platform places windows itself; the stored position is kept";
        return;
    }
    Profile profile = Profile::Phone();
    const QScreen* screen = m_window->screen();
    const QSize screenSize = screen != nullptr ? screen->size() : QSize(1024, 768);
    const auto position = RestoredPosition(profile, u"Main"_s, screenSize);
    if (position) {
        m_window->move(*position);
    } else {
        m_window->move((screenSize.width() - m_window->width()) / 2,
                       (screenSize.height() - m_window->height()) / 2);
    }
}

}  // namespace zuvo
