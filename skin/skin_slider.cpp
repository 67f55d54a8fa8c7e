#include "skin/skin_slider.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include "skin/dib.h"

namespace zuvo {
namespace {
const QColor kSliderGrey(88, 91, 93);
}

CSkinSlider::CSkinSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, 0xFFFF);
    setSingleStep(0xFFFF / 100);
    setPageStep(0xFFFF / 5);
    setTickPosition(QSlider::NoTicks);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CSkinSlider::~CSkinSlider() = default;

void CSkinSlider::SetSkin(const CDib* skin, const QRect& skinRect) {
    m_skin = skin;
    m_skinRect = skinRect;
    update();
}

QRect CSkinSlider::ChannelRect() const {
    const int inset = kThumbWidth / 2;
    return QRect(inset, (height() - kChannelHeight) / 2, width() - 2 * inset, kChannelHeight);
}

QRect CSkinSlider::ThumbRect() const {
    const QRect channel = ChannelRect();
    const int span = std::max(0, channel.width() - 1);
    const int centre =
        channel.left() + QStyle::sliderPositionFromValue(minimum(), maximum(), sliderPosition(),
                                                         span, invertedAppearance());
    return QRect(centre - kThumbWidth / 2, 1, kThumbWidth, std::max(1, height() - 2));
}

int CSkinSlider::ValueAt(int x) const {
    const QRect channel = ChannelRect();
    return QStyle::sliderValueFromPosition(minimum(), maximum(), x - channel.left(),
                                           std::max(1, channel.width() - 1), invertedAppearance());
}

void CSkinSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_skin && m_skin->IsLoaded()) {
        m_skin->Draw(painter, rect(), m_skinRect);
    } else {
        painter.fillRect(rect(), palette().window());
    }
    const QRect channel = ChannelRect();
    painter.fillRect(channel, kSliderGrey);
    painter.setPen(Qt::white);
    painter.drawRect(channel.adjusted(0, 0, -1, -1));
    const QRect thumb = ThumbRect();
    painter.fillRect(thumb, kSliderGrey);
}

void CSkinSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || maximum() == minimum()) {
        event->ignore();
        return;
    }
    event->accept();
    const QPoint pos = event->position().toPoint();
    const QRect thumb = ThumbRect();
    if (thumb.contains(pos)) {
        m_dragOffset = pos.x() - thumb.center().x();
        setSliderDown(true);
        return;
    }
    const bool before =
        invertedAppearance() ? pos.x() > thumb.center().x() : pos.x() < thumb.center().x();
    triggerAction(before ? SliderPageStepSub : SliderPageStepAdd);
}

void CSkinSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!isSliderDown()) {
        event->ignore();
        return;
    }
    event->accept();
    setSliderPosition(ValueAt(event->position().toPoint().x() - m_dragOffset));
}

void CSkinSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isSliderDown()) {
        setSliderDown(false);
    }
    event->accept();
}

}  // namespace zuvo
