#include "app/core/window_position.h"

#include "platform/profile.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

std::optional<QPoint> RestoredPosition(Profile& profile, const QString& prefix, QSize screen) {
    int x = profile.GetInt(u"Settings"_s, prefix + u"X"_s, -1000);
    int y = profile.GetInt(u"Settings"_s, prefix + u"Y"_s, 0);
    const int cx = profile.GetInt(u"Settings"_s, prefix + u"CX"_s, 0);
    const int cy = profile.GetInt(u"Settings"_s, prefix + u"CY"_s, 0);
    if (x == -1000) {
        return std::nullopt;
    }
    x = std::max(x, 0);
    y = std::max(y, 0);
    if (x + cx >= screen.width()) {
        x = screen.width() - cx;
    }
    if (y + cy >= screen.height()) {
        y = screen.height() - cy;
    }
    return QPoint(x, y);
}

void SavePosition(Profile& profile, const QString& prefix, const QRect& frame) {
    profile.WriteInt(u"Settings"_s, prefix + u"X"_s, frame.left());
    profile.WriteInt(u"Settings"_s, prefix + u"Y"_s, frame.top());
    profile.WriteInt(u"Settings"_s, prefix + u"CX"_s, frame.width());
    profile.WriteInt(u"Settings"_s, prefix + u"CY"_s, frame.height());
}

}  // namespace zuvo
