#include "app/logic/normalise_number.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

QString NormaliseNumber(const QString& text) {
    QString s = text.trimmed();
    if (s.isEmpty())
        return s;
    if (s.startsWith(u'+'))
        s.prepend(u"00"_s);
    for (;;) {
        const qsizetype open = s.indexOf(u'"');
        if (open < 0)
            break;
        const qsizetype close = s.indexOf(u'"', open + 1);
        if (close < 0)
            break;
        s.remove(open, close - open + 1);
    }
    QString digits;
    digits.reserve(s.size());
    for (const QChar c : std::as_const(s)) {
        if (c >= u'0' && c <= u'9')
            digits.append(c);
    }
    return digits;
}

}  // namespace zuvo
