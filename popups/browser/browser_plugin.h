#pragma once

#include <QString>
#include <QtPlugin>

#include <functional>

class QWidget;

namespace zuvo {

// What the pop-up window shows that belongs to the phone: its caption and its status texts.
struct PopupWindowTexts {
    QString caption;
    QString ready;        // status text at creation
    QString downloading;  // while a page loads
    QString done;         // after it loaded
};

// The pop-up browser window as the phone sees it. Main thread only.
class IPopupWindow {
public:
    virtual ~IPopupWindow() = default;
    // The frame itself: a top-level window owned by the phone's window.
    virtual QWidget* Widget() = 0;
    // Stores the address and navigates the page to it.
    virtual void SetUrl(const QString& address) = 0;
    virtual QString Url() const = 0;
    // Where the page is now (after links and redirects) and its title.
    virtual QString PageUrl() const = 0;
    virtual QString PageTitle() const = 0;
    // The status bar's text pane, and whether its progress bar is shown.
    virtual QString StatusText() const = 0;
    virtual bool ProgressShown() const = 0;
};

// The browser library's entry point, loaded by the phone when the first page opens, so that the
// web engine costs nothing until then.
class IBrowserPlugin {
public:
    virtual ~IBrowserPlugin() = default;
    // Creates the frame (not yet shown) with its status bar and view, and starts loading
    // address. The frame deletes itself once closed; onClosed runs from its close, before that.
    virtual IPopupWindow* CreatePopupWindow(QWidget* owner, const PopupWindowTexts& texts,
                                            const QString& address,
                                            std::function<void()> onClosed) = 0;
};

}  // namespace zuvo

#define ZUVO_BROWSER_PLUGIN_IID "org.zuvo.BrowserPlugin/1"
Q_DECLARE_INTERFACE(zuvo::IBrowserPlugin, ZUVO_BROWSER_PLUGIN_IID)
