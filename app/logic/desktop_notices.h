#pragma once

#include <QString>

#include <optional>

#include "app/core/desktop_settings.h"

namespace zuvo {

// One desktop notification: what it is about (a newer one of the same kind replaces the older),
// a summary and a plain-text body.
struct DesktopNotice {
    enum class Kind { IncomingCall, LowBalance };
    Kind kind = Kind::IncomingCall;
    QString summary;
    QString body;
};

// When the phone tells the desktop about something, and with which words. Plain logic, no bus.
class DesktopNoticePolicy {
public:
    // Longest amount text taken from the service into a notification.
    static constexpr qsizetype kMaxAmountLength = 32;

    // A call came in: once, when the engine's incoming call has just been announced.
    static std::optional<DesktopNotice> IncomingCall(const DesktopSettings& settings,
                                                     bool wasAnnounced, bool announced);
    // A balance reply arrived; belowTrigger is the service's verdict that the balance is low,
    // amount its amount text (hostile: cut and cleaned of control characters).
    static std::optional<DesktopNotice> Balance(const DesktopSettings& settings, bool belowTrigger,
                                                const QString& amount);
};

}  // namespace zuvo
