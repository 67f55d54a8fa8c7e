#pragma once

#include <QString>

#include <memory>

#include "app/logic/context_menu_model.h"

class QMenu;
class QWidget;

namespace zuvo {

// The context menu (resource 201's first pop-up) built for one showing: the "Call History"
// sub-menu first, every item greyed or removed as the model says. Each action carries its
// command id as data.
std::unique_ptr<QMenu> BuildContextMenu(const ContextMenuModel& model, const QString& homePageText,
                                        QWidget* parent);

}  // namespace zuvo
