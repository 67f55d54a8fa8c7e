#include "tests/support/kamailio.h"

#include <QDebug>
#include <QDir>
#include <QFile>

#include <signal.h>

namespace zuvo::test {

using namespace Qt::Literals::StringLiterals;

Kamailio::Kamailio(const QString& runDir, const Options& options)
    : m_runDir(runDir), m_options(options) {}

Kamailio::~Kamailio() {
    Stop();
}

bool Kamailio::Start() {
    if (!QDir().mkpath(m_runDir)) {
        return false;
    }
    QStringList tlsArguments;
    if (m_options.tls) {
        const QString cert = certificate();
        const QString key = m_runDir + u"/key.pem"_s;
        QProcess openssl;
        openssl.start(u"openssl"_s,
                      {u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-keyout"_s,
                       key, u"-out"_s, cert, u"-days"_s, u"2"_s, u"-subj"_s, u"/CN=127.0.0.1"_s});
        if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0) {
            qWarning() << "openssl could not make a certificate:" << openssl.readAllStandardError();
            return false;
        }
        tlsArguments << u"--cert"_s << cert << u"--key"_s << key;
    }
    // A port picked as free can be taken by a test running beside this one before Kamailio
    // binds it: start again on other ports.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (StartOnce(tlsArguments)) {
            m_tlsArguments = tlsArguments;
            return true;
        }
        Stop();
    }
    qWarning() << "kamailio did not come up:" << output();
    return false;
}

bool Kamailio::StartOnce(const QStringList& tlsArguments, bool newPorts) {
    if (newPorts) {
        m_udp = FreePort(true);
        m_tcp = FreePort(false);
    }
    QStringList args{u"--run-dir"_s,   m_runDir,
                     u"--udp"_s,       QString::number(m_udp),
                     u"--tcp"_s,       QString::number(m_tcp),
                     u"--far-end"_s,   u"127.0.0.1:"_s + QString::number(m_options.farEndPort),
                     u"--password"_s,  m_options.password,
                     u"--forbidden"_s, m_options.forbiddenUser};
    if (m_options.tls) {
        if (newPorts) {
            m_tls = FreePort(false);
        }
        args << u"--tls"_s << QString::number(m_tls) << tlsArguments;
    }
    m_process = std::make_unique<ChildProcess>(SourcePath(u"deploy/kamailio/start"_s), args);
    m_process->process().setStandardOutputFile(m_runDir + u"/kamailio.out"_s);
    if (!m_process->Start()) {
        return false;
    }
    return WaitUntil(
               [this] {
                   return m_process->process().state() != QProcess::Running ||
                          (UdpTaken(m_udp) && TcpAnswers(m_tcp) &&
                           (!m_options.tls || TcpAnswers(m_tls)));
               },
               std::chrono::seconds(15)) &&
           m_process->process().state() == QProcess::Running;
}

QByteArray Kamailio::output() const {
    return ReadTail(m_runDir + u"/kamailio.out"_s);
}

bool Kamailio::Restart() {
    Stop();
    // Its children may still hold the ports for a moment after the main process has gone.
    WaitUntil([this] { return !UdpTaken(m_udp) && !TcpAnswers(m_tcp); });
    return StartOnce(m_tlsArguments, false);
}

void Kamailio::Kill() {
    if (!m_process || m_process->process().state() != QProcess::Running) {
        return;
    }
    const qint64 main = m_process->process().processId();
    // Its children first, found by their parent: they would otherwise keep the ports.
    const QDir proc(u"/proc"_s);
    for (const QString& entry : proc.entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number) {
            continue;
        }
        QFile stat(proc.filePath(entry + u"/stat"_s));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        // pid (comm) state ppid ...: the fields after the last ')'.
        const QByteArray text = stat.read(4096);
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == main) {
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        }
    }
    ::kill(static_cast<pid_t>(main), SIGKILL);
    m_process->WaitForExit(std::chrono::seconds(10));
}

void Kamailio::Stop() {
    if (m_process) {
        m_process->Stop();
    }
}

}  // namespace zuvo::test
