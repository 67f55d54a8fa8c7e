#include "app/dialogs/pin_field.h"

#include <QLineEdit>
#include <QValidator>

#include "app/logic/config_lock.h"

namespace zuvo {

namespace {

// Refuses any edit that would leave text the lock could not keep as typed.
class PinValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return ConfigLock::IsPinText(input) ? Acceptable : Invalid;
    }
};

}  // namespace

QLineEdit* MakePinField(QWidget* parent, int id) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::number(id));
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(ConfigLock::kMaxPinLength);
    edit->setValidator(new PinValidator(edit));
    edit->setMinimumWidth(160);
    return edit;
}

}  // namespace zuvo
