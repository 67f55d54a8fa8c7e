#include "app/shell/first_paint_watch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace zuvo {

FirstPaintWatch::FirstPaintWatch(QByteArray windowClass, std::function<void()> painted,
                                 QObject* parent)
    : QObject(parent), m_windowClass(std::move(windowClass)), m_painted(std::move(painted)) {}

bool FirstPaintWatch::eventFilter(QObject* watched, QEvent* event) {
    if (m_done || event->type() != QEvent::Paint || !watched->isWidgetType() ||
        !static_cast<QWidget*>(watched)->isWindow() || !watched->inherits(m_windowClass)) {
        return false;
    }
    m_done = true;
    QCoreApplication::instance()->removeEventFilter(this);
    // The window paints itself first.
    const bool handled = watched->event(event);
    m_painted();
    return handled;
}

}  // namespace zuvo
