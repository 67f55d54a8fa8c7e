#pragma once

#include <QString>

#include <cstdint>

namespace zuvo {

// A duration as "%H:%M:%S"; the hours wrap at 24 as in a time of day.
QString FormatCallTime(int64_t seconds);

}  // namespace zuvo
