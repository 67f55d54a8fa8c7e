#pragma once

#include <QLoggingCategory>

// The web service subsystem's log; warnings only unless turned on ("zuvo.service.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcService)
