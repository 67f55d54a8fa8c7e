#include "tests/integration/faults/faulty_provider.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTcpSocket>

#include <signal.h>

namespace zuvo::test {

using namespace Qt::Literals::StringLiterals;

FaultyProvider::FaultyProvider(const QString& runDir, int upstreamPort)
    : m_runDir(runDir), m_upstream(upstreamPort) {}

FaultyProvider::~FaultyProvider() {
    if (m_process) {
        m_process->Stop();
    }
}

bool FaultyProvider::Start(int port) {
    QDir().mkpath(m_runDir);
    const QString portsFile = m_runDir + u"/faulty.ports"_s;
    QFile::remove(portsFile);
    m_process = std::make_unique<ChildProcess>(
        u"python3"_s, QStringList{SourcePath(u"tests/integration/faults/faulty_provider.py"_s),
                                  u"--upstream"_s, QString::number(m_upstream), u"--port"_s,
                                  QString::number(port), u"--ports-file"_s, portsFile});
    m_process->process().setStandardOutputFile(m_runDir + u"/faulty.out"_s, QIODevice::Append);
    if (!m_process->Start()) {
        return false;
    }
    static const QRegularExpression line(u"^port=(\\d+) other=(\\d+)"_s);
    QRegularExpressionMatch match;
    WaitUntil(
        [&] {
            QFile file(portsFile);
            if (file.open(QIODevice::ReadOnly)) {
                match = line.match(QString::fromLatin1(file.read(100)));
            }
            return match.hasMatch() || m_process->process().state() != QProcess::Running;
        },
        std::chrono::seconds(20));
    if (!match.hasMatch()) {
        return false;
    }
    m_port = match.captured(1).toInt();
    return WaitUntil([this] { return TcpAnswers(m_port); });
}

void FaultyProvider::Kill() {
    if (m_process && m_process->process().state() == QProcess::Running) {
        ::kill(static_cast<pid_t>(m_process->process().processId()), SIGKILL);
        m_process->WaitForExit(std::chrono::seconds(10));
    }
}

QByteArray FaultyProvider::Get(const QByteArray& target) const {
    QTcpSocket socket;
    socket.connectToHost(u"127.0.0.1"_s, static_cast<quint16>(m_port));
    if (!socket.waitForConnected(2000)) {
        return {};
    }
    socket.write("GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray reply;
    while (socket.waitForReadyRead(5000)) {
        reply += socket.readAll();
    }
    return reply;
}

bool FaultyProvider::SetFault(const QString& query) const {
    return Get("/fault/set?" + query.toLatin1()).startsWith("HTTP/1.1 200");
}

bool FaultyProvider::Clear() const {
    return Get("/fault/clear").startsWith("HTTP/1.1 200");
}

QJsonObject FaultyProvider::Log() const {
    const QByteArray reply = Get("/fault/log");
    return QJsonDocument::fromJson(reply.mid(reply.indexOf("\r\n\r\n") + 4)).object();
}

int FaultyProvider::Applied(const QString& task) const {
    int count = 0;
    for (const QJsonValue& entry : Log().value(u"applied"_s).toArray()) {
        count += entry.toString().startsWith(task + u':') ? 1 : 0;
    }
    return count;
}

QByteArray FaultyProvider::output() const {
    return ReadTail(m_runDir + u"/faulty.out"_s);
}

}  // namespace zuvo::test
