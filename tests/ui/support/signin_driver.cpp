#include "tests/ui/support/signin_driver.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include "app/dialogs/signin_dialog.h"
#include "platform/ids.h"

namespace zuvo::test {

namespace {

constexpr const char* kAnswered = "zuvoTestAnswered";

template <typename Control>
Control& Child(CSigninDialog& dialog, int id) {
    auto* control = dialog.findChild<Control*>(QString::number(id));
    Q_ASSERT(control != nullptr);
    return *control;
}

}  // namespace

CSigninDialog* UnansweredSigninDialog() {
    auto* dialog = qobject_cast<CSigninDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || dialog->property(kAnswered).toBool()) {
        return nullptr;
    }
    dialog->setProperty(kAnswered, true);
    return dialog;
}

void SignIn(CSigninDialog& dialog, const QString& account, const QString& pin) {
    Child<QLineEdit>(dialog, Ctl::Signin::UserName).setText(account);
    Child<QLineEdit>(dialog, Ctl::Signin::Password).setText(pin);
    Child<QPushButton>(dialog, Cmd::Ok).click();
}

void CancelSignIn(CSigninDialog& dialog) {
    Child<QPushButton>(dialog, Cmd::Cancel).click();
}

}  // namespace zuvo::test
