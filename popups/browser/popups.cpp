#include "popups/browser/popups.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLoggingCategory>
#include <QProgressBar>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include "popups/browser/browser.h"
#include "popups/browser/browser_page.h"

Q_DECLARE_LOGGING_CATEGORY(lcBrowser)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

CPopups::CPopups(QWidget* owner, const PopupWindowTexts& texts, std::function<void()> onClosed)
    : QWidget(owner, Qt::Window), m_texts(texts), m_onClosed(std::move(onClosed)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(m_texts.caption);

    // A profile without a storage name is off the record; nothing persists past the window.
    m_profile = std::make_unique<QWebEngineProfile>();
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    m_profile->settings()->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    m_profile->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(true);
    m_statusText = new QLabel(m_texts.ready, m_statusBar);
    m_statusBar->addWidget(m_statusText, 1);
    m_progress = new QProgressBar(m_statusBar);
    m_progress->setObjectName(QString::number(kProgressPaneId));
    m_progress->setTextVisible(false);
    m_progress->setFixedWidth(kProgressPaneWidth);
    m_progress->setValue(0);
    m_progress->hide();
    m_statusBar->addPermanentWidget(m_progress);

    auto* page = new BrowserPage(m_profile.get(), nullptr);
    m_view = std::make_unique<CBrowser>(page, m_progress, this);
    m_view->setObjectName(u"browser"_s);
    page->setParent(m_view.get());
    connect(m_view.get(), &CBrowser::DownloadBegin, this,
            [this] { m_statusText->setText(m_texts.downloading); });
    connect(m_view.get(), &CBrowser::DownloadComplete, this,
            [this] { m_statusText->setText(m_texts.done); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view.get(), 1);
    layout->addWidget(m_statusBar);
}

CPopups::~CPopups() {
    m_view.reset();
}

void CPopups::SetUrl(const QString& address) {
    m_url = address;
    m_view->setUrl(QUrl(address));
}

QString CPopups::PageUrl() const {
    return m_view->url().toString();
}

QString CPopups::PageTitle() const {
    return m_view->title();
}

QString CPopups::StatusText() const {
    return m_statusText->text();
}

bool CPopups::ProgressShown() const {
    return !m_progress->isHidden();
}

void CPopups::closeEvent(QCloseEvent* event) {
    // The phone forgets this window before it goes.
    if (m_onClosed) {
        std::function<void()> report = std::move(m_onClosed);
        m_onClosed = nullptr;
        report();
    }
    QWidget::closeEvent(event);
}

}  // namespace zuvo
