#include "app/ui/context_menu.h"

#include <QMenu>

#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "platform/ids.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

struct MenuItem {
    int id;  // 0 = separator
    const char16_t* text;
};

// Menu resource 201, first pop-up, after the history sub-menu. The home-page text is built at
// start from the site name.
constexpr MenuItem kMenu201[] = {
    {0, nullptr},
    {Cmd::AudioSettings, u"&Audio Settings..."},
    {Cmd::Preferences, u"&Preferences..."},
    {Cmd::ProxySettings, u"HTTP Pro&xy Settings..."},
    {0, nullptr},
    {Cmd::HomePage, nullptr},
    {Cmd::LockConfig, u"&Lock Config..."},
    {Cmd::UnlockConfig, u"&Unlock Config..."},
    {0, nullptr},
    {Cmd::About, u"A&bout..."},
    {Cmd::SignOutMenu, u"&Sign Out"},
};

}  // namespace

std::unique_ptr<QMenu> BuildContextMenu(const ContextMenuModel& model, const QString& homePageText,
                                        QWidget* parent) {
    auto menu = std::make_unique<QMenu>(parent);
    QMenu* history = menu->addMenu(StringTable::Global().Text(StringId::CallHistoryMenu));
    history->setEnabled(!model.historyGreyed());
    for (const auto& item : model.historyItems()) {
        QAction* action = history->addAction(item.text);
        action->setData(item.id);
    }
    for (const MenuItem& item : kMenu201) {
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        const auto state = model.StateOf(item.id);
        if (state == ContextMenuModel::ItemState::Removed) {
            continue;
        }
        const QString text = item.text != nullptr ? QString::fromUtf16(item.text) : homePageText;
        QAction* action = menu->addAction(text);
        action->setData(item.id);
        action->setEnabled(state == ContextMenuModel::ItemState::Enabled);
    }
    return menu;
}

}  // namespace zuvo
