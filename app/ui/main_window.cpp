#include "app/ui/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QLoggingCategory>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "app/core/app_globals.h"
#include "app/core/deployment.h"
#include "app/core/telephony_loader.h"
#include "app/core/window_position.h"
#include "app/core/worker_thread.h"
#include "app/dialogs/call_history_dialog.h"
#include "app/dialogs/message_box.h"
#include "app/dialogs/signin_dialog.h"
#include "app/logic/audio_device_choice.h"
#include "app/logic/call_state_machine.h"
#include "app/logic/desktop_notices.h"
#include "app/logic/dialing_input.h"
#include "app/signin/signin_flow.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "app/ui/bus_guard.h"
#include "app/ui/context_menu.h"
#include "app/ui/control_table.h"
#include "app/ui/handset_device.h"
#include "app/ui/popup_window_host.h"
#include "app/ui/signin_connection.h"
#include "app/ui/signin_window_delegate.h"
#include "contacts/speed_dial.h"
#include "platform/local_bus.h"
#include "service/request_cipher.h"
#include "service/request_key.h"
#include "service/service_urls.h"
#include "skin/make_region.h"
#include "skin/skin_assets.h"
#include "skin/skin_button.h"
#include "skin/skin_slider.h"
#include "skin/state_light.h"
#include "skin/tool_tip_control.h"
#include "telephony/discovery/tunnel_component.h"
#include "telephony/engine_bring_up.h"
#include "telephony/rtc_engine.h"
#include "telephony/sound_devices.h"
#include "telephony/telephony_module.h"

Q_LOGGING_CATEGORY(lcWindow, "zuvo.window", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

// Tool areas of the display.
constexpr unsigned kToolStatus = 1;
constexpr unsigned kToolSignin = 2;
constexpr unsigned kToolBalance = 3;
constexpr unsigned kToolNumber = 4;

// How long the engine may take to say goodbye to the registrar before the window goes anyway.
constexpr int kCleanupGraceMs = 5000;

QString Text(int id) {
    return StringTable::Global().Text(id);
}

}  // namespace

const std::array<MessageMapEntry<CMainWindow>, 13> CMainWindow::kMessageMap = {{
    OnMessage(Msg::ServiceUnavailable, &CMainWindow::OnServiceUnavailable),
    OnMessage(Msg::DialHandover, &CMainWindow::OnDialHandover),
    OnMessage(Msg::SigninPrompt, &CMainWindow::OnSigninPrompt),
    OnMessage(Msg::CallHistoryDialog, &CMainWindow::OnCallHistoryDialogMessage),
    OnMessage(Msg::PreferencesApplied, &CMainWindow::OnPreferencesApplied),
    OnMessage(Msg::AudioDeviceChosen, &CMainWindow::OnAudioDeviceChosen),
    OnMessage(Msg::RtcEvent, &CMainWindow::OnRtcEvent),
    OnMessage(Msg::SpeedDialTooltip, &CMainWindow::OnSpeedDialTooltip),
    OnMessage(Wm::Timer, &CMainWindow::OnTimer),
    OnMessage(Wm::Command, &CMainWindow::OnCommand),
    OnMessage(Wm::Close, &CMainWindow::OnClose),
    OnMessage(Wm::Destroy, &CMainWindow::OnDestroy),
    OnMessage(LocalBus::kActivateMessage, &CMainWindow::OnBusActivate),
}};

CMainWindow::CMainWindow(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::Window), m_profile(Profile::Phone()) {
    m_port = new MessagePort(
        [this](uint32_t message, WPARAM w, LPARAM l) { return WindowProc(message, w, l); }, this);
    StringTable::Global().Load();
    LoadSkinFonts();

    // The window takes the shape and size of the handset bitmap.
    m_skin.Load(SkinModule::Program, u"Phone"_s);
    int width = 260;
    int height = 470;
    const QRegion region = MakeRegion(m_skin, &width, &height);
    setWindowTitle(Deployment::BrandName());
    setWindowIcon(LoadSkinIcon(31234));
    setFixedSize(width, height);
    setFocusPolicy(Qt::StrongFocus);
    if (m_skin.IsLoaded()) {
        SetWindowRegion(*this, region);
    }
    if (PlatformShapesWindows() || !m_skin.IsLoaded()) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    } else {
        // The skin's key colour around the handset would show: only the shape is painted.
        setAttribute(Qt::WA_TranslucentBackground);
    }
    OnCreate();
}

