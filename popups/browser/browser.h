#pragma once

#include <QWebEngineView>

class QProgressBar;

namespace zuvo {

// The HTML view of the pop-up window: reports a load's start, progress and end to the frame's
// status bar and keeps right clicks away from the page, so the page has no context menu.
class CBrowser : public QWebEngineView {
    Q_OBJECT
public:
    CBrowser(QWebEnginePage* page, QProgressBar* progress, QWidget* parent);

Q_SIGNALS:
    void DownloadBegin();
    void DownloadComplete();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnProgressChange(int progress, int maximum);

    QProgressBar* m_progress;
};

}  // namespace zuvo
