#pragma once

#include <QString>

namespace zuvo {

// Cleans a pasted, handed-over, external, speed-dial or command-line number: trims white space,
// turns a leading "+" into "00", removes every complete "..." quoted part and keeps only the
// digits. "+44 (20) 123-4" gives "0044201234"; an unclosed quote is left for the digit filter.
QString NormaliseNumber(const QString& text);

}  // namespace zuvo
