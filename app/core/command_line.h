#pragma once

#include <QLoggingCategory>
#include <QString>
#include <QStringView>

class QIODevice;

Q_DECLARE_LOGGING_CATEGORY(lcStartup)

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
    bool report = false;       // /J given
    QString reportPath;        // /J path: the test call's quality report (JSON)
    int unrecognized = 0;      // switches not in the table; one message each
    QString link;              // the words after the switches when they begin like a link
};

// Parses the text after the program's name. Parsing stops at the first token that does not begin
// with "/" or "-"; when the rest begins like a link ("tel:", "sip:", any "scheme:"), it is kept
// whole, unchecked, in `link`. A /F switch reads the named dial file into the same options.
CommandLineOptions ParseCommandLine(const QString& commandLine);

// True when the text begins like a link: a letter, then letters, digits, "+", "-" or ".", then
// ":" ("tel:", "callto:", "javascript:"), whatever the scheme.
bool LooksLikeLink(QStringView text);

// A dial file holds a few short lines; anything larger is not one.
inline constexpr qint64 kMaxDialFileBytes = 64 * 1024;

// Applies a dial file: "//" comments, "PN=" sets the number, any line containing "AD" sets
// auto-dial. Only a regular file of at most kMaxDialFileBytes is read, and opening never waits
// (a FIFO or a device is refused); an unreadable or refused file changes nothing.
void ReadDialFile(const QString& path, CommandLineOptions& options);

// The dial file's lines from an open device, at most kMaxDialFileBytes of them.
void ReadDialLines(QIODevice& file, CommandLineOptions& options);

}  // namespace zuvo
