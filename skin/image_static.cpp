#include "skin/image_static.h"

#include <QPainter>

namespace zuvo {

CImageStatic::CImageStatic(QWidget* parent) : QWidget(parent) {}

CImageStatic::~CImageStatic() = default;

bool CImageStatic::Load(SkinModule module, const QString& bitmap) {
    if (!m_picture.Load(module, bitmap)) {
        m_width = 0;
        m_height = 0;
        update();
        return false;
    }
    m_width = m_picture.GetSize().width();
    m_height = m_picture.GetSize().height();
    resize(m_width, m_height);
    update();
    return true;
}

void CImageStatic::paintEvent(QPaintEvent*) {
    if (!m_picture.IsLoaded()) {
        return;
    }
    QPainter painter(this);
    m_picture.Draw(painter, rect(), QRect(0, 0, m_width, m_height));
}

}  // namespace zuvo
