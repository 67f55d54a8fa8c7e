#include "contacts/phonebook/contact_tree.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QStyledItemDelegate>
#include <QToolTip>

#include "app/dialogs/dialog_texts.h"
#include "app/strings/string_ids.h"
#include "contacts/phonebook/phone_book_ids.h"
#include "skin/skin_assets.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;
using namespace PhoneBookIds;

namespace {

// The sign on a badge: pictures rather than initials, so that no language's words show.
void DrawSign(QPainter& painter, int image) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    switch (image) {
        case ImageContact:  // head and shoulders
            painter.drawEllipse(QRectF(5.5, 3.5, 5, 5));
            painter.drawChord(QRectF(3.5, 9, 9, 8), 0, 180 * 16);
            break;
        case ImageHome:
        case ImageHome2:  // a house
            painter.drawPolygon(QPolygonF{QPointF(8, 3), QPointF(13, 8), QPointF(3, 8)});
            painter.drawRect(QRectF(4.5, 8, 7, 4.5));
            break;
        case ImageBusiness:
        case ImageBusiness2:  // a briefcase
            painter.drawRect(QRectF(3.5, 6, 9, 6));
            painter.setPen(QPen(Qt::white, 1.2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(6.5, 4, 3, 2));
            break;
        case ImageMobile:  // a hand-held phone
            painter.drawRoundedRect(QRectF(5.5, 3, 5, 10), 1, 1);
            break;
        case ImageOther:  // a number sign
            painter.setPen(QPen(Qt::white, 1.2));
            painter.drawLine(QPointF(6.5, 4), QPointF(6, 12));
            painter.drawLine(QPointF(10, 4), QPointF(9.5, 12));
            painter.drawLine(QPointF(4, 6.5), QPointF(12, 6.5));
            painter.drawLine(QPointF(4, 9.5), QPointF(12, 9.5));
            break;
        case ImagePlaceholder:  // a dash
            painter.drawRect(QRectF(5, 7.5, 6, 1.5));
            break;
        default:
            break;
    }
    if (image == ImageHome2 || image == ImageBusiness2) {
        // The second number of a kind: two dots below the picture.
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRectF(5.5, 13, 2, 2));
        painter.drawEllipse(QRectF(8.5, 13, 2, 2));
    }
}

// The item images: a small badge per kind of row.
QIcon ImageIcon(int image) {
    static const std::array<QColor, 10> kColours = {{
        QColor(70, 110, 170),
        QColor(200, 160, 60),
        QColor(230, 190, 80),
        QColor(60, 150, 70),
        QColor(60, 100, 170),
        QColor(40, 120, 50),
        QColor(40, 70, 140),
        QColor(170, 90, 40),
        QColor(120, 120, 120),
        QColor(190, 190, 190),
    }};
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(kColours[static_cast<std::size_t>(image)]);
    painter.setPen(Qt::NoPen);
    if (image == ImageGroup || image == ImageGroupSelected) {
        painter.drawRoundedRect(QRectF(1, 3, 14, 11), 2, 2);
    } else {
        painter.drawEllipse(QRectF(1, 1, 14, 14));
    }
    DrawSign(painter, image);
    return QIcon(pixmap);
}

const QIcon& CachedIcon(int image) {
    static std::array<QIcon, 10> icons;
    if (icons[static_cast<std::size_t>(image)].isNull()) {
        icons[static_cast<std::size_t>(image)] = ImageIcon(image);
    }
    return icons[static_cast<std::size_t>(image)];
}

// Draws the edit and delete icons at the right end of an expanded contact's row.
class RowIconsDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        const auto* tree = static_cast<const QTreeView*>(parent());
        if (index.data(CContactTree::KindRole).toInt() != ImageContact ||
            !tree->isExpanded(index)) {
            return;
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        const QRect edit = CContactTree::EditIconRect(option.rect);
        painter->setPen(QPen(QColor(60, 100, 170), 2));
        painter->drawLine(edit.bottomLeft() + QPoint(3, -3), edit.topRight() + QPoint(-3, 3));
        const QRect remove = CContactTree::DeleteIconRect(option.rect);
        painter->setPen(QPen(QColor(190, 50, 40), 2));
        painter->drawLine(remove.topLeft() + QPoint(4, 4), remove.bottomRight() - QPoint(4, 4));
        painter->drawLine(remove.topRight() + QPoint(-4, 4), remove.bottomLeft() + QPoint(4, -4));
        painter->restore();
    }
};

struct NumberField {
    ContactRecord::Field field;
    int image;
    int tip;
};
constexpr std::array<NumberField, 6> kNumbers = {{
    {ContactRecord::Home, ImageHome, StringId::CallHome},
    {ContactRecord::Business, ImageBusiness, StringId::CallWork},
    {ContactRecord::Home2, ImageHome2, StringId::CallHome2},
    {ContactRecord::Business2, ImageBusiness2, StringId::CallWork2},
    {ContactRecord::Mobile, ImageMobile, StringId::CallMobile},
    {ContactRecord::Other, ImageOther, StringId::CallOther},
}};

