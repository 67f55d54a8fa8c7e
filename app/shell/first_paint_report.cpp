#include "app/shell/first_paint_report.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include "platform/time_report.h"

namespace zuvo {

FirstPaintReport::FirstPaintReport(QByteArray windowClass, QObject* parent)
    : QObject(parent), m_windowClass(std::move(windowClass)) {}

bool FirstPaintReport::eventFilter(QObject* watched, QEvent* event) {
    if (m_done || event->type() != QEvent::Paint || !watched->isWidgetType() ||
        !static_cast<QWidget*>(watched)->isWindow() || !watched->inherits(m_windowClass)) {
        return false;
    }
    // The window paints itself first, so the time is taken with its picture drawn.
    m_done = true;
    QCoreApplication::instance()->removeEventFilter(this);
    const bool handled = watched->event(event);
    ReportTime("first paint");
    return handled;
}

}  // namespace zuvo
