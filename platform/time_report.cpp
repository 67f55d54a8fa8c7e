#include "platform/time_report.h"

#include <QtGlobal>

#include <chrono>
#include <cstdio>

namespace zuvo {

void ReportTime(const char* event) {
    static const bool wanted = qEnvironmentVariableIsSet("ZUVO_REPORT_TIMES");
    if (!wanted) {
        return;
    }
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::fprintf(stderr, "%s %.6f\n", event, std::chrono::duration<double>(now).count());
    std::fflush(stderr);
}

}  // namespace zuvo
