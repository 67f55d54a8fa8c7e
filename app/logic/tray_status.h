#pragma once

#include <QString>

namespace zuvo {

struct PhoneState;

// The tray icon's tool tip for the phone's state, e.g. "Zuvo: signed out", "Zuvo: ready",
// "Zuvo: in a call with +442079460000 (00:01:05)". brand names the phone. The number is the
// one the user dialled; nothing from the network reaches the text.
QString TrayToolTip(const PhoneState& state, const QString& brand);

}  // namespace zuvo
