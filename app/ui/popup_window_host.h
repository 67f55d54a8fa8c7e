#pragma once

#include <QPointer>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

#include "popups/browser/browser_plugin.h"

class QPluginLoader;

namespace zuvo {

// The main window's one pop-up browser window: opened on the first page, reused for every later
// one, forgotten when it reports its closing. The browser library (and with it the web engine)
// is loaded only when the first page opens. Main thread only.
class PopupWindowHost {
public:
    // Pages below this size would show nothing useful.
    static constexpr int kMinSide = 100;

    // onClosed runs, synchronously, when the user closes the window.
    PopupWindowHost(QWidget* owner, PopupWindowTexts texts, std::function<void()> onClosed);
    ~PopupWindowHost();
    PopupWindowHost(const PopupWindowHost&) = delete;
    PopupWindowHost& operator=(const PopupWindowHost&) = delete;

    // Opens address in the window with a page area (page and status bar) of cx x cy: a new
    // window is centred over the owner, a reused one navigates and takes cx x cy as its outer
    // size without moving; both are capped at the screen size minus 20. A relative address is
    // taken from webHost over plain HTTP. False when the browser library cannot be loaded.
    bool Open(const QString& address, int cx, int cy, const QString& webHost);
    // The window reported its closing.
    void Forget();

    IPopupWindow* window() const { return m_widget ? m_window : nullptr; }
    bool loaded() const { return m_plugin != nullptr; }

    // "http://" + web host + "/" + address, unless address begins with "http".
    static QString AbsoluteAddress(const QString& address, const QString& webHost);
    // The outer size on a screen of the given size: at most the screen minus 20 each way, at
    // least kMinSide.
    static QSize CappedSize(QSize wanted, QSize screen);
    // Where the browser library is looked for: the phone's plug-in folder, ../lib/zuvo.
    static QString PluginPath();
    // The web engine ends the whole process when it starts as root with its sandbox on, so the
    // phone opens no page then. The sandbox is off only where the environment turned it off
    // (QTWEBENGINE_DISABLE_SANDBOX=1 or --no-sandbox in QTWEBENGINE_CHROMIUM_FLAGS).
    static bool EngineCanStart(bool runningAsRoot, const QProcessEnvironment& environment);

private:
    IBrowserPlugin* Plugin();

    QWidget* m_owner;
    PopupWindowTexts m_texts;
    std::function<void()> m_onClosed;
    std::unique_ptr<QPluginLoader> m_loader;
    IBrowserPlugin* m_plugin = nullptr;
    IPopupWindow* m_window = nullptr;
    QPointer<QWidget> m_widget;
};

}  // namespace zuvo
