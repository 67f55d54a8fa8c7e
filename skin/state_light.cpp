#include "skin/state_light.h"

#include <QPainter>

namespace zuvo {

CStateLight::CStateLight(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CStateLight::OnTimer);
}

CStateLight::~CStateLight() = default;

bool CStateLight::Load(SkinModule module, const QString& bitmap) {
    const bool loaded = m_cells.Load(module, bitmap);
    update();
    return loaded;
}

void CStateLight::SetState(int row, int column, int litMs, int darkMs) {
    m_row = row;
    m_column = column;
    m_litMs = litMs;
    m_darkMs = darkMs;
    m_timer.stop();
    if (m_litMs != 0) {
        m_timer.start(m_litMs);
    }
    update();
}

void CStateLight::OnTimer() {
    m_column = m_column == 0 ? 1 : 0;
    update();
    m_timer.start(m_column == 0 ? m_litMs : m_darkMs);
}

void CStateLight::paintEvent(QPaintEvent*) {
    if (!m_cells.IsLoaded()) {
        return;
    }
    QPainter painter(this);
    const QSize cell = size();
    m_cells.Draw(
        painter, rect(),
        QRect(m_column * cell.width(), m_row * cell.height(), cell.width(), cell.height()));
}

}  // namespace zuvo
