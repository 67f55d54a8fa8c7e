#pragma once

#include <QString>

namespace zuvo {
class CSigninDialog;
}

namespace zuvo::test {

// The end-to-end tests answer the phone's own sign-in dialog as a user would: they poll for it,
// answer each dialog once, and see the next one the phone opens as new.

// The sign-in dialog that is open and not answered yet, marked answered; nullptr when none.
CSigninDialog* UnansweredSigninDialog();
// Types the account number and PIN and presses OK.
void SignIn(CSigninDialog& dialog, const QString& account = QStringLiteral("12345"),
            const QString& pin = QStringLiteral("9876"));
// Presses Cancel: at start this ends the phone.
void CancelSignIn(CSigninDialog& dialog);

}  // namespace zuvo::test
