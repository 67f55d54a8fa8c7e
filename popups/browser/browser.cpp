#include "popups/browser/browser.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QProgressBar>

namespace zuvo {

namespace {

bool IsRightClick(const QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            return static_cast<const QMouseEvent*>(event)->button() == Qt::RightButton;
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
    }
}

}  // namespace

CBrowser::CBrowser(QWebEnginePage* page, QProgressBar* progress, QWidget* parent)
    : QWebEngineView(parent), m_progress(progress) {
    setPage(page);
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(this, &QWebEngineView::loadStarted, this, [this] {
        m_progress->setRange(0, 100);
        m_progress->setValue(0);
        m_progress->show();
        Q_EMIT DownloadBegin();
    });
    connect(this, &QWebEngineView::loadProgress, this,
            [this](int progress) { OnProgressChange(progress, 100); });
    connect(this, &QWebEngineView::loadFinished, this, [this] {
        m_progress->hide();
        Q_EMIT DownloadComplete();
    });
}

void CBrowser::OnProgressChange(int progress, int maximum) {
    m_progress->setRange(0, maximum);
    m_progress->setValue(progress);
    // The engine reports a load's start once; a resize in between must not hide the bar for the
    // rest of the load.
    m_progress->setVisible(progress != maximum);
}

bool CBrowser::event(QEvent* event) {
    // The page draws into a child widget that the engine adds later; it gets the same filter.
    if (event->type() == QEvent::ChildAdded) {
        if (QObject* child = static_cast<QChildEvent*>(event)->child(); child->isWidgetType()) {
            child->installEventFilter(this);
        }
    }
    return QWebEngineView::event(event);
}

bool CBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (IsRightClick(event)) {
        return true;
    }
    return QWebEngineView::eventFilter(watched, event);
}

void CBrowser::resizeEvent(QResizeEvent* event) {
    m_progress->hide();
    QWebEngineView::resizeEvent(event);
}

void CBrowser::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}

}  // namespace zuvo
