#pragma once

#include <QDialog>

#include <array>

#include "contacts/contact_record.h"

class QComboBox;
class QLineEdit;

namespace zuvo {

// "Edit Details": the eleven fields of a contact. The title follows the name as it is typed, and
// the display-name box offers the usual arrangements of first, middle and last name. OK trims
// every field.
class CContactDialog : public QDialog {
    Q_OBJECT
public:
    explicit CContactDialog(const ContactRecord& record, QWidget* parent = nullptr);

    // The fields as they stand (trimmed once OK was pressed).
    ContactRecord record() const;

    void accept() override;

private:
    void OnNameChanged();
    void FillDisplayNames();

    std::array<QLineEdit*, ContactRecord::FieldCount> m_fields{};
    QComboBox* m_display = nullptr;
    QString m_baseTitle;
    bool m_filling = false;
    // The display name was typed or picked by the user (or came with the contact), as opposed
    // to one the box itself filled in from the name while it was being typed.
    bool m_displayChosen = false;
    QStringList m_offers;
};

}  // namespace zuvo
