#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>

namespace zuvo::test {

// Points every per-user and machine location of the phone (settings hives, bus folder, data
// folder, hosts file) into a fresh temporary folder for the life of the object, and restores
// the environment afterwards.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();
    QString root() const { return m_dir.path(); }
    QString path(const QString& relative) const { return m_dir.filePath(relative); }

private:
    QTemporaryDir m_dir;
    QList<QPair<QByteArray, QByteArray>> m_saved;
};

// A TCP or UDP port on 127.0.0.1 that was free a moment ago.
int FreePort(bool udp = false);

// True when something accepts a TCP connection on 127.0.0.1:port.
bool TcpAnswers(int port);
// True once some process holds the UDP port on 127.0.0.1 (our own bind fails).
bool UdpTaken(int port);
// The local ports of the IPv4 UDP sockets that process holds (read from /proc).
QList<int> UdpPortsOf(qint64 pid);
// The last maxBytes of a file (a peer's log), empty when there is none.
QByteArray ReadTail(const QString& path, qint64 maxBytes = 65536);

// Runs the Qt event loop (when there is one) until predicate holds or the time-out passes.
bool WaitUntil(const std::function<bool()>& predicate,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Path of one of our built programs (build/bin).
QString BinaryPath(const QString& name);
// Path of a built language bundle (build/share/zuvo/ResDll/Res<code>.rcc).
QString LanguageBundlePath(const QString& code);
// Path inside the source tree.
QString SourcePath(const QString& relative);

// A child process that is stopped (terminated, then killed) when the object goes.
class ChildProcess {
public:
    ChildProcess(const QString& program, const QStringList& arguments,
                 const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
    ~ChildProcess();
    bool Start(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Waits for the process to end; its exit code, or -1 on time-out or crash.
    int WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    void Stop();
    QProcess& process() { return *m_process; }
    QByteArray output() const { return m_output; }  // stdout and stderr so far

private:
    void TakeOutput();

    std::unique_ptr<QProcess> m_process;
    QByteArray m_output;
};

}  // namespace zuvo::test
