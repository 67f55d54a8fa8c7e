#pragma once

#include <QPointer>
#include <QWidget>

#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "app/core/desktop_settings.h"
#include "app/core/settings_store.h"
#include "app/logic/balance_task.h"
#include "app/logic/call_authorisation_task.h"
#include "app/logic/external_control.h"
#include "app/logic/phone_delegate.h"
#include "app/logic/phone_state.h"
#include "app/ui/phone_display.h"
#include "contacts/call_history.h"
#include "contacts/call_history_selection.h"
#include "platform/message_port.h"
#include "platform/profile.h"
#include "platform/screen_saver.h"
#include "popups/popup_schedule.h"
#include "skin/dib.h"
#include "telephony/discovery/connection_threads.h"
#include "telephony/rtc_engine_interface.h"

class QMenu;

namespace zuvo {

class AudioDeviceChoice;
class CallStateMachine;
class CConfig;
class CCallHistoryDialog;
class CProxyDialog;
class CSkinButton;
class CSkinSlider;
class CStateLight;
class CAccessibleText;
class CToolTipControl;
class DesktopPresence;
struct DesktopNotice;
class DialingInput;
class HandsetDevice;
class TunnelComponent;
class IPopupWindow;
class LocalBusEndpoint;
class PopupWindowHost;
class ProxyPromptAnswer;
class SigninConnection;
class SigninFlow;
class SigninWindowDelegate;
class SoundDevices;
class TelephonyModule;
class SpeedDial;
class WorkerReturn;
class WorkerThread;
class WindowProxyPrompt;

namespace service {
class ProxyCredentialsPrompt;
class RequestCipher;
class RequestKey;
struct RequestKeyInputs;
struct BalanceResult;
struct CallAuthorisationResult;
}  // namespace service

// The phone: one skinned, borderless window shaped like a handset, reachable by other processes
// as ExternalControlProtocol::kPhoneWindowClass. It owns the run-time state and the engine; its
// message table routes private messages, timers and commands to the small classes that hold the
// logic. It stays thin: handlers forward and redraw.
class CMainWindow : public QWidget,
                    public PhoneDelegate,
                    public ExternalClientPort,
                    public RtcNotifyWindow {
    Q_OBJECT
public:
    explicit CMainWindow(QWidget* parent = nullptr);
    ~CMainWindow() override;

    MessagePort& port() { return *m_port; }
    LRESULT WindowProc(uint32_t message, WPARAM wParam, LPARAM lParam);

    // For tests and tools that look at the phone as a user would.
    const PhoneState& state() const { return m_state; }
    PhoneState& mutableState() { return m_state; }
    const CallHistory& history() const { return m_history; }
    const PhoneDisplay& display() const { return m_display; }
    CSkinButton* button(int id) const;
    CToolTipControl* toolTips() const { return m_tips; }
    // The engine, brought up first when the telephony library was still loading; null when it
    // could not be.
    IRtcEngine* engine() {
        EnsureTelephony();
        return m_engine.get();
    }
    AccountRecord& account() { return m_state.account.record; }
    const WebServerChoice& webServer() const { return m_web; }
    const PopupSchedule& popups() const { return m_popups; }
    QWidget* callHistoryDialog() const;
    QWidget* phoneBook() const;
    bool preferencesOpen() const { return m_preferencesOpen; }
    CConfig* audioWizard() const;
    // Both need the telephony library (see engine()).
    const AudioDeviceChoice& audioDevices() {
        EnsureTelephony();
        return *m_audio;
    }
    SoundDevices& soundDevices() {
        EnsureTelephony();
        return *m_sounds;
    }
    // The USB handset's driver object, null when none is registered or it failed to start. It
    // starts with the engine (see engine()).
    HandsetDevice* handset() {
        EnsureTelephony();
        return m_handset.get();
    }
    TunnelComponent* tunnel() const { return m_tunnel.get(); }
    // The tray icon and notifications; null in an unattended run.
    DesktopPresence* desktop() const { return m_desktop; }
    const DesktopSettings& desktopSettings() const { return m_desktopSettings; }
    // Stores the desktop settings and writes or removes the autostart entry when that changed.
    void ApplyDesktopSettings(const DesktopSettings& settings);
    // True when the phone should start as its tray icon alone (the setting, and a tray exists).
    bool StartsHidden() const;
    // Shows the phone, or hides it into the tray when it is shown and a tray exists.
    void ToggleFromTray();
    // Stops the tunnel (before each sign-in, and at destruction when it is in use).
    void StopTunnel();
    // The pop-up browser window while it is open, else null.
    IPopupWindow* popupWindow() const;
    // Opens address (absolute, or relative to the web host) in the pop-up browser window with a
    // page area of cx x cy, creating the window or reusing the open one. False when the browser
    // cannot be loaded.
    bool OpenPopupWindow(const QString& address, int cx, int cy);

    // Starts the connection for the account now in the account record (the sign-in dialog was
    // confirmed): signing-in flag, a fresh cancel token, status redrawn, connect thread started.
    void StartConnection();
    // Stops the connection threads of the current sign-in.
    void CancelConnection();

    // PhoneDelegate.
    void RedrawStatus() override;
    void RedrawNumber() override;
    void RedrawBalance() override;
    void RedrawMinutes() override;
    void ResetNumberTooltip() override;
    void SetTimer(int id, int ms) override;
    void KillTimer(int id) override;
    bool IsTimerRunning(int id) const override;
    void SetSignInIndicator(Indicator state) override;
    void SetSpeakerSlider(int position) override;
    void SetMicSlider(int position) override;
    void WizardDevicesChanged() override;
    void WizardVolumeChanged(int device, int volume) override;
    void ShowKeypadButton(int index, bool down) override;
    void NotifyExternalClient(ExternalControlProtocol::PhoneNotice type,
                              const QByteArray& data) override;
    void NotifyHandset(int code, int value) override;
    void RebuildRequestKey() override;
    void StartBalanceRequest(bool withConnection) override;
    void StartCallAuthorisation(const QString& dialled) override;
    void StartPopupFetch() override;
    bool ShowPopup(int event) override;
    void SignOut() override;
    void DestroyWindow() override;
    void Minimise() override;
    void ShowWindow() override;
    void ShowContextMenu() override;
    void RunAudioWizard() override;
    void ScreenSaver(bool on) override;
    void OpenAccountPage() override;
    void OpenHomePage() override;
    void OpenSupportPage() override;
    void OpenCallHistoryDialog() override;
    void CloseCallHistoryDialog() override;
    void CallHistorySelectionChanged(int row) override;
    std::optional<QString> ClipboardText() override;
    void SetClipboardText(const QString& text) override;
    void FocusMainWindow() override;

    // ExternalClientPort.
    void SendBind(Handle client, WPARAM wParam) override;
    void PostBind(Handle client, WPARAM wParam, LPARAM lParam) override;
    void BroadcastBind(WPARAM wParam) override;
    bool SendCopyData(Handle client, uint32_t type, const QByteArray& data) override;
    bool ClientExists(Handle client) override;
    void UseClientDevices(const QString& microphone, const QString& speaker) override;
    void RestoreDevices() override;

    // RtcNotifyWindow.
    void PostMessage(uint32_t message, WPARAM wParam, LPARAM lParam) override;
    LRESULT SendMessage(uint32_t message, WPARAM wParam, LPARAM lParam) override;
    void Hide() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    friend class SigninConnection;
    friend class SigninWindowDelegate;
    friend class WindowProxyPrompt;

    // The creation sequence, in its order.
    void OnCreate();
    void CreateControls();
    CSkinButton* CreateButton(int id, const QRect& rect, const QString& bitmap, SkinModule module,
                              const QString& tip);
    // Sound devices, engine, volumes and handset, once: when the telephony library has loaded,
    // or at once (waiting for the library) for whatever needs them first. False when the library
    // did not load; then the phone has said so and is ending.
    bool EnsureTelephony();
    void ReportMissingTelephony();
    // Speaker and microphone: read and checked before the engine exists, applied once it does.
    void LoadDevices(const TelephonyModule& telephony);
    void ApplyDevices();
    void LoadVolumes();
    // The sliders show the engine's volumes.
    void ShowEngineVolumes();
    // The USB handset: made at creation when a driver is registered, released at destruction.
    void StartHandset();
    void OnHandsetKey(int code, bool pressed, int options);
    void ReleaseHandset();
    void ReleaseTunnel();
    // Tray icon and notifications, made at creation unless unattended.
    void StartDesktop();
    void RefreshDesktop();
    void NotifyDesktop(const std::optional<DesktopNotice>& notice);
    // The display's lines as text for assistive technology, and the controls' names.
    void CreateAccessibleTexts();
    void RefreshAccessibleTexts();
    Registry::Outcome SaveVolumes();
    // Tells the user, once, that what the phone keeps across runs could not be saved.
    void ReportUnsaved(const Registry::Outcome& outcome);
    void ShowContextMenuAt(const QPoint& globalPos);
    void OpenRatesPage();
    void OpenHelpPage();
    void OpenPage(const QString& address);
    std::optional<LRESULT> OnPopupMessage(uint32_t message, WPARAM wParam, LPARAM lParam);
    // The pop-up messages across runs, and a fetch's result on the main thread.
    void LoadPopups();
    void SavePopups();
    void ApplyPopupFetch(const PopupReply& reply);
    void OpenProxySettings();
    // The modal preferences sheet; refused while one is already open.
    void OpenPreferences();
    // Set exactly while the preferences sheet is shown; the connection threads wait on it.
    void SetPreferencesOpen(bool open);
    // The About box and the configuration lock's dialogs; each holds the window while open.
    void ShowAboutBox();
    void LockConfiguration();
    void UnlockConfiguration();
    // Command 155: the one phone book window, opened or brought to the front.
    void OpenPhoneBook();
    service::RequestKeyInputs KeyInputs(const QString& account) const;
    // The local address for the request key, also while the engine is still coming up.
    void RefreshLocalAddress();
    // Reports of the connection threads, on the main thread.
    void ApplyServiceCheck(const service::ServiceCheckResult& result);
    void StartServerConfiguration(const WebServerChoice& choice, const QString& account);
    void ApplyServerConfiguration(const ServerConfiguration& configuration);
    void RunUnattendedStep(ExitCode step);
    // With /T and /J: the test call's quality report, once, as the phone ends.
    void SaveCallReport();
    void StartWorker(std::function<void()> work);
    // The way back of the current sign-in's workers (a fresh one when there is none yet).
    std::shared_ptr<WorkerReturn> CurrentRun();
    // The 407 prompt of the current sign-in's requests; none in unattended mode.
    std::shared_ptr<service::ProxyCredentialsPrompt> CurrentPrompt();
    // A proxy asked for credentials: the proxy dialog opens with them open for entry.
    void AskProxyCredentials(const QString& proxy,
                             const std::shared_ptr<ProxyPromptAnswer>& answer);
    // Results of the balance and call-authorisation workers, on the main thread.
    void ApplyBalance(const service::BalanceResult& result);
    void ApplyCallAuthorisation(const service::CallAuthorisationResult& result);

    LRESULT OnServiceUnavailable(WPARAM, LPARAM);
    LRESULT OnDialHandover(WPARAM, LPARAM);
    LRESULT OnSigninPrompt(WPARAM, LPARAM);
    LRESULT OnCallHistoryDialogMessage(WPARAM, LPARAM);
    LRESULT OnPreferencesApplied(WPARAM, LPARAM);
    LRESULT OnAudioDeviceChosen(WPARAM, LPARAM);
    LRESULT OnRtcEvent(WPARAM, LPARAM);
    LRESULT OnSpeedDialTooltip(WPARAM, LPARAM);
    LRESULT OnTimer(WPARAM, LPARAM);
    LRESULT OnCommand(WPARAM, LPARAM);
    LRESULT OnClose(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    LRESULT OnBusActivate(WPARAM, LPARAM);
    LRESULT OnBusMessage(uint32_t message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCopyData(uint32_t sender, uint32_t type, const QByteArray& data);
    bool OnWindowCommand(int id);

    static const std::array<MessageMapEntry<CMainWindow>, 13> kMessageMap;

    MessagePort* m_port = nullptr;
    LocalBusEndpoint* m_endpoint = nullptr;
    uint32_t m_bindMessage = 0;
    uint32_t m_registerMessage = 0;

    Profile m_profile;
    PhoneState m_state;
    QString m_machineKey;
    CallHistory m_history;
    CallHistorySelection m_historySelection;
    std::unique_ptr<SpeedDial> m_speedDial;
    std::unique_ptr<SoundDevices> m_sounds;
    std::unique_ptr<AudioDeviceChoice> m_audio;
    std::unique_ptr<HandsetDevice> m_handset;
    // The VPN tunnel component; shared with the connect thread, which may outlive a sign-in.
    std::shared_ptr<TunnelComponent> m_tunnel;
    std::unique_ptr<IRtcEngine> m_engine;
    std::unique_ptr<DialingInput> m_input;
    std::unique_ptr<CallStateMachine> m_machine;
    std::unique_ptr<ExternalControl> m_external;
    std::unique_ptr<SigninFlow> m_signin;
    std::unique_ptr<SigninWindowDelegate> m_signinDelegate;
    std::shared_ptr<service::RequestCipher> m_cipher;
    std::shared_ptr<service::RequestKey> m_requestKey;
    std::shared_ptr<SigninConnection> m_connection;
    std::shared_ptr<WorkerReturn> m_run;
    std::shared_ptr<WindowProxyPrompt> m_prompt;
    QPointer<CProxyDialog> m_proxyPrompt;
    std::vector<std::unique_ptr<WorkerThread>> m_workers;
    std::atomic_bool m_preferencesOpen{false};
    std::atomic_bool m_signinCancel{false};
    WebServerChoice m_web;
    BalanceTask m_balance;
    CallAuthorisationTask m_authorisation;
    zuvo::ScreenSaver m_screenSaver;
    std::unique_ptr<PopupWindowHost> m_popupWindow;
    PopupSchedule m_popups;
    DesktopSettings m_desktopSettings;
    DesktopPresence* m_desktop = nullptr;

    CDib m_skin;
    PhoneDisplay m_display;
    QRect m_statusShown;  // where status texts were drawn and not yet erased
    CToolTipControl* m_tips = nullptr;
    std::map<int, CSkinButton*> m_buttons;
    CSkinSlider* m_speakerSlider = nullptr;
    CSkinSlider* m_micSlider = nullptr;
    CStateLight* m_indicator = nullptr;
    CAccessibleText* m_statusText = nullptr;
    CAccessibleText* m_numberText = nullptr;
    CAccessibleText* m_balanceText = nullptr;
    QPointer<CCallHistoryDialog> m_historyDialog;
    QPointer<CConfig> m_wizard;
    QPointer<QWidget> m_phoneBook;
    QString m_homeMenuText;
    QPoint m_dragOffset;
    bool m_dragging = false;
    bool m_closing = false;
    bool m_unsavedReported = false;
    bool m_destroyed = false;
    enum class TelephonyState { Pending, ComingUp, Up, Missing };
    TelephonyState m_telephony = TelephonyState::Pending;
};

}  // namespace zuvo
