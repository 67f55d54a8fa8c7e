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

    // Nothing to show while a dialog holds the window (the call-history dialog among them).
    static bool Shown(const PhoneState& state);
    static ContextMenuModel Build(const PhoneState& state, const CallHistory& history);
    // False for a configuration entry ("Lock Config", "Unlock Config", "About", "Home Page",
    // "Audio Settings", "Preferences", "HTTP Proxy Settings") that the menu would grey or leave
    // out now, or while a dialog holds the window: its command is refused whoever sends it.
    static bool Allows(const PhoneState& state, int id);

    // The state of a command item; Enabled for ids the menu does not change.
    ItemState StateOf(int id) const;
    const QList<Item>& items() const { return m_items; }
    const QList<HistoryItem>& historyItems() const { return m_history; }
    bool historyGreyed() const { return m_historyGreyed; }

    // The sub-menu text of history entry index (0 based), number and time after the accelerator.
    static QString HistoryItemText(int index, const QString& number, const QString& time);

private:
    // The configuration entries, greyed by the lock, the call and "WebLinks".
    static QList<Item> ConfigurationItems(const PhoneState& state);

    QList<Item> m_items;
    QList<HistoryItem> m_history;
    bool m_historyGreyed = true;
};

}  // namespace zuvo
