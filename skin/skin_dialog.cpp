#include "skin/skin_dialog.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QChildEvent>
#include <QLabel>
#include <QPainter>

namespace zuvo {

CSkinDialog::CSkinDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}

CSkinDialog::~CSkinDialog() = default;

bool CSkinDialog::SetBackground(SkinModule module, const QString& bitmap) {
    const bool loaded = m_background.Load(module, bitmap);
    m_width = m_background.GetSize().width();
    m_height = m_background.GetSize().height();
    for (QWidget* child : findChildren<QWidget*>()) {
        StyleChild(child);
    }
    update();
    return loaded;
}

void CSkinDialog::StyleChild(QWidget* child) const {
    if (!m_background.IsLoaded()) {
        return;
    }
    if (qobject_cast<QAbstractSlider*>(child)) {
        // Sliders keep the dialog's plain colour behind them.
        child->setAutoFillBackground(true);
    } else if (qobject_cast<QLabel*>(child) || qobject_cast<QAbstractButton*>(child)) {
        child->setAutoFillBackground(false);
        child->setAttribute(Qt::WA_TranslucentBackground, false);
    }
}

bool CSkinDialog::event(QEvent* event) {
    if (event->type() == QEvent::ChildPolished) {
        if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child())) {
            StyleChild(child);
        }
    }
    return QDialog::event(event);
}

void CSkinDialog::paintEvent(QPaintEvent* event) {
    if (!m_background.IsLoaded()) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter painter(this);
    m_background.Draw(painter, rect(), QRect(0, 0, m_width, m_height));
}

}  // namespace zuvo
