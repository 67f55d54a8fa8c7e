#include "tests/support/provider_simulator.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QUrl>

namespace zuvo::test {

using namespace Qt::Literals::StringLiterals;

ProviderSimulator::ProviderSimulator(const QString& runDir, const QByteArray& accounts, bool https,
                                     int httpPort)
    : m_runDir(runDir), m_accounts(accounts), m_withHttps(https), m_wantedHttp(httpPort) {}

ProviderSimulator::~ProviderSimulator() {
    Stop();
}

bool ProviderSimulator::Start() {
    QDir().mkpath(m_runDir);
    const QString accountsFile = m_runDir + u"/accounts.json"_s;
    QFile file(accountsFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_accounts) != m_accounts.size()) {
        m_error = u"cannot write "_s + accountsFile;
        return false;
    }
    file.close();
    const QString portsFile = m_runDir + u"/sim-ports"_s;
    QFile::remove(portsFile);
    QStringList args{u"--accounts"_s, accountsFile,     u"--ports-file"_s,
                     portsFile,       u"--http-port"_s, QString::number(m_wantedHttp)};
    if (m_withHttps) {
        args << u"--cert-dir"_s << m_runDir + u"/cert"_s;
    } else {
        args << u"--https-port"_s << u"-1"_s;
    }
    m_process = std::make_unique<ChildProcess>(BinaryPath(u"zuvo-provider-sim"_s), args);
    m_process->process().setStandardOutputFile(m_runDir + u"/sim.out"_s);
    if (!m_process->Start()) {
        m_error = u"the simulator did not start: "_s + QString::fromUtf8(output());
        return false;
    }
    // The ports line comes once both listeners are up (making a certificate takes a while).
    static const QRegularExpression re(u"http=(\\d+) https=(-?\\d+) cert=(\\S*)"_s);
    QRegularExpressionMatch match;
    WaitUntil(
        [&] {
            QFile ports(portsFile);
            if (m_process->process().state() != QProcess::Running) {
                return true;
            }
            if (ports.open(QIODevice::ReadOnly)) {
                match = re.match(QString::fromUtf8(ports.readAll()));
            }
            return match.hasMatch();
        },
        std::chrono::seconds(30));
    if (!match.hasMatch() ||
        !WaitUntil([port = match.captured(1).toInt()] { return TcpAnswers(port); })) {
        m_error = u"the simulator did not start: "_s + QString::fromUtf8(output());
        return false;
    }
    m_http = match.captured(1).toInt();
    m_https = match.captured(2).toInt();
    m_certificate = match.captured(3);
    return true;
}

QByteArray ProviderSimulator::Get(const QByteArray& target) const {
    if (!m_process) {
        return {};
    }
    QTcpSocket socket;
    socket.connectToHost(u"127.0.0.1"_s, static_cast<quint16>(m_http));
    if (!socket.waitForConnected(1000)) {
        return {};
    }
    socket.write("GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray reply;
    while (socket.waitForReadyRead(2000)) {
        reply += socket.readAll();
    }
    return reply;
}

QByteArray ProviderSimulator::RequestLog() const {
    return Get("/sim/log");
}

QList<QJsonObject> ProviderSimulator::Requests(const QString& task) const {
    const QByteArray reply = RequestLog();
    const QJsonArray log =
        QJsonDocument::fromJson(reply.mid(reply.indexOf("\r\n\r\n") + 4)).array();
    QList<QJsonObject> found;
    for (const QJsonValue& value : log) {
        const QJsonObject entry = value.toObject();
        if (task.isEmpty() ||
            entry.value(u"facts"_s).toObject().value(u"task"_s).toString() == task) {
            found << entry;
        }
    }
    return found;
}

QStringList ProviderSimulator::RequestTargets() const {
    QStringList targets;
    for (const QJsonObject& entry : Requests()) {
        targets << entry.value(u"target"_s).toString();
    }
    return targets;
}

bool ProviderSimulator::Control(const QString& query) const {
    return Get("/sim/control?" + QUrl::toPercentEncoding(query, "=&,/:"))
        .startsWith("HTTP/1.1 200");
}

QByteArray ProviderSimulator::output() const {
    return ReadTail(m_runDir + u"/sim.out"_s);
}

void ProviderSimulator::Stop() {
    if (m_process) {
        m_process->Stop();
    }
}

}  // namespace zuvo::test
