#include "app/ui/desktop_presence.h"

#include <QLoggingCategory>
#include <QMenu>
#include <QSystemTrayIcon>

#include "app/logic/desktop_notices.h"
#include "platform/desktop_notifier.h"

Q_DECLARE_LOGGING_CATEGORY(lcDesktop)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

DesktopPresence::DesktopPresence(const QIcon& icon, Actions actions, QObject* parent)
    : DesktopPresence(icon, std::move(actions), nullptr, parent) {}

DesktopPresence::DesktopPresence(const QIcon& icon, Actions actions, DesktopNotifier* notifier,
                                 QObject* parent)
    : QObject(parent),
      m_actions(std::move(actions)),
      m_menu(std::make_unique<QMenu>()),
      m_notifier(notifier != nullptr ? notifier : new DesktopNotifier(this)) {
    auto call = [](const std::function<void()>& action) {
        return [action] {
            if (action) {
                action();
            }
        };
    };
    m_toggle = m_menu->addAction(u"&Hide Phone"_s, this, call(m_actions.toggleWindow));
    m_menu->addAction(u"Call &History"_s, this, call(m_actions.callHistory));
    m_menu->addAction(u"&Sign Out"_s, this, call(m_actions.signOut));
    m_menu->addSeparator();
    m_menu->addAction(u"E&xit"_s, this, call(m_actions.exit));

    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        qCDebug(lcDesktop) << "no system tray; the phone stays a window only";
        return;
    }
    m_tray = new QSystemTrayIcon(icon, this);
    m_tray->setContextMenu(m_menu.get());
    connect(
        m_tray, &QSystemTrayIcon::activated, this,
        [this](QSystemTrayIcon::ActivationReason reason) {
            if ((reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) &&
                m_actions.raise) {
                m_actions.raise();
            }
        });
    m_tray->show();
}

DesktopPresence::~DesktopPresence() {
    if (m_tray != nullptr) {
        m_tray->setContextMenu(nullptr);
    }
}

bool DesktopPresence::HasTray() const {
    return m_tray != nullptr && m_tray->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void DesktopPresence::SetToolTip(const QString& text) {
    if (text == m_toolTip) {
        return;
    }
    m_toolTip = text;
    if (m_tray != nullptr) {
        m_tray->setToolTip(text);
    }
}

void DesktopPresence::SetWindowShown(bool shown) {
    m_toggle->setText(shown ? u"&Hide Phone"_s : u"&Show Phone"_s);
}

void DesktopPresence::Notify(const DesktopNotice& notice) {
    m_notifier->Notify(static_cast<int>(notice.kind), notice.summary, notice.body,
                       notice.kind == DesktopNotice::Kind::IncomingCall);
}

}  // namespace zuvo
