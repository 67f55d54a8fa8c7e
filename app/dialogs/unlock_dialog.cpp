#include "app/dialogs/unlock_dialog.h"

#include <QCheckBox>
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

CUnlockDialog::CUnlockDialog(ConfigLock& lock, QWidget* parent) : QDialog(parent), m_lock(lock) {
    setObjectName(QString::number(Ctl::Unlock::Dialog));
    SetTitle(this, StringId::UnlockTitle);
    setModal(true);

    m_pin = MakePinField(this, Ctl::Unlock::Pin);
    auto* pinLabel = new QLabel(this);
    SetText(pinLabel, StringId::LockAdminPin);
    pinLabel->setBuddy(m_pin);
    m_permanently = new QCheckBox(this);
    SetText(m_permanently, StringId::UnlockPermanently);
    m_permanently->setObjectName(QString::number(Ctl::Unlock::Permanently));
    m_permanently->hide();  // an unlock always removes the PIN

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(12);
    fields->addWidget(pinLabel, 0, 0);
    fields->addWidget(m_pin, 0, 1);
    fields->addWidget(m_permanently, 1, 1);
    fields->setColumnStretch(1, 1);

    QDialogButtonBox* buttons = MakeOkCancelButtons(this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_pin, ok);
    setTabOrder(ok, buttons->button(QDialogButtonBox::Cancel));
    m_pin->setFocus(Qt::OtherFocusReason);
}

CUnlockDialog::~CUnlockDialog() = default;

void CUnlockDialog::accept() {
    const ConfigLock::Refusal refusal = m_lock.Unlock(m_pin->text());
    m_pin->clear();
    done(refusal == ConfigLock::Refusal::None ? Accepted : Rejected);
    if (refusal != ConfigLock::Refusal::None) {
        const ConfigLock::Message message = ConfigLock::MessageFor(refusal);
        const StringTable& strings = StringTable::Global();
        ShowMessageBox(parentWidget(), strings.Text(message.text), MessageIcon::Warning,
                       MessageButtons::Ok, strings.Text(message.title));
    }
}

}  // namespace zuvo
