#include "service/service_log.h"

Q_LOGGING_CATEGORY(lcService, "zuvo.service", QtWarningMsg)
