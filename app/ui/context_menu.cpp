#include "app/ui/context_menu.h"

#include <QFile>
#include <QLoggingCategory>
#include <QMenu>

#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"

Q_DECLARE_LOGGING_CATEGORY(lcWindow)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

// "first<TAB>second" lines; "#" starts a comment line.
QList<QPair<QString, QString>> ReadTable(const QString& path) {
    QList<QPair<QString, QString>> rows;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qCDebug(lcWindow) << "no resource" << path;
        return rows;
    }
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        const qsizetype tab = line.indexOf(u'\t');
        rows.append({tab < 0 ? line : line.left(tab), tab < 0 ? QString() : line.mid(tab + 1)});
    }
    return rows;
}

}  // namespace

QList<MenuResourceItem> LoadContextMenuResource() {
    const QString language = u":/lang/menus/201.tsv"_s;
    QList<MenuResourceItem> items;
    for (const auto& [id, text] :
         ReadTable(QFile::exists(language) ? language : u":/menus/201.tsv"_s)) {
        items.append({id.toInt(), text});
    }
    return items;
}

QList<QPair<QKeySequence, int>> LoadAccelerators() {
    QList<QPair<QKeySequence, int>> keys;
    for (const auto& [sequence, id] : ReadTable(u":/menus/128.tsv"_s)) {
        keys.append({QKeySequence(sequence), id.toInt()});
    }
    return keys;
}

std::unique_ptr<QMenu> BuildContextMenu(const ContextMenuModel& model, const QString& homePageText,
                                        QWidget* parent) {
    auto menu = std::make_unique<QMenu>(parent);
    QMenu* history = menu->addMenu(StringTable::Global().Text(StringId::CallHistoryMenu));
    history->setEnabled(!model.historyGreyed());
    for (const auto& item : model.historyItems()) {
        QAction* action = history->addAction(item.text);
        action->setData(item.id);
    }
    for (const MenuResourceItem& item : LoadContextMenuResource()) {
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        const auto state = model.StateOf(item.id);
        if (state == ContextMenuModel::ItemState::Removed) {
            continue;
        }
        QAction* action = menu->addAction(item.text.isEmpty() ? homePageText : item.text);
        action->setData(item.id);
        action->setEnabled(state == ContextMenuModel::ItemState::Enabled);
    }
    return menu;
}

}  // namespace zuvo
