#include "app/ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLoggingCategory>

#include "app/core/app_globals.h"
#include "app/core/deployment.h"
#include "app/core/settings_store.h"
#include "platform/local_bus.h"
#include "platform/profile.h"

Q_LOGGING_CATEGORY(lcWindow, "zuvo.window", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

const std::array<MessageMapEntry<CMainWindow>, 5> CMainWindow::kMessageMap = {{
    OnMessage(Msg::DialHandover, &CMainWindow::OnDialHandover),
    OnMessage(Wm::Timer, &CMainWindow::OnTimer),
    OnMessage(Wm::Close, &CMainWindow::OnClose),
    OnMessage(Wm::Destroy, &CMainWindow::OnDestroy),
    OnMessage(LocalBus::kActivateMessage, &CMainWindow::OnBusActivate),
}};

CMainWindow::CMainWindow(QWidget* parent) : QWidget(parent) {
    setWindowTitle(Deployment::BrandName());
    setFixedSize(260, 470);
    m_port = new MessagePort(
        [this](uint32_t message, WPARAM w, LPARAM l) { return WindowProc(message, w, l); }, this);
    m_endpoint = new LocalBusEndpoint(u"ZuvoClass"_s, this);
    m_endpoint->setMessageHandler([this](uint32_t message, WPARAM w, LPARAM l) {
        return m_port->SendMessage(message, w, l);
    });
    if (!m_endpoint->Listen()) {
        qCWarning(lcWindow) << "other programs cannot reach this phone";
    }
    Profile profile = Profile::Phone();
    m_settings = LoadSettings(profile, App().language);
}

CMainWindow::~CMainWindow() = default;

LRESULT CMainWindow::WindowProc(uint32_t message, WPARAM wParam, LPARAM lParam) {
    return DispatchMessage<CMainWindow>(*this, kMessageMap, message, wParam, lParam).value_or(0);
}

LRESULT CMainWindow::OnDialHandover(WPARAM wParam, LPARAM) {
    Profile profile = Profile::Phone();
    const QString key = profile.KeyPath(u"Call History"_s);
    if (!profile.hive().KeyExists(key)) {
        return 0;
    }
    const auto number = profile.hive().ReadString(key, u"FA"_s);
    if (!number) {
        return 0;
    }
    m_numberLine = number->left(99);
    qCDebug(lcWindow) << "hand-over: number" << m_numberLine << "auto-dial" << wParam;
    if (wParam != 0) {
        m_autoDial = true;
        m_port->SetTimer(Timer::AutoDial, 3000);
    }
    return 0;
}

LRESULT CMainWindow::OnTimer(WPARAM wParam, LPARAM) {
    m_port->KillTimer(static_cast<int>(wParam));
    return 0;
}

LRESULT CMainWindow::OnClose(WPARAM, LPARAM) {
    hide();
    m_port->PostMessage(Wm::Destroy);
    return 0;
}

LRESULT CMainWindow::OnDestroy(WPARAM, LPARAM) {
    m_closing = true;
    hide();
    QCoreApplication::quit();  // the phone's message loop ends with its window
    return 0;
}

LRESULT CMainWindow::OnBusActivate(WPARAM, LPARAM) {
    QWidget* front = QApplication::activeModalWidget();
    if (isMinimized()) {
        showNormal();
    }
    QWidget* target = front != nullptr ? front : this;
    target->raise();
    target->activateWindow();
    return 0;
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    if (!m_closing) {
        event->ignore();
        m_port->PostMessage(Wm::Close);
        return;
    }
    event->accept();
}

}  // namespace zuvo
