#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

namespace zuvo {

class Profile;

// Where a saved window goes on a screen of the given size: nullopt means "centre it" (never
// saved). The saved size only serves the clamping; the window keeps its own size.
std::optional<QPoint> RestoredPosition(Profile& profile, const QString& prefix, QSize screen);

// Saves the window's rectangle in screen coordinates under prefix + "X", "Y", "CX", "CY".
void SavePosition(Profile& profile, const QString& prefix, const QRect& frame);

}  // namespace zuvo