CMainWindow::~CMainWindow() {
    TelephonyLoader::Process().WhenFinished(nullptr);
    ReleaseHandset();
    ReleaseTunnel();
    CancelConnection();
    for (auto& worker : m_workers) {
        // Cancelled threads end within a moment; one stuck in a system call is left to the
        // process's end rather than destroyed while it runs.
        if (!worker->Wait(3000)) {
            qCWarning(lcWindow) << "a connection thread did not stop";
        }
    }
    if (m_engine && !m_destroyed) {
        m_engine->Shutdown();
    }
}

void CMainWindow::OnCreate() {
    AppGlobals& app = App();
    m_state.settings.language = app.language;
    m_state.unattended.enabled = app.commandLine.unattended;
    m_state.unattended.delayMs = app.commandLine.delayU;
    m_state.unattended.ringDelayMs = app.commandLine.delayR;
    m_state.unattended.connectDelayMs = app.commandLine.delayC;
    m_state.call.autoDial = app.commandLine.autoDial;
    m_state.service.sipDomain = Deployment::SipDomain();
    m_state.exitCode = app.exitCode;

    // Bus endpoint first, so the running phone can be found as soon as it exists.
    m_endpoint = new LocalBusEndpoint(ExternalControlProtocol::kPhoneWindowClass, this);
    m_endpoint->setMessageHandler(
        [this](uint32_t message, WPARAM w, LPARAM l) { return OnBusMessage(message, w, l); });
    m_endpoint->setCopyDataHandler([this](WindowHandle sender, uint32_t type, const QByteArray& d) {
        return OnCopyData(sender, type, d);
    });
    if (!m_endpoint->Listen()) {
        qCWarning(lcWindow) << "other programs cannot reach this phone";
    }

    m_tips = new CToolTipControl(this);
    CreateControls();

    m_state.settings = LoadSettings(m_profile, app.language);
    // Until a sign-in picks a host, pages (the sign-in dialog's Help) go to the configured one.
    m_web = WebServerChoice{m_state.settings.webServer, 0, 0};
    m_state.configLocked = !m_state.settings.lockPin.isEmpty();
    m_state.installWizardPending =
        m_profile.GetInt(u"Configuration"_s, u"Install Wizard"_s, 0) != 0;

    const QString site =
        Deployment::SiteName().isEmpty() ? Deployment::ProviderSiteName() : Deployment::SiteName();
    CSkinButton* home =
        CreateButton(kHomePageControl.id, kHomePageControl.rect,
                     QString::fromUtf16(kHomePageControl.bitmap), kHomePageControl.module, site);
    m_homeMenuText = StringTable::Global().Text(StringId::VisitSite, site);
    CreateButton(kMenuControl.id, kMenuControl.rect, QString::fromUtf16(kMenuControl.bitmap),
                 kMenuControl.module, Text(kMenuControl.tooltip));
    CSkinButton* phoneBook = CreateButton(
        kPhoneBookControl.id, kPhoneBookControl.rect, QString::fromUtf16(kPhoneBookControl.bitmap),
        kPhoneBookControl.module, Text(kPhoneBookControl.tooltip));
    phoneBook->setVisible(m_state.settings.phoneBookEnabled);
    m_buttons[Cmd::Account]->setVisible(m_state.settings.accountButton);
    home->setVisible(m_state.settings.webLinks);
    m_buttons[Cmd::Rates]->setVisible(m_state.settings.webLinks);

    m_history.Load(m_profile);
    LoadPopups();
    setFocus();

    m_cipher = std::make_shared<service::RequestCipher>();
    m_cipher->InitRequestCipher();
    m_requestKey = std::make_shared<service::RequestKey>(*m_cipher);

    // The telephony library has been loading since the program started. The sign-in dialog
    // does not wait for it: the engine comes up once the library is there, or sooner where it is
    // first needed (a sign-in, the audio devices), waiting for the rest of the loading then.
    m_speedDial = std::make_unique<SpeedDial>(m_profile);
    m_input = std::make_unique<DialingInput>(m_state, *this, nullptr, m_history, *m_speedDial,
                                             m_historySelection);
    m_machine = std::make_unique<CallStateMachine>(m_state, *this, nullptr, *m_input);
    m_external = std::make_unique<ExternalControl>(m_state, *this, *m_input, m_history, *this);
    m_bindMessage = LocalBus::RegisterWindowMessage(ExternalControlProtocol::kBindMessageName);
    m_registerMessage =
        LocalBus::RegisterWindowMessage(ExternalControlProtocol::kRegisterMessageName);
    m_external->Announce();

    m_machineKey = MachineKey();
    m_signinDelegate = std::make_unique<SigninWindowDelegate>(*this);
    m_signin =
        std::make_unique<SigninFlow>(m_state, m_state.account.record, app.commandLine, m_profile,
                                     m_machineKey, m_signinCancel, *m_signinDelegate);

    for (const auto& [sequence, id] : LoadAccelerators()) {
        auto* shortcut = new QShortcut(sequence, this);
        connect(shortcut, &QShortcut::activated, this, [this, id = id] {
            m_port->SendMessage(Wm::Command, MakeWParam(static_cast<uint16_t>(id), 0), 0);
        });
    }
    m_tunnel = TunnelComponent::Create(Registry::LocalMachine());
    StartDesktop();
    // The sign-in first: its requests need no engine, which comes up while they are out.
    m_port->PostMessage(Msg::SigninPrompt, 0, 0);
    TelephonyLoader::Process().WhenFinished(
        [port = m_port, this] { port->PostCall([this] { EnsureTelephony(); }); });
}