bool Before(const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
    return QString::compare(a->text(0), b->text(0), Qt::CaseInsensitive) < 0;
}

// Inserts item among its siblings in alphabetical order (ignoring case), under parent or at the
// root; only that level is sorted, so a contact's numbers keep their own order.
void InsertSorted(QTreeWidget* tree, QTreeWidgetItem* parent, QTreeWidgetItem* item) {
    const int count = parent != nullptr ? parent->childCount() : tree->topLevelItemCount();
    int low = 0;
    int high = count;
    while (low < high) {
        const int mid = (low + high) / 2;
        const QTreeWidgetItem* sibling =
            parent != nullptr ? parent->child(mid) : tree->topLevelItem(mid);
        if (Before(item, sibling)) {
            high = mid;
        } else {
            low = mid + 1;
        }
    }
    const int at = low;
    if (parent != nullptr) {
        parent->insertChild(at, item);
    } else {
        tree->insertTopLevelItem(at, item);
    }
}

QTreeWidgetItem* NewItem(const QString& text, int image) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, text);
    item->setData(0, CContactTree::KindRole, image);
    item->setIcon(0, CachedIcon(image));
    return item;
}

}  // namespace

CContactTree::CContactTree(const PhoneBookView& view, Handlers handlers, QWidget* parent)
    : QTreeWidget(parent), m_view(view), m_handlers(std::move(handlers)) {
    setObjectName(QString::number(Tree));
    setHeaderHidden(true);
    setColumnCount(1);
    setMouseTracking(true);
    setExpandsOnDoubleClick(false);
    setIndentation(16);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    setItemDelegate(new RowIconsDelegate(this));
    setStyleSheet(uR"(QTreeView::item { height: 20px; })"_s);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        if (Kind(item) == ImageGroup) {
            item->setIcon(0, CachedIcon(ImageGroupSelected));
        }
    });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (Kind(item) == ImageGroup) {
            item->setIcon(0, CachedIcon(ImageGroup));
        }
    });
}

int CContactTree::Kind(const QTreeWidgetItem* item) {
    return item == nullptr ? -1 : item->data(0, KindRole).toInt();
}

QRect CContactTree::EditIconRect(const QRect& row) {
    return QRect(QPoint(row.right() - 40, row.top()), QPoint(row.right() - 24, row.bottom()));
}

QRect CContactTree::DeleteIconRect(const QRect& row) {
    return QRect(QPoint(row.right() - 20, row.top()), QPoint(row.right() - 4, row.bottom()));
}

QRect CContactTree::NumberTextRect(const QTreeWidgetItem* item) const {
    const QRect row = visualItemRect(item);
    const int width = fontMetrics().horizontalAdvance(item->text(0));
    // The icon, its margins and the text.
    return QRect(row.left(), row.top(), iconSize().width() + 8 + width, row.height());
}

void CContactTree::UpdateGroupText(QTreeWidgetItem* group) {
    // The name and the count: no words of their own, so no language's.
    const QString text = u"%1 (%2)"_s.arg(group->data(0, GroupRole).toString())
                             .arg(group->data(0, CountRole).toInt());
    group->setText(0, text);
}

void CContactTree::BeginBuild() {
    m_building = true;
}

void CContactTree::EndBuild() {
    m_building = false;
    for (QTreeWidgetItem* group : std::as_const(m_pendingGroups)) {
        QList<QTreeWidgetItem*> children = group->takeChildren();
        std::stable_sort(children.begin(), children.end(), Before);
        group->addChildren(children);
    }
    std::stable_sort(m_pending.begin(), m_pending.end(), Before);
    addTopLevelItems(m_pending);
    m_pending.clear();
    m_pendingGroups.clear();
}

QTreeWidgetItem* CContactTree::GroupFor(const QString& name) {
    const QString upper = name.toUpper();
    if (m_building) {
        if (QTreeWidgetItem* group = m_pendingGroups.value(upper)) {
            group->setData(0, CountRole, group->data(0, CountRole).toInt() + 1);
            UpdateGroupText(group);
            return group;
        }
    }
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* group = topLevelItem(i);
        if (Kind(group) == ImageGroup && group->data(0, GroupRole).toString().toUpper() == upper) {
            group->setData(0, CountRole, group->data(0, CountRole).toInt() + 1);
            UpdateGroupText(group);
            return group;
        }
    }
    QTreeWidgetItem* group = NewItem(name, ImageGroup);
    group->setData(0, GroupRole, name);
    group->setData(0, CountRole, 1);
    UpdateGroupText(group);
    if (m_building) {
        m_pendingGroups.insert(upper, group);
        m_pending.append(group);
    } else {
        InsertSorted(this, nullptr, group);
    }
    return group;
}

