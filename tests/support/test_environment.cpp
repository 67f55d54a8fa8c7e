#include "tests/support/test_environment.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include <random>

#include <unistd.h>

namespace zuvo::test {

using namespace Qt::Literals::StringLiterals;

TestEnvironment::TestEnvironment() {
    const QList<QPair<QByteArray, QString>> vars = {
        {"XDG_CONFIG_HOME", u"config"_s},
        {"XDG_RUNTIME_DIR", u"runtime"_s},
        {"XDG_DATA_HOME", u"data"_s},
        {"XDG_CACHE_HOME", u"cache"_s},
        {"XDG_STATE_HOME", u"state"_s},
        {"HOME", u"home"_s},
        {"ZUVO_MACHINE_STORE", u"machine/machine.db"_s},
        {"ZUVO_HOSTS_FILE", u"hosts"_s},
    };
    for (const auto& [name, rel] : vars) {
        m_saved.append({name, qgetenv(name.constData())});
        const QString full = m_dir.filePath(rel);
        QDir().mkpath(name == "ZUVO_MACHINE_STORE" || name == "ZUVO_HOSTS_FILE"
                          ? QFileInfo(full).absolutePath()
                          : full);
        qputenv(name.constData(), QFile::encodeName(full));
    }
    QFile::setPermissions(m_dir.filePath(u"runtime"_s),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TestEnvironment::~TestEnvironment() {
    for (const auto& [name, value] : m_saved) {
        if (value.isNull()) {
            qunsetenv(name.constData());
        } else {
            qputenv(name.constData(), value);
        }
    }
}

int FreePort(bool udp) {
    // A random port in a range the kernel does not hand out by itself, so tests running side by
    // side (each asking the kernel for "any port") do not keep landing on the same numbers.
    static thread_local std::mt19937 random(std::random_device{}() ^
                                            static_cast<unsigned>(getpid()));
    std::uniform_int_distribution<int> pick(20000, 29999);
    for (int attempt = 0; attempt < 200; ++attempt) {
        const int port = pick(random);
        if (udp) {
            // Without address sharing, and on every address: a socket that shares its address
            // (as the media stack's do) would otherwise let this bind succeed on a taken port.
            QUdpSocket s;
            if (s.bind(QHostAddress::AnyIPv4, static_cast<quint16>(port),
                       QAbstractSocket::DontShareAddress)) {
                return port;
            }
        } else {
            QTcpServer s;
            if (s.listen(QHostAddress::LocalHost, static_cast<quint16>(port))) {
                return port;
            }
        }
    }
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

bool TcpAnswers(int port) {
    QTcpSocket socket;
    socket.connectToHost(u"127.0.0.1"_s, static_cast<quint16>(port));
    return socket.waitForConnected(200);
}

bool UdpTaken(int port) {
    QUdpSocket socket;
    return !socket.bind(QHostAddress::LocalHost, static_cast<quint16>(port));
}

QList<int> UdpPortsOf(qint64 pid) {
    QSet<QByteArray> inodes;
    const QString folder = u"/proc/"_s + QString::number(pid) + u"/fd/"_s;
    for (const QString& fd : QDir(folder).entryList(QDir::AllEntries | QDir::System)) {
        char target[64] = {};
        const ssize_t n =
            ::readlink(QFile::encodeName(folder + fd).constData(), target, sizeof target - 1);
        const QByteArray link(target, n > 0 ? static_cast<int>(n) : 0);
        if (link.startsWith("socket:[") && link.endsWith(']')) {
            inodes.insert(link.mid(8, link.size() - 9));
        }
    }
    QList<int> ports;
    QFile table(u"/proc/net/udp"_s);
    if (inodes.isEmpty() || !table.open(QIODevice::ReadOnly)) {
        return ports;
    }
    // "sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid timeout inode"
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 10 || !inodes.contains(fields[9])) {
            continue;
        }
        bool ok = false;
        const int port = fields[1].mid(fields[1].indexOf(':') + 1).toInt(&ok, 16);
        if (ok) {
            ports.append(port);
        }
    }
    return ports;
}

QByteArray ReadTail(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    if (file.size() > maxBytes) {
        file.seek(file.size() - maxBytes);
    }
    return file.read(maxBytes);
}

bool WaitUntil(const std::function<bool()>& predicate, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    while (!predicate()) {
        if (clock.elapsed() > timeout.count()) {
            return false;
        }
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QThread::msleep(2);
    }
    return true;
}

QString BinaryPath(const QString& name) {
    const QByteArray dir = qgetenv("ZUVO_BIN_DIR");
    return QString::fromLocal8Bit(dir) + u'/' + name;
}

QString LanguageBundlePath(const QString& code) {
    return BinaryPath(u"../share/zuvo/ResDll/Res"_s + code + u".rcc"_s);
}

QString SourcePath(const QString& relative) {
    return QString::fromLocal8Bit(qgetenv("ZUVO_SOURCE_DIR")) + u'/' + relative;
}

ChildProcess::ChildProcess(const QString& program, const QStringList& arguments,
                           const QProcessEnvironment& environment)
    : m_process(std::make_unique<QProcess>()) {
    m_process->setProgram(program);
    m_process->setArguments(arguments);
    m_process->setProcessEnvironment(environment);
    m_process->setProcessChannelMode(QProcess::MergedChannels);
}

ChildProcess::~ChildProcess() {
    Stop();
}

bool ChildProcess::Start(std::chrono::milliseconds timeout) {
    m_process->start();
    return m_process->waitForStarted(static_cast<int>(timeout.count()));
}

int ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr && QThread::currentThread() == app->thread() &&
        m_process->state() != QProcess::NotRunning) {
        // A window in this process (the phone under test) may be what the child talks to: it
        // gets the whole event loop while the child runs, not a slice between blocking waits.
        QEventLoop loop;
        QObject::connect(m_process.get(), &QProcess::finished, &loop, &QEventLoop::quit);
        QObject::connect(m_process.get(), &QProcess::errorOccurred, &loop, &QEventLoop::quit);
        QObject::connect(m_process.get(), &QProcess::readyReadStandardOutput, &loop,
                         [this] { TakeOutput(); });
        QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
        loop.exec();
        if (m_process->state() != QProcess::NotRunning) {
            TakeOutput();
            return -1;
        }
    }
    QElapsedTimer clock;
    clock.start();
    while (m_process->state() != QProcess::NotRunning) {
        if (clock.elapsed() > timeout.count()) {
            return -1;
        }
        m_process->waitForFinished(20);
        TakeOutput();
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
    TakeOutput();
    if (m_process->exitStatus() != QProcess::NormalExit) {
        return -1;
    }
    return m_process->exitCode();
}

void ChildProcess::Stop() {
    if (m_process->state() == QProcess::NotRunning) {
        return;
    }
    m_process->terminate();
    if (!m_process->waitForFinished(3000)) {
        m_process->kill();
        m_process->waitForFinished(3000);
    }
    TakeOutput();
}

void ChildProcess::TakeOutput() {
    // Output sent to a file is read from there.
    if (m_process->isReadable()) {
        m_output += m_process->readAll();
    }
}

}  // namespace zuvo::test
