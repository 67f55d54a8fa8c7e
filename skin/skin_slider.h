#pragma once

#include <QRect>
#include <QSlider>

namespace zuvo {

class CDib;

// A volume slider drawn over the skin: the skin's pixels under the slider first, then the
// channel filled RGB(88, 91, 93) with a white border, then a flat thumb of the same grey; no
// ticks. Range 0..0xFFFF. Dragging the thumb moves it; a click beside it steps a page toward
// the click. Main thread only.
class CSkinSlider : public QSlider {
    Q_OBJECT
public:
    static constexpr int kThumbWidth = 9;
    static constexpr int kChannelHeight = 4;

    explicit CSkinSlider(QWidget* parent = nullptr);
    ~CSkinSlider() override;

    // The skin bitmap and the rectangle of it that lies under the slider (its place in the
    // phone window). The skin must outlive the slider.
    void SetSkin(const CDib* skin, const QRect& skinRect);

    QRect ChannelRect() const;
    QRect ThumbRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int ValueAt(int x) const;

    const CDib* m_skin = nullptr;
    QRect m_skinRect;
    int m_dragOffset = 0;  // pointer to thumb-centre distance while dragging
};

}  // namespace zuvo