bool CMainWindow::EnsureTelephony() {
    // Asked again while it comes up (from a nested event loop), it is not there yet.
    if (m_destroyed || m_telephony != TelephonyState::Pending) {
        return m_telephony == TelephonyState::Up;
    }
    const TelephonyModule* telephony = TelephonyLoader::Process().Wait();
    if (telephony == nullptr) {
        m_telephony = TelephonyState::Missing;
        ReportMissingTelephony();
        return false;
    }
    m_telephony = TelephonyState::ComingUp;
    LoadDevices(*telephony);
    // Port-range policy off, engine created and started, client name announced.
    m_engine = BringUpRtcEngine(this, *telephony);
    ApplyDevices();
    LoadVolumes();
    ShowEngineVolumes();
    if (m_engine && m_state.settings.requireMediaEncryption &&
        Failed(m_engine->SetMediaEncryptionRequired(true))) {
        qCWarning(lcWindow) << "encrypted media cannot be required: calls would go out in clear";
    }
    m_input->AttachEngine(m_engine.get());
    m_machine->AttachEngine(m_engine.get());
    StartHandset();
    m_telephony = TelephonyState::Up;
    return true;
}

// Without its telephony library the phone can do nothing: it says why and ends, its exit code
// still "not started", without saving anything of this run (nothing of it was loaded).
void CMainWindow::ReportMissingTelephony() {
    const QString text =
        u"The phone cannot start: its telephony library did not load (%1). Please reinstall it."_s
            .arg(TelephonyLoader::Process().Error());
    qCCritical(lcWindow).noquote() << text;
    // Nothing of the phone stays up behind the message (the sign-in dialog may be).
    for (QWidget* shown : QApplication::topLevelWidgets()) {
        shown->hide();
    }
    if (!m_state.unattended.enabled) {
        ShowMessageBox(nullptr, text, MessageIcon::Error);
    }
    // Ends the sign-in dialog's loop too, when it is open.
    QCoreApplication::exit(ToUnderlying(ExitCode::NotStarted));
}

void CMainWindow::CreateControls() {
    const SpeedDial speedDial(m_profile);
    for (const ControlEntry& control : kKeypadControls) {
        CSkinButton* key =
            CreateButton(control.id, control.rect, QString::fromUtf16(control.bitmap),
                         control.module, speedDial.TooltipText(control.id - Cmd::Key0));
        key->setAccessibleName(QString::fromUtf16(control.text));
        key->setAccessibleDescription(speedDial.TooltipText(control.id - Cmd::Key0));
    }
    for (const ControlEntry& control : kFunctionControls) {
        CreateButton(control.id, control.rect, QString::fromUtf16(control.bitmap), control.module,
                     Text(control.tooltip));
    }
    auto makeSlider = [this](int id, const QRect& rect, int tip) {
        auto* slider = new CSkinSlider(this);
        slider->setObjectName(QString::number(id));
        slider->setGeometry(rect);
        slider->setRange(0, 0xFFFF);
        slider->SetSkin(&m_skin, rect);
        m_tips->AddControlTool(slider, Text(tip));
        slider->setAccessibleName(Text(tip));
        connect(slider, &QSlider::valueChanged, this,
                [this, id](int value) { m_input->OnSliderMoved(id, value, false); });
        return slider;
    };
    m_speakerSlider = makeSlider(Cmd::SpkVolume, kSpeakerSliderRect, StringId::TipSpeakerVolume);
    m_micSlider = makeSlider(Cmd::MicVolume, kMicSliderRect, StringId::TipMicrophoneVolume);

    // The sign-in indicator has no place on this skin: an empty rectangle, as its tool area.
    m_indicator = new CStateLight(this);
    m_indicator->Load(SkinModule::Program, u"260"_s);
    m_indicator->setGeometry(QRect());
    m_indicator->hide();
    m_tips->AddRectTool(this, Text(StringId::TipCallStatus), kStatusArea, kToolStatus);
    m_tips->AddRectTool(this, Text(StringId::TipSigninStatus), QRect(), kToolSignin);
    CreateAccessibleTexts();
    m_tips->AddRectTool(this, Text(StringId::TipAccountBalance), kBalanceArea, kToolBalance);
    m_tips->AddRectTool(this, Text(StringId::TipPhoneNumber), kNumberArea, kToolNumber);
}

