#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <map>
#include <utility>

namespace zuvo {

// The tool tips of a window: whole controls and numbered rectangles of a window, each with a
// text, shown when Qt asks for a tool tip (QEvent::ToolTip). An empty text shows nothing.
// Windows are watched, not owned; a tool of a destroyed window is forgotten. Main thread only.
class CToolTipControl : public QObject {
    Q_OBJECT
public:
    explicit CToolTipControl(QObject* parent = nullptr);
    ~CToolTipControl() override;

    // A tool covering the whole of `control`.
    void AddControlTool(QWidget* control, const QString& text);
    // A tool for `rect` (client coordinates) of `window`, known by `id` within that window.
    void AddRectTool(QWidget* window, const QString& text, const QRect& rect, unsigned id);
    // Replace a tool's text; unknown tools are ignored.
    void UpdateControlTip(QWidget* control, const QString& text);
    void UpdateRectTip(QWidget* window, const QString& text, unsigned id);
    // Moves a rectangle tool; does nothing for an unknown tool or a window that is gone.
    void SetToolRect(QWidget* window, const QRect& rect, unsigned id);

    // The text the tool tip would show at `pos` of `window` (empty: none). Rectangle tools are
    // searched in id order; a control tool covers its whole control.
    QString TextAt(QWidget* window, const QPoint& pos) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct RectTool {
        QRect rect;
        QString text;
    };
    struct Window {
        QPointer<QWidget> widget;
        bool isControl = false;
        QString controlText;
        std::map<unsigned, RectTool> rects;
    };

    Window& Watch(QWidget* window);
    Window* Find(QWidget* window);
    const Window* Find(QWidget* window) const;

    std::map<QObject*, Window> m_windows;
};

}  // namespace zuvo
