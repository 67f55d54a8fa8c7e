#include "telephony/telephony_log.h"

Q_LOGGING_CATEGORY(lcTelephony, "zuvo.telephony", QtWarningMsg)