CSkinButton* CMainWindow::CreateButton(int id, const QRect& rect, const QString& bitmap,
                                       SkinModule module, const QString& tip) {
    auto* button = new CSkinButton(id, this);
    button->setObjectName(QString::number(id));
    // A language bundle that is not loaded has no bitmaps: those faces come from the program.
    const SkinModule source =
        module == SkinModule::Language && App().language == u"EN"_s ? SkinModule::Program : module;
    button->Create(source, bitmap, 305);
    button->move(rect.topLeft());
    if (rect.isEmpty()) {
        button->setGeometry(QRect(rect.topLeft(), QSize(0, 0)));
    }
    button->SetTarget([this](uint32_t message, WPARAM w, LPARAM l) {
        return m_port->SendMessage(message, w, l);
    });
    m_tips->AddControlTool(button, tip);
    button->setAccessibleName(tip);
    m_buttons[id] = button;
    return button;
}

CSkinButton* CMainWindow::button(int id) const {
    const auto it = m_buttons.find(id);
    return it == m_buttons.end() ? nullptr : it->second;
}

QWidget* CMainWindow::callHistoryDialog() const {
    return m_historyDialog.data();
}

LRESULT CMainWindow::WindowProc(uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (m_destroyed && message != Wm::Destroy) {
        return 0;
    }
    if (message == m_registerMessage && m_registerMessage != 0) {
        return m_external->OnRegister(wParam, lParam);
    }
    if (const std::optional<LRESULT> handled = OnPopupMessage(message, wParam, lParam)) {
        return *handled;
    }
    return DispatchMessage<CMainWindow>(*this, kMessageMap, message, wParam, lParam).value_or(0);
}

LRESULT CMainWindow::OnBusMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
    // Other processes reach only what is meant for them, never a handler that takes a pointer.
    const auto admitted = AdmitFromBus(message, wParam, lParam, {m_bindMessage, m_registerMessage});
    if (!admitted) {
        qCDebug(lcWindow) << "dropped message" << Qt::hex << message << "from another process";
        return 0;
    }
    if (admitted->message == Wm::Close) {
        // As the window manager's close: the phone's own close path, after the sender's answer.
        if (!m_destroyed) {
            m_port->PostMessage(Wm::Close, 0, 0);
        }
        return 0;
    }
    return m_port->SendMessage(admitted->message, admitted->wParam, admitted->lParam);
}

LRESULT CMainWindow::OnCopyData(uint32_t sender, uint32_t type, const QByteArray& data) {
    if (m_destroyed || !m_external) {
        return 0;
    }
    return m_external->OnCopyData(sender, type, data) ? 1 : 0;
}

// ---- Private messages ----

LRESULT CMainWindow::OnServiceUnavailable(WPARAM, LPARAM) {
    ShowMessageBox(this, Text(StringId::ServiceUnavailable), MessageIcon::None, MessageButtons::Ok,
                   Text(StringId::AppTitle));
    return 0;
}

LRESULT CMainWindow::OnDialHandover(WPARAM wParam, LPARAM) {
    const auto number = CallHistory::ReadHandover(m_profile);
    if (number) {
        qCDebug(lcWindow) << "hand-over: number" << *number << "auto-dial" << wParam;
        m_input->HandOver(*number, wParam != 0);
    }
    return 0;
}

LRESULT CMainWindow::OnSigninPrompt(WPARAM wParam, LPARAM) {
    if (m_telephony == TelephonyState::Missing) {
        return 0;  // the phone is ending
    }
    if (m_state.unattended.enabled && wParam != 0) {
        // Nobody is there to read the message or fix the account: an unattended run whose
        // sign-in was refused ends as a rejected registration instead of asking for ever.
        qCWarning(lcWindow) << "unattended sign-in refused (reason" << wParam << ")";
        m_machine->UnattendedStep(ExitCode::RegistrationFailed);
        return 0;
    }
    m_signin->Run(wParam);
    return 0;
}

