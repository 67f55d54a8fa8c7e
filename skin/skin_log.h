#pragma once

#include <QLoggingCategory>

namespace zuvo {
// Logging of the skin: bitmaps that fail to load, fonts and cursors that are missing.
Q_DECLARE_LOGGING_CATEGORY(lcSkin)
}  // namespace zuvo
