#include "skin/accessible_text.h"

#include "skin/skin_accessibility.h"

namespace zuvo {

CAccessibleText::CAccessibleText(const QString& label, QWidget* parent)
    : QWidget(parent), m_label(label) {
    InstallSkinAccessibility();
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleDescription(label);
}

CAccessibleText::~CAccessibleText() = default;

void CAccessibleText::SetText(const QString& text) {
    if (text == m_text) {
        return;
    }
    m_text = text;
    // Sends the name-changed event a screen reader listens for.
    setAccessibleName(text);
}

void CAccessibleText::paintEvent(QPaintEvent*) {}

}  // namespace zuvo
