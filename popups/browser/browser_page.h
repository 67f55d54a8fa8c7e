#pragma once

#include <QWebEnginePage>

namespace zuvo {

// The page of the pop-up window. Its addresses carry the request key, so it keeps to itself:
// every permission request is denied, certificate errors stay errors, a link that asks for a
// new window opens in this one, and the page's console never reaches the log with its address.
class BrowserPage : public QWebEnginePage {
    Q_OBJECT
public:
    BrowserPage(QWebEngineProfile* profile, QObject* parent);

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override;
};

}  // namespace zuvo
