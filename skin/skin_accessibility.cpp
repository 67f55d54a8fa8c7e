#include "skin/skin_accessibility.h"

#include <QAccessibleWidget>

#include "skin/accessible_text.h"
#include "skin/skin_button.h"

namespace zuvo {

namespace {

class SkinButtonAccessible : public QAccessibleWidget {
public:
    explicit SkinButtonAccessible(CSkinButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {
        addControllingSignal(QStringLiteral("Command(zuvo::WPARAM,zuvo::LPARAM)"));
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = static_cast<CSkinButton*>(widget())->IsShownPressed();
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& actionName) override {
        if (actionName == pressAction()) {
            if (widget()->isEnabled()) {
                static_cast<CSkinButton*>(widget())->Click();
            }
            return;
        }
        QAccessibleWidget::doAction(actionName);
    }
};

class AccessibleTextInterface : public QAccessibleWidget {
public:
    explicit AccessibleTextInterface(CAccessibleText* text)
        : QAccessibleWidget(text, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        const auto* shown = static_cast<const CAccessibleText*>(widget());
        switch (t) {
            case QAccessible::Name:
            case QAccessible::Value:
                return shown->text();
            case QAccessible::Description:
                return shown->label();
            default:
                return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.focusable = false;
        return s;
    }
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("zuvo::CSkinButton")) {
        return new SkinButtonAccessible(static_cast<CSkinButton*>(object));
    }
    if (className == QLatin1String("zuvo::CAccessibleText")) {
        return new AccessibleTextInterface(static_cast<CAccessibleText*>(object));
    }
    return nullptr;
}

}  // namespace

void InstallSkinAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    static_cast<void>(installed);
}

}  // namespace zuvo
