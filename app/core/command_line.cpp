#include "app/core/command_line.h"

#include <QFile>
#include <QIODevice>
#include <QLoggingCategory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

Q_LOGGING_CATEGORY(lcStartup, "zuvo.startup", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

// The leading decimal digits as a number, like atoi. A delay in seconds becomes milliseconds,
// held within what a timer can take: a huge or negative count cannot wrap round.
int SecondsToMs(const QString& value) {
    int i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == u'-' || value[i] == u'+')) {
        negative = value[i] == u'-';
        ++i;
    }
    long long seconds = 0;
    for (; i < value.size() && value[i].isDigit() && value[i].unicode() < 128; ++i) {
        seconds = std::min<long long>(seconds * 10 + (value[i].unicode() - u'0'), INT_MAX);
    }
    if (negative) {
        return 0;
    }
    return static_cast<int>(std::min<long long>(seconds * 1000, INT_MAX));
}

}  // namespace

CommandLineOptions ParseCommandLine(const QString& line) {
    CommandLineOptions options;
    qsizetype pos = 0;
    const qsizetype end = line.size();
    while (pos < end && (line[pos] == u'/' || line[pos] == u'-')) {
        ++pos;
        const QChar letter = pos < end ? line[pos].toUpper() : QChar();
        if (pos < end) {
            ++pos;
        }
        auto value = [&] {
            const qsizetype start = pos;
            while (pos < end && !IsBlank(line[pos])) {
                ++pos;
            }
            return line.mid(start, pos - start);
        };
        switch (letter.unicode()) {
            case u'A':
                options.autoDial = true;
                break;
            case u'B':
                options.userName += value();
                break;
            case u'C':
                options.delayC = SecondsToMs(value());
                break;
            case u'D':
                options.connectStep = true;
                break;
            case u'F':
                ReadDialFile(value(), options);
                break;
            case u'J':
                options.report = true;
                options.reportPath = value();
                break;
            case u'N':
                options.number += value();
                break;
            case u'P':
                options.password += value();
                break;
            case u'R':
                options.delayR = SecondsToMs(value());
                break;
            case u'S':
                value();
                break;
            case u'T':
                options.unattended = true;
                break;
            case u'U':
                options.delayU = SecondsToMs(value());
                break;
            default:
                ++options.unrecognized;
                break;
        }
        while (pos < end && IsBlank(line[pos])) {
            ++pos;
        }
    }
    if (LooksLikeLink(QStringView(line).mid(pos))) {
        options.link = line.mid(pos);
    }
    return options;
}

bool LooksLikeLink(QStringView text) {
    const auto letter = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    };
    if (text.isEmpty() || !letter(text[0])) {
        return false;
    }
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u':') {
            return true;
        }
        if (!letter(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.') {
            return false;
        }
    }
    return false;
}

void ReadDialLines(QIODevice& file, CommandLineOptions& options) {
    // The size was checked, but the file may grow while it is read.
    qint64 budget = kMaxDialFileBytes;
    while (budget > 0 && !file.atEnd()) {
        // Lines are taken 1023 characters at a time, as a fixed line buffer would.
        QByteArray raw = file.readLine(std::min<qint64>(1024, budget + 1));
        if (raw.isEmpty()) {
            break;
        }
        budget -= raw.size();
        const QString text = QString::fromLocal8Bit(raw).toUpper();
        qsizetype i = 0;
        while (i < text.size() && text[i].isSpace()) {
            ++i;
        }
        const QString content = text.mid(i);
        if (content.startsWith(u"//"_s)) {
            continue;
        }
        if (content.startsWith(u"PN="_s)) {
            options.number = content.mid(3).trimmed();
        } else if (content.contains(u"AD"_s)) {
            options.autoDial = true;
        }
    }
}

void ReadDialFile(const QString& path, CommandLineOptions& options) {
    if (path.isEmpty()) {
        return;
    }
    // Without O_NONBLOCK a FIFO would wait here for a writer before the window ever exists.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        qCDebug(lcStartup) << "dial file" << path << "cannot be opened:" << strerror(errno);
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        qCWarning(lcStartup) << "dial file" << path << "is not a regular file; ignored";
        ::close(fd);
        return;
    }
    if (st.st_size > kMaxDialFileBytes) {
        qCWarning(lcStartup) << "dial file" << path << "is larger than" << kMaxDialFileBytes
                             << "bytes; ignored";
        ::close(fd);
        return;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Text, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return;
    }
    ReadDialLines(file, options);
}

}  // namespace zuvo
