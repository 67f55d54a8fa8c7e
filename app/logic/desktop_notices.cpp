#include "app/logic/desktop_notices.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

QString CleanAmount(const QString& amount) {
    QString clean;
    for (const QChar c : amount.left(DesktopNoticePolicy::kMaxAmountLength)) {
        if (c.isPrint()) {
            clean += c;
        }
    }
    return clean.trimmed();
}

}  // namespace

std::optional<DesktopNotice> DesktopNoticePolicy::IncomingCall(const DesktopSettings& settings,
                                                               bool wasAnnounced, bool announced) {
    if (!settings.notifyIncomingCall || wasAnnounced || !announced) {
        return std::nullopt;
    }
    return DesktopNotice{DesktopNotice::Kind::IncomingCall, u"Incoming call"_s,
                         u"A call is coming in."_s};
}

std::optional<DesktopNotice> DesktopNoticePolicy::Balance(const DesktopSettings& settings,
                                                          bool belowTrigger,
                                                          const QString& amount) {
    if (!settings.notifyLowBalance || !belowTrigger) {
        return std::nullopt;
    }
    const QString clean = CleanAmount(amount);
    return DesktopNotice{
        DesktopNotice::Kind::LowBalance, u"Low balance"_s,
        clean.isEmpty() ? u"Your balance is low."_s : u"Your balance is low: %1."_s.arg(clean)};
}

}  // namespace zuvo