LRESULT CMainWindow::OnCallHistoryDialogMessage(WPARAM wParam, LPARAM) {
    return m_input->OnCallHistoryDialog(wParam);
}

// Sent by the preferences page with itself as lParam: stores the display and account options and
// shows what changed.
LRESULT CMainWindow::OnPreferencesApplied(WPARAM, LPARAM lParam) {
    const auto* page = reinterpret_cast<const PreferencesPage*>(lParam);
    if (page == nullptr) {
        return 0;
    }
    const PreferencesEffects effects =
        SaveSettings(m_profile, *page, m_state.settings, m_state.account.record, m_machineKey);
    m_state.configLocked = !m_state.settings.lockPin.isEmpty();
    if (effects.balanceChanged) {
        RedrawBalance();
    }
    if (effects.accountButtonChanged) {
        m_buttons[Cmd::Account]->setVisible(m_state.settings.accountButton);
    }
    if (effects.webLinksChanged) {
        m_buttons[Cmd::HomePageButton]->setVisible(m_state.settings.webLinks);
        m_buttons[Cmd::Rates]->setVisible(m_state.settings.webLinks);
    }
    if (effects.phoneBookChanged) {
        m_buttons[Cmd::PhoneBook]->setVisible(m_state.settings.phoneBookEnabled);
    }
    if (auto* dialog = qobject_cast<CSigninDialog*>(QApplication::activeModalWidget())) {
        dialog->Refresh(m_state.settings.lockToAccount, m_state.settings.callShopMode);
    }
    return 0;
}

LRESULT CMainWindow::OnRtcEvent(WPARAM wParam, LPARAM lParam) {
    const bool wasAnnounced = m_state.call.incomingAnnounced;
    m_machine->OnRtcEvent(wParam, lParam);
    NotifyDesktop(DesktopNoticePolicy::IncomingCall(m_desktopSettings, wasAnnounced,
                                                    m_state.call.incomingAnnounced));
    return 0;
}

LRESULT CMainWindow::OnSpeedDialTooltip(WPARAM wParam, LPARAM) {
    if (wParam < kKeypadControls.size()) {
        const int index = static_cast<int>(wParam);
        m_tips->UpdateControlTip(m_buttons[Cmd::Key0 + index], m_speedDial->TooltipText(index));
        m_buttons[Cmd::Key0 + index]->setAccessibleDescription(m_speedDial->TooltipText(index));
    }
    return 0;
}

LRESULT CMainWindow::OnTimer(WPARAM wParam, LPARAM) {
    // A quick sign-in may be ready to register before the engine is up; asked while it comes
    // up, the timer simply fires again.
    if (static_cast<int>(wParam) == Timer::RegisterNow && !EnsureTelephony() &&
        m_telephony == TelephonyState::ComingUp) {
        return 0;
    }
    m_machine->OnTimer(static_cast<int>(wParam));
    // The tray's tool tip shows the call time also when the display is told not to.
    if (static_cast<int>(wParam) == Timer::CallClock) {
        RefreshDesktop();
    }
    return 0;
}

LRESULT CMainWindow::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LoWord(wParam);
    const int code = HiWord(wParam);
    if (id >= Cmd::Key0 && id <= Cmd::KeyHash) {
        m_input->OnKeypadCommand(id, code);
        return 0;
    }
    if (lParam != 0 && m_buttons.count(id) != 0) {
        // A skinned button: the click is complete when it is let go over the button after a
        // press; the release that ends a double click is not a second click.
        if (code != Msg::ButtonReleased || !m_buttons[id]->ReleaseCompletesClick()) {
            return 0;
        }
    }
    if (!ContextMenuModel::Allows(m_state, id)) {
        // A configuration entry the menu would not offer now: not from anyone else either.
        qCDebug(lcWindow) << "command" << id << "is not offered now";
        return 0;
    }
    if (!m_input->OnCommand(id)) {
        OnWindowCommand(id);
    }
    return 0;
}

