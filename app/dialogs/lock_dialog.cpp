#include "app/dialogs/lock_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_texts.h"
#include "app/dialogs/message_box.h"
#include "app/dialogs/pin_field.h"
#include "app/logic/config_lock.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "platform/ids.h"

using namespace Qt::Literals::StringLiterals;

namespace zuvo {

CLockDialog::CLockDialog(ConfigLock& lock, QWidget* parent) : QDialog(parent), m_lock(lock) {
    setObjectName(QString::number(Ctl::Lock::Dialog));
    SetTitle(this, StringId::LockTitle);
    setModal(true);

    m_pin = MakePinField(this, Ctl::Lock::Pin);
    m_confirmation = MakePinField(this, Ctl::Lock::Confirmation);
    auto* pinLabel = new QLabel(this);
    SetText(pinLabel, StringId::LockAdminPin);
    pinLabel->setBuddy(m_pin);
    auto* confirmationLabel = new QLabel(this);
    SetText(confirmationLabel, StringId::LockConfirmPin);
    confirmationLabel->setBuddy(m_confirmation);
    auto* hint = new QLabel(this);
    SetText(hint, StringId::LockPinHint);

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(12);
    fields->addWidget(pinLabel, 0, 0);
    fields->addWidget(m_pin, 0, 1);
    fields->addWidget(confirmationLabel, 1, 0);
    fields->addWidget(m_confirmation, 1, 1);
    fields->addWidget(hint, 2, 1);
    fields->setColumnStretch(1, 1);

    QDialogButtonBox* buttons = MakeOkCancelButtons(this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_pin, m_confirmation);
    setTabOrder(m_confirmation, ok);
    setTabOrder(ok, buttons->button(QDialogButtonBox::Cancel));
    m_pin->setFocus(Qt::OtherFocusReason);
}

CLockDialog::~CLockDialog() = default;

void CLockDialog::accept() {
    const ConfigLock::Refusal refusal = m_lock.Lock(m_pin->text(), m_confirmation->text());
    if (refusal == ConfigLock::Refusal::None) {
        QDialog::accept();
        return;
    }
    const ConfigLock::Message message = ConfigLock::MessageFor(refusal);
    const StringTable& strings = StringTable::Global();
    ShowMessageBox(this, strings.Text(message.text), MessageIcon::Warning, MessageButtons::Ok,
                   strings.Text(message.title));
    m_pin->clear();
    m_confirmation->clear();
    m_pin->setFocus(Qt::OtherFocusReason);
}

}  // namespace zuvo
