#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

#include "platform/exit_code.h"
#include "telephony/call_statistics.h"

namespace zuvo {

// The steps of the unattended test call whose times the call-quality report gives.
enum class CallStep : int { SignIn, Registration, Dial, Ringing, Answer, Media };
inline constexpr int kCallStepCount = 6;

// When each step of the test call was first reached, in milliseconds since the phone started
// (a monotonic clock). Main thread only.
class CallTimeline {
public:
    // Notes the step now, unless it was noted already (a retry does not move it).
    void Mark(CallStep step);
    // Notes the step at the given time (tests).
    void MarkAt(CallStep step, int64_t milliseconds);
    std::optional<int64_t> At(CallStep step) const;
    // Milliseconds since the phone started.
    static int64_t Now();
    // The wall-clock time the phone started (UTC).
    static QDateTime Started();

private:
    std::array<std::optional<int64_t>, kCallStepCount> m_steps;
};

// What an exit code of the unattended cycle means, in the README's words.
QString ExitCodeMeaning(ExitCode code);

// The call-quality report of a test call as JSON (format in the README).
QByteArray CallReportJson(const CallTimeline& timeline,
                          const std::optional<CallStatistics>& statistics, ExitCode code,
                          int64_t endedMs);

// A report file may be named by at most this many bytes.
inline constexpr int kMaxReportPathBytes = 4096;

// Checks a report path given on the command line before anything is written: empty when it can be
// used, else why not (empty name, too long, control characters, a folder, a device, a folder that
// does not exist or cannot be written).
QString CheckReportPath(const QString& path);

// Writes the report through a temporary file in the same folder, renamed over the target, so a
// reader never sees half a report. False with the reason when it could not be written.
bool WriteCallReport(const QString& path, const QByteArray& json, QString* error);

}  // namespace zuvo
