#pragma once

#include <QList>
#include <QString>

namespace zuvo {

class CallHistory;
struct PhoneState;

// The context menu as a plain description, built afresh each time it opens; the window turns it
// into a real menu (menu 201's first pop-up, whose first item becomes the history sub-menu).
class ContextMenuModel {
public:
    enum class ItemState { Enabled, Greyed, Removed };
    struct Item {
        int id = 0;
        ItemState state = ItemState::Enabled;
    };
    struct HistoryItem {
        int id = 0;  // 32780 + index
        QString text;
    };

    // Nothing to show while the call-history dialog is open.
    static bool Shown(const PhoneState& state);
    static ContextMenuModel Build(const PhoneState& state, const CallHistory& history);

    // The state of a command item; Enabled for ids the menu does not change.
    ItemState StateOf(int id) const;
    const QList<Item>& items() const { return m_items; }
    const QList<HistoryItem>& historyItems() const { return m_history; }
    bool historyGreyed() const { return m_historyGreyed; }

    // The sub-menu text of history entry index (0 based), number and time after the accelerator.
    static QString HistoryItemText(int index, const QString& number, const QString& time);

private:
    QList<Item> m_items;
    QList<HistoryItem> m_history;
    bool m_historyGreyed = true;
};

}  // namespace zuvo
