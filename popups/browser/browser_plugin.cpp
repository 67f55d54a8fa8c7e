// The browser library: the pop-up window on the web engine, created through IBrowserPlugin.

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QObject>
#include <QOpenGLContext>

#include "popups/browser/browser_plugin.h"
#include "popups/browser/popups.h"

Q_LOGGING_CATEGORY(lcBrowser, "zuvo.browser", QtWarningMsg)

// Qt Gui's own hook for the context that windows share (exported, though not in its public
// headers). The web engine needs one; Qt makes it at start-up only when asked to before the
// application exists, which would load the graphics drivers into every run of the phone.
Q_GUI_EXPORT QOpenGLContext* qt_gl_global_share_context();
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace zuvo {

namespace {

// Once, before the engine's first page: the shared context the engine expects.
void ShareGraphicsContexts() {
    if (qt_gl_global_share_context() != nullptr) {
        return;
    }
    auto* context = new QOpenGLContext(QCoreApplication::instance());
    if (!context->create()) {
        qCDebug(lcBrowser) << "no OpenGL here; pages are drawn in software";
    }
    qt_gl_set_global_share_context(context);
}

}  // namespace

class BrowserPlugin : public QObject, public IBrowserPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZUVO_BROWSER_PLUGIN_IID)
    Q_INTERFACES(zuvo::IBrowserPlugin)
public:
    IPopupWindow* CreatePopupWindow(QWidget* owner, const PopupWindowTexts& texts,
                                    const QString& address,
                                    std::function<void()> onClosed) override {
        ShareGraphicsContexts();
        auto* window = new CPopups(owner, texts, std::move(onClosed));
        window->SetUrl(address);
        return window;
    }
};

}  // namespace zuvo

#include "browser_plugin.moc"
