#pragma once

#include <QByteArray>
#include <QObject>

#include <functional>

namespace zuvo {

// Calls a function once, right after the first paint of a window of the given class (the window
// has drawn its picture by then), and stops watching. Installed on the application.
class FirstPaintWatch : public QObject {
public:
    FirstPaintWatch(QByteArray windowClass, std::function<void()> painted, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QByteArray m_windowClass;
    std::function<void()> m_painted;
    bool m_done = false;
};

}  // namespace zuvo
