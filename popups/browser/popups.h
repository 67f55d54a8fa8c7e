#pragma once

#include <QWidget>

#include <functional>
#include <memory>

#include "popups/browser/browser_plugin.h"

class QLabel;
class QProgressBar;
class QStatusBar;
class QWebEngineProfile;

namespace zuvo {

class CBrowser;

// The pop-up browser window: a resizable top-level frame with the HTML view and a status bar
// (a text pane, then a 100-pixel progress pane shown while a page loads). Pages carry the request
// key, so the view runs on an off-the-record profile: no history, cache or cookies on disk.
// Closing reports to the phone first, then the frame deletes itself.
class CPopups : public QWidget, public IPopupWindow {
    Q_OBJECT
public:
    static constexpr int kProgressPaneId = 33776;
    static constexpr int kProgressPaneWidth = 100;

    CPopups(QWidget* owner, const PopupWindowTexts& texts, std::function<void()> onClosed);
    ~CPopups() override;

    // IPopupWindow.
    QWidget* Widget() override { return this; }
    void SetUrl(const QString& address) override;
    QString Url() const override { return m_url; }
    QString PageUrl() const override;
    QString PageTitle() const override;
    QString StatusText() const override;
    bool ProgressShown() const override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    PopupWindowTexts m_texts;
    std::function<void()> m_onClosed;
    QString m_url;
    // Declared in this order so the page (held by the view) goes before its profile.
    std::unique_ptr<QWebEngineProfile> m_profile;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_statusText = nullptr;
    QProgressBar* m_progress = nullptr;
    std::unique_ptr<CBrowser> m_view;
};

}  // namespace zuvo
