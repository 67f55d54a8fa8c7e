#pragma once

#include <QString>

namespace zuvo {

// What the command line and the dial file ask for.
struct CommandLineOptions {
    QString userName;          // /B (appended)
    QString password;          // /P (appended)
    QString number;            // /N (appended), or the dial file's "PN="
    bool autoDial = false;     // /A, or "AD" in the dial file
    bool unattended = false;   // /T
    bool connectStep = false;  // /D
    int delayR = 5000;         // /R n, milliseconds
    int delayC = 5000;         // /C n
    int delayU = 0;            // /U n
    int unrecognized = 0;      // switches not in the table; one message each
};

// Parses the text after the program's name. Parsing stops at the first token that does not begin
// with "/" or "-". A /F switch reads the named dial file into the same options.
CommandLineOptions ParseCommandLine(const QString& commandLine);

// Applies a dial file: "//" comments, "PN=" sets the number, any line containing "AD" sets
// auto-dial. An unreadable file changes nothing.
void ReadDialFile(const QString& path, CommandLineOptions& options);

}  // namespace zuvo
