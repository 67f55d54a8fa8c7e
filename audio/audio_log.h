#pragma once

#include <QLoggingCategory>

// The audio wizard's log category ("zuvo.audio"); warnings only by default.
Q_DECLARE_LOGGING_CATEGORY(lcAudioWizard)
