#include "skin/tool_tip_control.h"

#include <QHelpEvent>
#include <QToolTip>

namespace zuvo {

CToolTipControl::CToolTipControl(QObject* parent) : QObject(parent) {}

CToolTipControl::~CToolTipControl() {
    for (auto& [object, window] : m_windows) {
        if (window.widget) {
            window.widget->removeEventFilter(this);
        }
    }
}

CToolTipControl::Window& CToolTipControl::Watch(QWidget* window) {
    auto it = m_windows.find(window);
    if (it == m_windows.end()) {
        it = m_windows.emplace(window, Window{}).first;
        it->second.widget = window;
        window->installEventFilter(this);
        connect(window, &QObject::destroyed, this,
                [this](QObject* gone) { m_windows.erase(gone); });
    }
    return it->second;
}

CToolTipControl::Window* CToolTipControl::Find(QWidget* window) {
    const auto it = m_windows.find(window);
    return it == m_windows.end() || !it->second.widget ? nullptr : &it->second;
}

const CToolTipControl::Window* CToolTipControl::Find(QWidget* window) const {
    const auto it = m_windows.find(window);
    return it == m_windows.end() || !it->second.widget ? nullptr : &it->second;
}

void CToolTipControl::AddControlTool(QWidget* control, const QString& text) {
    if (!control) {
        return;
    }
    Window& window = Watch(control);
    window.isControl = true;
    window.controlText = text;
}

void CToolTipControl::AddRectTool(QWidget* window, const QString& text, const QRect& rect,
                                  unsigned id) {
    if (!window) {
        return;
    }
    Watch(window).rects[id] = RectTool{rect, text};
}

void CToolTipControl::UpdateControlTip(QWidget* control, const QString& text) {
    if (Window* window = Find(control); window && window->isControl) {
        window->controlText = text;
    }
}

void CToolTipControl::UpdateRectTip(QWidget* window, const QString& text, unsigned id) {
    if (Window* found = Find(window)) {
        if (const auto it = found->rects.find(id); it != found->rects.end()) {
            it->second.text = text;
        }
    }
}

void CToolTipControl::SetToolRect(QWidget* window, const QRect& rect, unsigned id) {
    if (Window* found = Find(window)) {
        if (const auto it = found->rects.find(id); it != found->rects.end()) {
            it->second.rect = rect;
        }
    }
}

QString CToolTipControl::TextAt(QWidget* window, const QPoint& pos) const {
    const Window* found = Find(window);
    if (!found) {
        return {};
    }
    for (const auto& [id, tool] : found->rects) {
        if (tool.rect.contains(pos)) {
            return tool.text;
        }
    }
    return found->isControl && window->rect().contains(pos) ? found->controlText : QString();
}

bool CToolTipControl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QObject::eventFilter(watched, event);
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    const Window* found = widget ? Find(widget) : nullptr;
    if (!found) {
        return QObject::eventFilter(watched, event);
    }
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString text = TextAt(widget, help->pos());
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QRect area = widget->rect();
    for (const auto& [id, tool] : found->rects) {
        if (tool.rect.contains(help->pos())) {
            area = tool.rect;
            break;
        }
    }
    QToolTip::showText(help->globalPos(), text, widget, area);
    return true;
}

}  // namespace zuvo