bool CMainWindow::OnWindowCommand(int id) {
    switch (id) {
        case Cmd::SignOut:
        case Cmd::SignOutMenu:
            SignOut();
            return true;
        case Cmd::Minimize:
            Minimise();
            return true;
        case Cmd::Account:
            OpenAccountPage();
            return true;
        case Cmd::Rates:
            OpenRatesPage();
            return true;
        case Cmd::HomePageButton:
        case Cmd::HomePage:
            OpenHomePage();
            return true;
        case Cmd::Support:
            OpenSupportPage();
            return true;
        case Cmd::Help:
            OpenHelpPage();
            return true;
        case Cmd::ProxySettings:
            OpenProxySettings();
            return true;
        case Cmd::Preferences:
            OpenPreferences();
            return true;
        case Cmd::About:
            ShowAboutBox();
            return true;
        case Cmd::LockConfig:
            LockConfiguration();
            return true;
        case Cmd::UnlockConfig:
            UnlockConfiguration();
            return true;
        case Cmd::AudioSettings:
            RunAudioWizard();
            return true;
        case Cmd::PhoneBook:
            OpenPhoneBook();
            return true;
        default:
            qCDebug(lcWindow) << "command" << id << "has nothing to do on this phone yet";
            return false;
    }
}

LRESULT CMainWindow::OnClose(WPARAM, LPARAM) {
    if (m_closing) {
        return 0;
    }
    m_closing = true;
    if (m_handset) {
        m_handset->SetClosing(true);
    }
    const Registry::Outcome history = m_history.Save(m_profile);
    if (m_state.signin.registrationTimerRunning) {
        m_port->KillTimer(Timer::Registration);
        m_state.signin.registrationTimerRunning = false;
    }
    m_external->OnClose();
    CancelConnection();
    QThread::yieldCurrentThread();
    m_state.servers.entries.clear();
    const Registry::Outcome volumes = SaveVolumes();
    SavePopups();
    ReportUnsaved(history.done ? volumes : history);
    if (m_engine) {
        // Success hides the window; the engine's clean-up event destroys it later. Failure
        // has already destroyed it. A clean-up that never comes (a registrar gone silent while
        // the phone says goodbye) must not keep the program alive unseen.
        m_engine->PrepareShutdown();
        QTimer::singleShot(kCleanupGraceMs, this, [this] {
            if (!m_destroyed) {
                qCWarning(lcWindow) << "the engine did not finish its clean-up; closing anyway";
                m_port->SendMessage(Wm::Destroy, 0, 0);
            }
        });
    } else {
        m_port->SendMessage(Wm::Destroy, 0, 0);
    }
    if (m_cipher) {
        m_cipher->ReleaseRequestCipher();
    }
    return 0;
}

LRESULT CMainWindow::OnDestroy(WPARAM, LPARAM) {
    if (m_destroyed) {
        return 0;
    }
    m_destroyed = true;
    hide();
    ReleaseHandset();
    ReleaseTunnel();
    SaveCallReport();
    if (m_engine) {
        m_engine->Shutdown();
    }
    App().exitCode = m_state.exitCode;
    QCoreApplication::quit();  // the phone's message loop ends with its window
    return 0;
}

LRESULT CMainWindow::OnBusActivate(WPARAM, LPARAM) {
    if (isMinimized()) {
        showNormal();
    }
    QWidget* front = QApplication::activeModalWidget();
    QWidget* target = front != nullptr ? front : this;
    target->raise();
    target->activateWindow();
    return 0;
}

// ---- Qt events ----

void CMainWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (testAttribute(Qt::WA_TranslucentBackground)) {
        painter.setClipRegion(mask());
    }
    m_display.Paint(painter, event->rect(), m_skin, m_state);
    const QRect status = m_display.StatusTextRect(PhoneDisplay::StatusText(m_state));
    if (event->rect().intersects(status)) {
        m_statusShown = m_statusShown.united(status);
    }
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    // The window manager's close takes the phone's own close path.
    event->ignore();
    if (!m_destroyed) {
        m_port->PostMessage(Wm::Close, 0, 0);
    }
}

void CMainWindow::keyPressEvent(QKeyEvent* event) {
    QChar ch;
    switch (event->key()) {
        case Qt::Key_Backspace:
            ch = QChar(0x08);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            ch = QChar(0x0D);
            break;
        case Qt::Key_Escape:
            ch = QChar(0x1B);
            break;
        default:
            if (!event->text().isEmpty()) {
                ch = event->text().front();
            }
    }
    if (ch.isNull() || (event->modifiers() & Qt::ControlModifier)) {
        QWidget::keyPressEvent(event);
        return;
    }
    m_input->OnChar(ch, event->isAutoRepeat());
}

void CMainWindow::keyReleaseEvent(QKeyEvent* event) {
    if (!event->isAutoRepeat()) {
        m_input->OnKeyUp();
    }
}

void CMainWindow::mousePressEvent(QMouseEvent* event) {
    // Any point of the skin that is not a control drags the window.
    if (event->button() == Qt::LeftButton) {
        if (windowHandle() != nullptr && windowHandle()->startSystemMove()) {
            return;
        }
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    }
}

void CMainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
    }
}

void CMainWindow::mouseReleaseEvent(QMouseEvent*) {
    m_dragging = false;
}

void CMainWindow::contextMenuEvent(QContextMenuEvent* event) {
    ShowContextMenuAt(event->globalPos());
}

void CMainWindow::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (m_input) {
        // A key released while another window had the keyboard never reached us: let go of it,
        // or the next key typed here would be taken for a repeat of it.
        m_input->OnKeyUp();
        m_input->OnFocus();
    }
}

// ---- Volumes ----

void CMainWindow::LoadVolumes() {
    const int mic = m_profile.GetInt(u"Audio"_s, u"Mic Volume"_s, 0x7FFF);
    const int speaker = m_profile.GetInt(u"Audio"_s, u"Spk Volume"_s, 0xFFFF);
    if (m_engine) {
        m_engine->SetVolume(RTCAD_MICROPHONE, mic);
        m_engine->SetVolume(RTCAD_SPEAKER, speaker);
    }
}

void CMainWindow::ShowEngineVolumes() {
    if (!m_engine) {
        return;
    }
    int32_t volume = 0;
    if (m_engine->GetVolume(RTCAD_SPEAKER, &volume) >= 0) {
        SetSpeakerSlider(volume);
    }
    if (m_engine->GetVolume(RTCAD_MICROPHONE, &volume) >= 0) {
        SetMicSlider(volume);
    }
}

Registry::Outcome CMainWindow::SaveVolumes() {
    Registry::Outcome result{true, {}};
    if (!m_engine) {
        return result;
    }
    int32_t volume = 0;
    if (m_engine->GetVolume(RTCAD_MICROPHONE, &volume) >= 0) {
        result = m_profile.PutInt(u"Audio"_s, u"Mic Volume"_s, volume);
    }
    if (m_engine->GetVolume(RTCAD_SPEAKER, &volume) >= 0) {
        const Registry::Outcome speaker = m_profile.PutInt(u"Audio"_s, u"Spk Volume"_s, volume);
        if (result.done) {
            result = speaker;
        }
    }
    return result;
}

void CMainWindow::ReportUnsaved(const Registry::Outcome& outcome) {
    if (outcome.done || m_unsavedReported) {
        return;
    }
    m_unsavedReported = true;
    const QString text =
        u"The call history and the volumes could not be saved in the settings file %1: %2"_s.arg(
            m_profile.hive().path(), outcome.error);
    if (m_state.unattended.enabled) {
        // Nobody is there to press OK; the log keeps it.
        qCWarning(lcWindow).noquote() << text;
        return;
    }
    ShowMessageBox(this, text, MessageIcon::Warning);
}

// ---- Display ----

void CMainWindow::RedrawStatus() {
    // The old text's place and the new one's: what was shown may be wider or taller.
    const QRect text = m_display.StatusTextRect(PhoneDisplay::StatusText(m_state));
    update(m_statusShown.united(text));
    m_statusShown = text;
    RefreshDesktop();
    RefreshAccessibleTexts();
}

void CMainWindow::RedrawNumber() {
    update(kNumberArea);
    RefreshAccessibleTexts();
    if (m_external) {
        m_external->NumberLineRedrawn(m_state.display.numberLine);
    }
}

void CMainWindow::RedrawBalance() {
    update(kBalanceArea);
    RefreshAccessibleTexts();
    m_tips->UpdateRectTip(
        this, PhoneDisplay::ShowsBalance(m_state) ? Text(StringId::TipAccountBalance) : QString(),
        kToolBalance);
}

void CMainWindow::RedrawMinutes() {
    update(kNumberArea);
    RefreshAccessibleTexts();
    if (m_state.display.minutesShown) {
        m_tips->UpdateRectTip(this, Text(StringId::TipMaximumCallLength), kToolNumber);
    }
}

void CMainWindow::ResetNumberTooltip() {
    m_tips->UpdateRectTip(this, Text(StringId::TipPhoneNumber), kToolNumber);
}

void CMainWindow::SetTimer(int id, int ms) {
    m_port->SetTimer(id, ms);
}
void CMainWindow::KillTimer(int id) {
    m_port->KillTimer(id);
}
bool CMainWindow::IsTimerRunning(int id) const {
    return m_port->IsTimerRunning(id);
}

