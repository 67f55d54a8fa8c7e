#pragma once

#include <QHash>
#include <QList>
#include <QTreeWidget>

#include <functional>

#include "contacts/contact_record.h"
#include "contacts/phone_book_view.h"

namespace zuvo {

// The phone book's list: company groups (when grouping is in force), contacts under them, and
// each contact's numbers under it. A click on a number calls it; on an expanded contact's row
// the edit and delete icons at the right end ask the window to edit or delete it; any other
// click selects the row and opens or closes it.
class CContactTree : public QTreeWidget {
    Q_OBJECT
public:
    enum Role { KindRole = Qt::UserRole + 1, KeyRole, CountRole, GroupRole };

    struct Handlers {
        std::function<void(const QString& number)> call;
        std::function<void()> edit;
        std::function<void()> remove;
    };

    CContactTree(const PhoneBookView& view, Handlers handlers, QWidget* parent = nullptr);

    // A whole build: contacts added between these two are put in order once at the end, which
    // keeps building a large book quick.
    void BeginBuild();
    void EndBuild();

    // The list builder: adds one contact (under its group) if the view shows it; its item, or
    // nullptr when the search leaves it out.
    QTreeWidgetItem* AddContact(const ContactRecord& record, const QString& key);
    // Takes a contact's row out, lowering its group's count or removing the emptied group.
    void RemoveContact(QTreeWidgetItem* contact);
    // The contact row with this key, if shown.
    QTreeWidgetItem* FindContact(const QString& key) const;
    // The selected contact's row (the contact itself when one of its numbers is selected).
    QTreeWidgetItem* SelectedContact() const;

    static int Kind(const QTreeWidgetItem* item);
    // Where the edit and delete icons of a row are drawn and clicked.
    static QRect EditIconRect(const QRect& row);
    static QRect DeleteIconRect(const QRect& row);
    // The part of a number row that calls when clicked: its text.
    QRect NumberTextRect(const QTreeWidgetItem* item) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    QTreeWidgetItem* GroupFor(const QString& name);
    void UpdateGroupText(QTreeWidgetItem* group);

    const PhoneBookView& m_view;
    Handlers m_handlers;
    bool m_building = false;
    QList<QTreeWidgetItem*> m_pending;                 // root rows of the build, not yet shown
    QHash<QString, QTreeWidgetItem*> m_pendingGroups;  // by upper-case name
};

}  // namespace zuvo
