#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace zuvo {

class DesktopNotifier;
struct DesktopNotice;

// The phone on the desktop besides its window: the tray icon (StatusNotifier through Qt) with
// its tool tip and menu, and desktop notifications. Without a tray the icon is simply not made
// and without a notification service nothing is shown; both are logged at debug level
// (zuvo.desktop). The decisions (texts, when to notify) are made by the caller. Main thread only.
class DesktopPresence : public QObject {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> toggleWindow;  // show the phone, or hide it into the tray
        std::function<void()> callHistory;
        std::function<void()> signOut;
        std::function<void()> exit;
        std::function<void()> raise;  // the icon was clicked
    };

    DesktopPresence(const QIcon& icon, Actions actions, QObject* parent);
    DesktopPresence(const QIcon& icon, Actions actions, DesktopNotifier* notifier, QObject* parent);
    ~DesktopPresence() override;

    // True when a tray shows the icon (the window may then hide into it).
    bool HasTray() const;
    void SetToolTip(const QString& text);
    QString toolTip() const { return m_toolTip; }
    // The menu the tray icon offers (also without a tray, for tests and keyboard users).
    QMenu* menu() const { return m_menu.get(); }
    // Names the show/hide entry after what choosing it would do.
    void SetWindowShown(bool shown);
    void Notify(const DesktopNotice& notice);

private:
    Actions m_actions;
    std::unique_ptr<QMenu> m_menu;
    QAction* m_toggle = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    DesktopNotifier* m_notifier = nullptr;
    QString m_toolTip;
};

}  // namespace zuvo