void CMainWindow::SetSignInIndicator(Indicator state) {
    switch (state) {
        case Indicator::Dark:
            m_indicator->SetState(0, 0, 0, 0);
            break;
        case Indicator::Lit:
            m_indicator->SetState(1, 0, 0, 0);
            break;
        case Indicator::Blinking:
            m_indicator->SetState(1, 0, 125, 75);
            break;
    }
}

void CMainWindow::SetSpeakerSlider(int position) {
    const QSignalBlocker block(m_speakerSlider);
    m_speakerSlider->setValue(position);
}

void CMainWindow::SetMicSlider(int position) {
    const QSignalBlocker block(m_micSlider);
    m_micSlider->setValue(position);
}

void CMainWindow::ShowKeypadButton(int index, bool down) {
    if (CSkinButton* key = button(Cmd::Key0 + index)) {
        key->SetShownPressed(down);
    }
}

void CMainWindow::NotifyExternalClient(ExternalControlProtocol::PhoneNotice type,
                                       const QByteArray& data) {
    m_external->Send(type, data);
}

// ---- Window actions ----

void CMainWindow::SignOut() {
    CancelConnection();
    m_signin->SignOut();
}

void CMainWindow::DestroyWindow() {
    m_port->SendMessage(Wm::Destroy, 0, 0);
}
void CMainWindow::Minimise() {
    showMinimized();
}

void CMainWindow::ShowWindow() {
    showNormal();
    raise();
}

void CMainWindow::ShowContextMenu() {
    ShowContextMenuAt(QCursor::pos());
}

void CMainWindow::ShowContextMenuAt(const QPoint& globalPos) {
    if (!ContextMenuModel::Shown(m_state)) {
        return;
    }
    const ContextMenuModel model = ContextMenuModel::Build(m_state, m_history);
    std::unique_ptr<QMenu> menu = BuildContextMenu(model, m_homeMenuText, this);
    m_input->OnMenuOpened();
    QAction* chosen = menu->exec(globalPos);
    m_input->OnMenuLoopEnd();
    if (chosen != nullptr && chosen->data().isValid()) {
        m_port->SendMessage(Wm::Command, MakeWParam(chosen->data().toInt(), 0), 0);
    }
}

void CMainWindow::ScreenSaver(bool on) {
    if (on) {
        m_screenSaver.Release();
    } else {
        m_screenSaver.Inhibit(u"A call is in progress"_s);
    }
}

void CMainWindow::OpenCallHistoryDialog() {
    if (m_historyDialog) {
        return;
    }
    m_historyDialog = new CCallHistoryDialog(m_history, m_historySelection, this);
    m_historyDialog->SetResultCallback(
        [this](WPARAM wParam) { m_port->SendMessage(Msg::CallHistoryDialog, wParam, 0); });
    m_historyDialog->show();
}

void CMainWindow::CloseCallHistoryDialog() {
    if (m_historyDialog) {
        m_historyDialog->hide();
        m_historyDialog->deleteLater();
        m_historyDialog.clear();
    }
    setFocus();
}

void CMainWindow::CallHistorySelectionChanged(int row) {
    if (m_historyDialog) {
        m_historyDialog->ShowSelection(row);
    }
}

std::optional<QString> CMainWindow::ClipboardText() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        return std::nullopt;
    }
    return clipboard->text();
}

void CMainWindow::SetClipboardText(const QString& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        clipboard->setText(text);
    }
}

void CMainWindow::FocusMainWindow() {
    setFocus();
}

// ---- External control ----

void CMainWindow::SendBind(Handle client, WPARAM wParam) {
    LocalBus::SendMessage(client, m_bindMessage, wParam, m_endpoint->handle(), 2000);
}

void CMainWindow::PostBind(Handle client, WPARAM wParam, LPARAM lParam) {
    LocalBus::PostMessage(client, m_bindMessage, wParam, lParam);
}

void CMainWindow::BroadcastBind(WPARAM wParam) {
    LocalBus::Broadcast(m_bindMessage, wParam, m_endpoint->handle(), m_endpoint->handle());
}

bool CMainWindow::SendCopyData(Handle client, uint32_t type, const QByteArray& data) {
    return LocalBus::SendCopyData(client, m_endpoint->handle(), type, data, 2000).has_value();
}

bool CMainWindow::ClientExists(Handle client) {
    return LocalBus::IsWindow(client);
}

// ---- Engine notifications ----

void CMainWindow::PostMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
    m_port->PostMessage(message, wParam, lParam);
}

LRESULT CMainWindow::SendMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
    return m_port->SendMessage(message, wParam, lParam);
}

void CMainWindow::Hide() {
    hide();
}

}  // namespace zuvo
