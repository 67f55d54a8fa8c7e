#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

#include <memory>

#include "app/logic/context_menu_model.h"

class QMenu;
class QWidget;

namespace zuvo {

// One line of a menu resource: a command id (0 = separator) and its text.
struct MenuResourceItem {
    int id = 0;
    QString text;
};

// Menu resource 201's first pop-up after the history sub-menu, from the loaded language bundle
// (":/lang/menus/201.tsv") or else the program (":/menus/201.tsv").
QList<MenuResourceItem> LoadContextMenuResource();

// Accelerator table 128, always from the program's own resources: key sequence and command id.
QList<QPair<QKeySequence, int>> LoadAccelerators();

// The context menu built for one showing: the "Call History" sub-menu first, every item greyed
// or removed as the model says. Each action carries its command id as data.
std::unique_ptr<QMenu> BuildContextMenu(const ContextMenuModel& model, const QString& homePageText,
                                        QWidget* parent);

}  // namespace zuvo
