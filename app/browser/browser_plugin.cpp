// The browser library: the pop-up window on the web engine, created through IBrowserPlugin.

#include <QLoggingCategory>
#include <QObject>

#include "app/browser/browser_plugin.h"
#include "app/browser/popups.h"

Q_LOGGING_CATEGORY(lcBrowser, "zuvo.browser", QtWarningMsg)

namespace zuvo {

class BrowserPlugin : public QObject, public IBrowserPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZUVO_BROWSER_PLUGIN_IID)
    Q_INTERFACES(zuvo::IBrowserPlugin)
public:
    IPopupWindow* CreatePopupWindow(QWidget* owner, const PopupWindowTexts& texts,
                                    const QString& address,
                                    std::function<void()> onClosed) override {
        auto* window = new CPopups(owner, texts, std::move(onClosed));
        window->SetUrl(address);
        return window;
    }
};

}  // namespace zuvo

#include "browser_plugin.moc"
