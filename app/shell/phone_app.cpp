#include "app/shell/phone_app.h"

#include <QApplication>
#include <QFileInfo>
#include <QResource>
#include <QScreen>

#include "app/core/app_globals.h"
#include "app/core/install_layout.h"
#include "app/core/settings_store.h"
#include "app/core/window_position.h"
#include "app/dialogs/message_box.h"
#include "app/logic/call_report.h"
#include "app/logic/phone_link.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "app/ui/main_window.h"
#include "app/ui/window_placement.h"
#include "platform/external_control_protocol.h"
#include "platform/ids.h"
#include "platform/local_bus.h"
#include "platform/profile.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

int ProblemText(PhoneLink::Problem problem) {
    switch (problem) {
        case PhoneLink::Problem::TooLong:
            return StringId::LinkTooLong;
        case PhoneLink::Problem::OtherScheme:
            return StringId::LinkOtherScheme;
        case PhoneLink::Problem::ControlCharacter:
            return StringId::LinkControlCharacter;
        case PhoneLink::Problem::BadEncoding:
            return StringId::LinkBadEncoding;
        case PhoneLink::Problem::NotANumber:
            return StringId::LinkNotANumber;
        case PhoneLink::Problem::Empty:
        case PhoneLink::Problem::None:
            break;
    }
    return StringId::LinkEmpty;
}

}  // namespace

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

    if (!app.commandLine.link.isEmpty()) {
        TakeLink();
    }
    if (app.commandLine.report) {
        // Said at once, so a monitoring script sees it before the call; the exit code keeps
        // its meaning either way.
        const QString problem = CheckReportPath(app.commandLine.reportPath);
        if (!app.commandLine.unattended) {
            qCWarning(lcStartup) << "/J writes a report of the unattended test call only (/T)";
        } else if (!problem.isEmpty()) {
            qCWarning(lcStartup).noquote() << "call report:" << problem;
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

// A link (from the desktop's x-scheme-handler) goes the way of /N: handed to the running phone,
// or shown by this one after sign-in. What it dials, and whether at once, is the link's number and
// the user's own setting, never switches that came with it.
void CPhoneApp::TakeLink() {
    CommandLineOptions& options = App().commandLine;
    options.number.clear();
    options.autoDial = false;
    const PhoneLink link = PhoneLink::Parse(options.link);
    if (link.ok()) {
        options.number = link.number();
        options.autoDial = DialLinksAtOnce(Profile::Phone());
        qCDebug(lcStartup) << "link: number" << options.number << "dial at once"
                           << options.autoDial;
        return;
    }
    ChooseLanguage();
    StringTable::Global().Load();
    const QString text = StringTable::Global().Text(ProblemText(link.problem()));
    qCWarning(lcStartup).noquote() << "link refused:" << text;
    if (!options.unattended) {
        ShowMessageBox(nullptr, text, MessageIcon::Error);
    }
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
    if (m_languageChosen) {
        return;
    }
    m_languageChosen = true;
    AppGlobals& app = App();
    app.language = Profile::Phone().GetString(u"Version"_s, u"Language"_s, u"EN"_s);
    if (app.language == u"EN"_s) {
        qCDebug(lcStartup) << "language EN, built in; data folder" << InstallLayout::DataDir();
        return;
    }
    const QString bundle = InstallLayout::LanguageBundle(app.language);
    if (!bundle.isEmpty() && QFileInfo::exists(bundle) &&
        QResource::registerResource(bundle, u"/lang"_s)) {
        m_bundlePath = bundle;
        qCDebug(lcStartup) << "language" << app.language << "from" << bundle;
        return;
    }
    qCWarning(lcStartup) << "no language bundle" << bundle << "; the phone runs in English";
    app.language = u"EN"_s;
}

void CPhoneApp::RestoreWindowPosition() {
    if (!PlatformAllowsPositions()) {
        qCDebug(lcStartup) << "platform" << QGuiApplication::platformName()
                           << "places windows itself; the stored position is kept";
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
    qCDebug(lcStartup) << "platform" << QGuiApplication::platformName() << "places the window at"
                       << m_window->pos();
}

}  // namespace zuvo