QTreeWidgetItem* CContactTree::AddContact(const ContactRecord& given, const QString& key) {
    ContactRecord record = given;
    QTreeWidgetItem* group = nullptr;
    if (m_view.groupingInForce != 0) {
        const QString other = DialogText(StringId::OtherContacts);
        record[ContactRecord::Company] = GroupName(record, other);
    }
    if (!MatchesSearch(record, m_view.searchText)) {
        return nullptr;
    }
    if (m_view.groupingInForce != 0) {
        group = GroupFor(record[ContactRecord::Company]);
    }
    QTreeWidgetItem* contact = NewItem(ContactLabel(record, m_view.sortByLastName), ImageContact);
    contact->setData(0, KeyRole, key);
    if (m_building && group != nullptr) {
        group->addChild(contact);
    } else if (m_building) {
        m_pending.append(contact);
    } else {
        InsertSorted(this, group, contact);
    }
    for (const NumberField& number : kNumbers) {
        if (!record[number.field].isEmpty()) {
            QTreeWidgetItem* child = NewItem(record[number.field], number.image);
            child->setToolTip(0, DialogText(number.tip));
            contact->addChild(child);
        }
    }
    if (contact->childCount() == 0) {
        contact->addChild(NewItem(DialogText(StringId::NoPhoneDetails), ImagePlaceholder));
    }
    return contact;
}

void CContactTree::RemoveContact(QTreeWidgetItem* contact) {
    QTreeWidgetItem* group = contact->parent();
    delete contact;
    if (group != nullptr) {
        if (group->childCount() == 0) {
            delete group;
        } else {
            group->setData(0, CountRole, group->data(0, CountRole).toInt() - 1);
            UpdateGroupText(group);
        }
    }
}

QTreeWidgetItem* CContactTree::FindContact(const QString& key) const {
    for (QTreeWidgetItemIterator it(const_cast<CContactTree*>(this)); *it != nullptr; ++it) {
        if (Kind(*it) == ImageContact && (*it)->data(0, KeyRole).toString() == key) {
            return *it;
        }
    }
    return nullptr;
}

QTreeWidgetItem* CContactTree::SelectedContact() const {
    QTreeWidgetItem* item = currentItem();
    if (item != nullptr && Kind(item) >= ImageHome && item->parent() != nullptr) {
        item = item->parent();
    }
    return Kind(item) == ImageContact ? item : nullptr;
}

void CContactTree::mousePressEvent(QMouseEvent* event) {
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    const QPoint pos = event->position().toPoint();
    if (item == nullptr || event->button() != Qt::LeftButton) {
        QTreeWidget::mousePressEvent(event);
        return;
    }
    const int kind = Kind(item);
    const QRect row = visualItemRect(item);
    if (kind == ImageContact && item->isExpanded()) {
        if (EditIconRect(row).contains(pos)) {
            setCurrentItem(item);
            if (m_handlers.edit) {
                m_handlers.edit();
            }
            return;
        }
        if (DeleteIconRect(row).contains(pos)) {
            setCurrentItem(item);
            if (m_handlers.remove) {
                m_handlers.remove();
            }
            return;
        }
    }
    if (kind == ImagePlaceholder) {
        return;
    }
    if (kind >= ImageHome && kind <= ImageOther) {
        if (NumberTextRect(item).contains(pos) && m_handlers.call) {
            m_handlers.call(item->text(0));
        }
        return;
    }
    const bool onBranch = pos.x() < row.left();
    QTreeWidget::mousePressEvent(event);
    if (!onBranch && item->isSelected()) {
        item->setExpanded(!item->isExpanded());
    }
}

bool CContactTree::viewportEvent(QEvent* event) {
    // A contact's row has a tip only over its edit and delete icons.
    if (event->type() == QEvent::ToolTip) {
        const QPoint pos = static_cast<QHelpEvent*>(event)->pos();
        QTreeWidgetItem* item = itemAt(pos);
        if (Kind(item) == ImageContact) {
            const QRect row = visualItemRect(item);
            if (item->isExpanded() && EditIconRect(row).contains(pos)) {
                QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                                   DialogText(StringId::EditContact), viewport(),
                                   EditIconRect(row));
            } else if (item->isExpanded() && DeleteIconRect(row).contains(pos)) {
                QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(),
                                   DialogText(StringId::DeleteContact), viewport(),
                                   DeleteIconRect(row));
            } else {
                QToolTip::hideText();
            }
            return true;
        }
    }
    return QTreeWidget::viewportEvent(event);
}

void CContactTree::mouseMoveEvent(QMouseEvent* event) {
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    const int kind = Kind(item);
    const bool overNumber = kind >= ImageHome && kind <= ImageOther &&
                            NumberTextRect(item).contains(event->position().toPoint());
    if (overNumber) {
        static const QCursor cursor = LoadSkinCursor(305).value_or(QCursor(Qt::PointingHandCursor));
        viewport()->setCursor(cursor);
    } else {
        viewport()->unsetCursor();
    }
    QTreeWidget::mouseMoveEvent(event);
}

}  // namespace zuvo
