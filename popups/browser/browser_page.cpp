#include "popups/browser/browser_page.h"

#include <QLoggingCategory>
#include <QWebEngineCertificateError>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>

Q_DECLARE_LOGGING_CATEGORY(lcBrowser)

namespace zuvo {

BrowserPage::BrowserPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent) {
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl& origin, Feature feature) {
                qCDebug(lcBrowser) << "permission" << feature << "denied to" << origin.host();
                setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
    connect(this, &QWebEnginePage::certificateError, this, [](QWebEngineCertificateError error) {
        qCDebug(lcBrowser) << "certificate error" << error.type() << "for" << error.url().host();
        error.rejectCertificate();
    });
    connect(this, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest& request) { setUrl(request.requestedUrl()); });
}

void BrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                           const QString& message, int line, const QString&) {
    // The source is the page's address, which carries the request key.
    qCDebug(lcBrowser) << "page console" << level << line << message.left(200);
}

}  // namespace zuvo
