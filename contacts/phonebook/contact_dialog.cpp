#include "contacts/phonebook/contact_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/dialogs/dialog_texts.h"
#include "app/strings/string_ids.h"
#include "contacts/phone_book_view.h"
#include "contacts/phonebook/phone_book_ids.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

struct FieldControl {
    ContactRecord::Field field;
    int id;
    int label;
};

constexpr std::array<FieldControl, ContactRecord::FieldCount> kControls = {{
    {ContactRecord::First, PhoneBookIds::First, StringId::ContactFirst},
    {ContactRecord::Middle, PhoneBookIds::Middle, StringId::ContactMiddle},
    {ContactRecord::Last, PhoneBookIds::Last, StringId::ContactLast},
    {ContactRecord::Display, PhoneBookIds::Display, StringId::ContactDisplay},
    {ContactRecord::Company, PhoneBookIds::Company, StringId::ContactCompany},
    {ContactRecord::Home, PhoneBookIds::Home, StringId::ContactHome},
    {ContactRecord::Business, PhoneBookIds::Business, StringId::ContactBusiness},
    {ContactRecord::Mobile, PhoneBookIds::Mobile, StringId::ContactMobile},
    {ContactRecord::Other, PhoneBookIds::Other, StringId::ContactOther},
    {ContactRecord::Home2, PhoneBookIds::Home2, StringId::ContactHome2},
    {ContactRecord::Business2, PhoneBookIds::Business2, StringId::ContactBusiness2},
}};

// What fits the store's own field sizes; longer text is cut where it is typed.
constexpr int kMaxLength = 259;
// Each field shows this many digits whole, enough for an international number with its spaces.
constexpr int kShownDigits = 24;

}  // namespace

CContactDialog::CContactDialog(const ContactRecord& record, QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(PhoneBookIds::Dialog));
    m_baseTitle = DialogText(StringId::ContactTitle);
    auto* form = new QFormLayout;
    const int fieldWidth = fontMetrics().horizontalAdvance(QString(kShownDigits, QChar(u'0')));
    for (const FieldControl& control : kControls) {
        QWidget* widget = nullptr;
        if (control.field == ContactRecord::Display) {
            m_display = new QComboBox(this);
            m_display->setEditable(true);
            m_display->setInsertPolicy(QComboBox::NoInsert);
            m_display->lineEdit()->setMaxLength(kMaxLength);
            m_display->setEditText(record[control.field]);
            m_fields[control.field] = m_display->lineEdit();
            widget = m_display;
        } else {
            auto* edit = new QLineEdit(record[control.field], this);
            edit->setMaxLength(kMaxLength);
            m_fields[control.field] = edit;
            widget = edit;
        }
        widget->setObjectName(QString::number(control.id));
        widget->setMinimumWidth(fieldWidth);
        auto* label = new QLabel(this);
        SetText(label, control.label);
        label->setBuddy(widget);
        form->addRow(label, widget);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    SetStandardButtonTexts(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CContactDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CContactDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    QString title = m_baseTitle;
    if (!record[ContactRecord::Display].isEmpty()) {
        title += u" - "_s + record[ContactRecord::Display];
    }
    setWindowTitle(title);
    m_displayChosen = !record[ContactRecord::Display].isEmpty();
    FillDisplayNames();
    for (auto field : {ContactRecord::First, ContactRecord::Middle, ContactRecord::Last}) {
        connect(m_fields[field], &QLineEdit::textEdited, this, &CContactDialog::OnNameChanged);
    }
    connect(m_display, &QComboBox::activated, this, [this] { m_displayChosen = true; });
    connect(m_display->lineEdit(), &QLineEdit::textEdited, this, [this] {
        m_displayChosen = true;
        const int caret = m_display->lineEdit()->cursorPosition();
        FillDisplayNames();
        m_display->lineEdit()->setCursorPosition(caret);
    });
}

void CContactDialog::OnNameChanged() {
    QString title = windowTitle();
    const qsizetype cut = title.indexOf(u" -"_s);
    if (cut >= 0) {
        title.truncate(cut);
    }
    title += u" - "_s + m_fields[ContactRecord::First]->text() + u' ' +
             m_fields[ContactRecord::Last]->text();
    setWindowTitle(title);
    FillDisplayNames();
}

void CContactDialog::FillDisplayNames() {
    if (m_filling) {
        return;
    }
    m_filling = true;
    QString current = m_display->currentText();
    if (!m_displayChosen && m_offers.contains(current)) {
        current.clear();  // follow the name as it is typed
    }
    const QStringList offers = DisplayNameSuggestions(
        m_fields[ContactRecord::First]->text(), m_fields[ContactRecord::Middle]->text(),
        m_fields[ContactRecord::Last]->text(), current);
    m_offers = offers;
    m_display->clear();
    m_display->addItems(offers);
    const int index = offers.indexOf(current);
    if (!current.isEmpty() && index >= 0) {
        m_display->setCurrentIndex(index);
    } else if (current.isEmpty()) {
        m_display->setCurrentIndex(offers.isEmpty() ? -1 : 0);
    }
    m_filling = false;
}

ContactRecord CContactDialog::record() const {
    ContactRecord record;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        record.fields[i] = m_fields[i]->text();
    }
    return record;
}

void CContactDialog::accept() {
    for (QLineEdit* field : m_fields) {
        field->setText(field->text().trimmed());
    }
    QDialog::accept();
}

}  // namespace zuvo
