#pragma once

#include <QByteArray>
#include <QObject>

namespace zuvo {

// For timing the phone's start from outside (bench/run): when the first paint of a window of the
// given class arrives, reports "first paint" (ReportTime), then stops watching. Installed on the
// application only when ZUVO_REPORT_TIMES is set.
class FirstPaintReport : public QObject {
public:
    FirstPaintReport(QByteArray windowClass, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QByteArray m_windowClass;
    bool m_done = false;
};

}  // namespace zuvo
