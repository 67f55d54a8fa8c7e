#include "skin/skin_assets.h"

#include <QFontDatabase>
#include <QImage>
#include <QPixmap>

#include "skin/skin_log.h"

namespace zuvo {

QString LoadSkinFonts() {
    static const QString family = [] {
        QString name;
        for (const auto* file : {":/fonts/tahoma.ttf", ":/fonts/tahomabd.ttf"}) {
            const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
            if (id < 0) {
                qCWarning(lcSkin) << "font cannot be loaded:" << file;
                continue;
            }
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (name.isEmpty() && !families.isEmpty()) {
                name = families.first();
            }
        }
        return name;
    }();
    return family;
}

std::optional<QCursor> LoadSkinCursor(int id) {
    const QImage image(QStringLiteral(":/cursors/%1.png").arg(id));
    if (image.isNull()) {
        qCWarning(lcSkin) << "cursor cannot be loaded:" << id;
        return std::nullopt;
    }
    bool okX = false;
    bool okY = false;
    const int x = image.text(QStringLiteral("HotSpotX")).toInt(&okX);
    const int y = image.text(QStringLiteral("HotSpotY")).toInt(&okY);
    return QCursor(QPixmap::fromImage(image), okX ? x : -1, okY ? y : -1);
}

QIcon LoadSkinIcon(int id) {
    return QIcon(QStringLiteral(":/icons/%1.png").arg(id));
}

}  // namespace zuvo
