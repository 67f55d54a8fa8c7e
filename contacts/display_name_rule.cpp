#include "contacts/display_name_rule.h"

namespace zuvo {

QString UniqueDisplayName(const QString& name, const QStringList& taken) {
    QString candidate = name;
    for (int n = 1; taken.contains(candidate, Qt::CaseInsensitive); ++n) {
        candidate = name + u'(' + QString::number(n) + u')';
    }
    return candidate;
}

}  // namespace zuvo
