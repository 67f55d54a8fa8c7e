#include "app/logic/context_menu_model.h"

#include "app/logic/phone_state.h"
#include "contacts/call_history.h"
#include "platform/ids.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

bool ContextMenuModel::Shown(const PhoneState& state) {
    return !state.modal.IsOpen();
}

QList<ContextMenuModel::Item> ContextMenuModel::ConfigurationItems(const PhoneState& state) {
    using enum ItemState;
    const bool call = state.call.active;
    const auto greyIf = [](bool grey) { return grey ? Greyed : Enabled; };
    QList<Item> items;
    if (!state.configLocked) {
        items = {{Cmd::UnlockConfig, Greyed},        {Cmd::LockConfig, greyIf(call)},
                 {Cmd::HomePage, Enabled},           {Cmd::About, Enabled},
                 {Cmd::AudioSettings, greyIf(call)}, {Cmd::Preferences, greyIf(call)},
                 {Cmd::ProxySettings, greyIf(call)}};
    } else {
        items = {{Cmd::UnlockConfig, greyIf(call)}, {Cmd::LockConfig, Greyed},
                 {Cmd::HomePage, Greyed},           {Cmd::About, Greyed},
                 {Cmd::AudioSettings, Greyed},      {Cmd::Preferences, Greyed},
                 {Cmd::ProxySettings, Greyed}};
    }
    if (!state.settings.webLinks) {
        for (Item& item : items) {
            if (item.id == Cmd::HomePage)
                item.state = Removed;
        }
    }
    return items;
}

bool ContextMenuModel::Allows(const PhoneState& state, int id) {
    for (const Item& item : ConfigurationItems(state)) {
        if (item.id == id)
            return Shown(state) && item.state == ItemState::Enabled;
    }
    return true;
}

ContextMenuModel ContextMenuModel::Build(const PhoneState& state, const CallHistory& history) {
    using enum ItemState;
    ContextMenuModel menu;
    const bool call = state.call.active;
    const auto greyIf = [](bool grey) { return grey ? Greyed : Enabled; };
    menu.m_items = ConfigurationItems(state);
    menu.m_items.append({Cmd::SignOutMenu, greyIf(call || state.signin.pending)});

    for (int i = 0; i < history.Count(); ++i)
        menu.m_history.append(
            {Cmd::HistoryFirst + i, HistoryItemText(i, history.Number(i), history.Duration(i))});
    menu.m_historyGreyed =
        history.Number(0).isEmpty() || state.signin.pending || state.configLocked || call;
    return menu;
}

ContextMenuModel::ItemState ContextMenuModel::StateOf(int id) const {
    for (const Item& item : m_items) {
        if (item.id == id)
            return item.state;
    }
    return ItemState::Enabled;
}

QString ContextMenuModel::HistoryItemText(int index, const QString& number, const QString& time) {
    if (index < 9)
        return u"  &%1 -  %2     \t%3"_s.arg(index + 1).arg(number, time);
    if (index == 9)
        return u"1&0 -  %1     \t%2"_s.arg(number, time);
    return u"&%1 -  %2     \t%3"_s.arg(index + 1).arg(number, time);
}

}  // namespace zuvo
