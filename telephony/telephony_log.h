#pragma once

#include <QLoggingCategory>

// The telephony subsystem's log category ("zuvo.telephony"); warnings only by default.
Q_DECLARE_LOGGING_CATEGORY(lcTelephony)
