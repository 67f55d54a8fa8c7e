#pragma once

namespace zuvo {

// For timing the phone from outside (bench/run): when ZUVO_REPORT_TIMES is set, writes
// "EVENT SECONDS" (the wall clock, microseconds) to stderr; otherwise does nothing. event is one
// of the program's own fixed names.
void ReportTime(const char* event);

}  // namespace zuvo
