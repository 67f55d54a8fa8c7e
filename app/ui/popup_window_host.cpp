#include "app/ui/popup_window_host.h"

#include <QLoggingCategory>
#include <QPluginLoader>
#include <QScreen>

#include <algorithm>

#include <unistd.h>

#include "app/core/install_layout.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kScreenMargin = 20;

}  // namespace

PopupWindowHost::PopupWindowHost(QWidget* owner, PopupWindowTexts texts,
                                 std::function<void()> onClosed)
    : m_owner(owner), m_texts(std::move(texts)), m_onClosed(std::move(onClosed)) {}

// The plug-in stays loaded: the window and the engine may live until the process ends.
PopupWindowHost::~PopupWindowHost() = default;

QString PopupWindowHost::AbsoluteAddress(const QString& address, const QString& webHost) {
    if (address.startsWith(u"http"_s)) {
        return address;
    }
    return u"http://"_s + webHost + u'/' + address;
}

QSize PopupWindowHost::CappedSize(QSize wanted, QSize screen) {
    const int width = std::min(wanted.width(), screen.width() - kScreenMargin);
    const int height = std::min(wanted.height(), screen.height() - kScreenMargin);
    return {std::max(width, kMinSide), std::max(height, kMinSide)};
}

QString PopupWindowHost::PluginPath() {
    return InstallLayout::PluginDir() + u"/zuvo-browser.so"_s;
}

bool PopupWindowHost::EngineCanStart(bool runningAsRoot, const QProcessEnvironment& environment) {
    if (!runningAsRoot) {
        return true;
    }
    const QString disabled = environment.value(u"QTWEBENGINE_DISABLE_SANDBOX"_s);
    if (!disabled.isEmpty() && disabled != u"0"_s) {
        return true;
    }
    const QStringList flags =
        environment.value(u"QTWEBENGINE_CHROMIUM_FLAGS"_s).split(u' ', Qt::SkipEmptyParts);
    return flags.contains(u"--no-sandbox"_s);
}

IBrowserPlugin* PopupWindowHost::Plugin() {
    if (m_plugin != nullptr) {
        return m_plugin;
    }
    if (!EngineCanStart(geteuid() == 0, QProcessEnvironment::systemEnvironment())) {
        qCWarning(lcWindow) << "pages are not shown while the phone runs as root: the web engine"
                               " would end the phone (run it as a normal user)";
        return nullptr;
    }
    m_loader = std::make_unique<QPluginLoader>(PluginPath());
    QObject* instance = m_loader->instance();
    m_plugin = qobject_cast<IBrowserPlugin*>(instance);
    if (m_plugin == nullptr) {
        qCWarning(lcWindow) << "the browser window is not available:" << m_loader->errorString();
        m_loader.reset();
    }
    return m_plugin;
}

bool PopupWindowHost::Open(const QString& address, int cx, int cy, const QString& webHost) {
    const QString url = AbsoluteAddress(address, webHost);
    QScreen* screen = m_owner->screen();
    const QSize screenSize = screen != nullptr ? screen->size() : QSize(1024, 768);
    const QSize wanted(std::max(cx, kMinSide), std::max(cy, kMinSide));

    if (IPopupWindow* open = window()) {
        QWidget* frame = open->Widget();
        open->SetUrl(url);
        if (frame->isMinimized()) {
            frame->showNormal();
        }
        // cx x cy is the new outer size; the frame's edges come off the page area.
        const QSize edges = frame->frameGeometry().size() - frame->size();
        frame->resize(CappedSize(wanted, screenSize) - edges);
        frame->show();
        frame->raise();
        return true;
    }

    IBrowserPlugin* plugin = Plugin();
    if (plugin == nullptr) {
        return false;
    }
    m_window = plugin->CreatePopupWindow(m_owner, m_texts, url, m_onClosed);
    m_widget = m_window->Widget();
    QWidget* frame = m_widget;
    // The page area is cx x cy; centred over the phone. The window exists first, so that the
    // window system can tell its edges.
    frame->resize(wanted);
    frame->winId();
    const QSize edges = frame->frameGeometry().size() - frame->size();
    const QSize outer = CappedSize(wanted + edges, screenSize);
    frame->resize(outer - edges);
    const QPoint centre = m_owner->frameGeometry().center();
    frame->move(centre.x() - outer.width() / 2, centre.y() - outer.height() / 2);
    frame->show();
    return true;
}

void PopupWindowHost::Forget() {
    m_window = nullptr;
    m_widget = nullptr;
}

}  // namespace zuvo
