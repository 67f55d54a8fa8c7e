#include "app/dialogs/dialog_texts.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QWizard>
#include <QWizardPage>

#include <utility>

#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "platform/ids.h"

namespace zuvo {

Q_LOGGING_CATEGORY(lcDialogTexts, "zuvo.strings", QtWarningMsg)

namespace {

// QMessageBox uses the same values for the buttons both kinds of box know.
constexpr std::pair<QDialogButtonBox::StandardButton, int> kStandardButtons[] = {
    {QDialogButtonBox::Ok, StringId::ButtonOk},
    {QDialogButtonBox::Cancel, StringId::ButtonCancel},
    {QDialogButtonBox::Apply, StringId::ButtonApply},
    {QDialogButtonBox::Help, StringId::ButtonHelp},
    {QDialogButtonBox::Close, StringId::ButtonClose},
    {QDialogButtonBox::Yes, StringId::ButtonYes},
    {QDialogButtonBox::No, StringId::ButtonNo},
};

constexpr std::pair<QWizard::WizardButton, int> kWizardButtons[] = {
    {QWizard::BackButton, StringId::WizardBack},
    {QWizard::NextButton, StringId::WizardNext},
    {QWizard::FinishButton, StringId::WizardFinish},
    {QWizard::CancelButton, StringId::ButtonCancel},
    {QWizard::HelpButton, StringId::ButtonHelp},
};

}  // namespace

QString DialogText(int id) {
    const StringTable& table = StringTable::Global();
    if (!table.Contains(id)) {
        qCWarning(lcDialogTexts) << "no text for dialog string" << id;
        return QString();
    }
    return table.Text(id);
}

void SetText(QLabel* label, int id) {
    label->setText(DialogText(id));
}

void SetText(QAbstractButton* button, int id) {
    button->setText(DialogText(id));
}

void SetText(QGroupBox* box, int id) {
    box->setTitle(DialogText(id));
}

void SetTitle(QWidget* window, int id) {
    window->setWindowTitle(DialogText(id));
}

void SetToolTip(QWidget* widget, int id) {
    widget->setToolTip(DialogText(id));
}

void SetCueText(QLineEdit* edit, int id) {
    edit->setPlaceholderText(DialogText(id));
}

void SetPageTitle(QWizardPage* page, int id) {
    page->setTitle(DialogText(id));
}

void SetStandardButtonTexts(QDialogButtonBox* buttons) {
    for (const auto& [which, id] : kStandardButtons) {
        if (QPushButton* button = buttons->button(which)) {
            button->setText(DialogText(id));
        }
    }
}

void SetStandardButtonTexts(QMessageBox* box) {
    for (const auto& [which, id] : kStandardButtons) {
        if (QAbstractButton* button = box->button(QMessageBox::StandardButton(int(which)))) {
            button->setText(DialogText(id));
        }
    }
}

QDialogButtonBox* MakeOkCancelButtons(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName(QString::number(Cmd::Ok));
    ok->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QString::number(Cmd::Cancel));
    SetStandardButtonTexts(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

void SetWizardButtonTexts(QWizard* wizard) {
    for (const auto& [which, id] : kWizardButtons) {
        wizard->setButtonText(which, DialogText(id));
    }
}

}  // namespace zuvo
