#include "tests/support/file_system_limits.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace zuvo::test {

using namespace Qt::Literals::StringLiterals;

namespace {

// Runs a system tool; empty when it succeeded, else what it said.
QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        return program + u" did not run: "_s + process.errorString();
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(process.readAll()).trimmed();
        return program + u": "_s + (said.isEmpty() ? u"failed"_s : said);
    }
    return {};
}

}  // namespace

ImmutableFile::ImmutableFile(const QString& path) : m_path(path) {
    m_error = Run(u"chattr"_s, {u"+i"_s, path});
}

ImmutableFile::~ImmutableFile() {
    if (ok()) {
        Run(u"chattr"_s, {u"-i"_s, m_path});
    }
}

SmallFileSystem::SmallFileSystem(const QString& folder, int kilobytes) : m_folder(folder) {
    QDir().mkpath(folder);
    m_error = Run(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=%1k,mode=0700"_s.arg(kilobytes),
                               u"zuvo-test"_s, folder});
}

SmallFileSystem::~SmallFileSystem() {
    if (ok()) {
        // Lazily: a settings store the process keeps open must not keep the mount.
        Run(u"umount"_s, {u"-l"_s, m_folder});
    }
}

bool SmallFileSystem::Fill() const {
    const QByteArray path = QFile::encodeName(m_folder + u"/filler"_s);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errno == ENOSPC;
    }
    const QByteArray block(4096, 'x');
    bool full = false;
    // Whole blocks first, then single bytes for what a block no longer fits in.
    for (const qsizetype size : {block.size(), qsizetype(1)}) {
        for (;;) {
            const ssize_t written = ::write(fd, block.constData(), static_cast<size_t>(size));
            if (written < 0) {
                full = errno == ENOSPC;
                break;
            }
        }
    }
    ::close(fd);
    return full;
}

}  // namespace zuvo::test
