#pragma once

#include <QString>

#include "app/core/command_line.h"
#include "platform/exit_code.h"

namespace zuvo {

// The process-wide values fixed at start-up and read by the main window. Main thread only.
struct AppGlobals {
    QString configRoot;  // "Software\Zuvo\Zuvo PC"
    QString language = QStringLiteral("EN");
    CommandLineOptions commandLine;
    ExitCode exitCode = ExitCode::NotStarted;  // the unattended cycle records its steps here
};

AppGlobals& App();

}  // namespace zuvo
