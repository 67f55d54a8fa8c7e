#include "tests/integration/phone/phone_peers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QUdpSocket>

namespace zuvo::test {

using namespace Qt::Literals::StringLiterals;

namespace {

// The password the phone answers the registrar's challenge with.
const QString kPhonePassword = u"mirthful"_s;

bool TcpAnswers(int port) {
    QTcpSocket socket;
    socket.connectToHost(u"127.0.0.1"_s, static_cast<quint16>(port));
    return socket.waitForConnected(200);
}

// True once some process holds the UDP port (our own bind fails).
bool UdpTaken(int port) {
    QUdpSocket socket;
    return !socket.bind(QHostAddress::LocalHost, static_cast<quint16>(port));
}

QJsonObject Account(const QString& account, const QString& pin, int sipPort, bool sipServers) {
    const QJsonArray servers =
        sipServers ? QJsonArray{u"127.0.0.1:%1:UDP"_s.arg(sipPort)} : QJsonArray{};
    return QJsonObject{
        {u"account"_s, account},
        {u"pin"_s, pin},
        {u"as"_s, u"1"_s},
        {u"phonecfg"_s, u"0"_s},  // no minutes, no pop-ups: nothing stands before a call
        {u"balance"_s, u"12.50"_s},
        {u"currency"_s, u"EUR"_s},
        {u"pxy"_s, servers},
        {u"hosts"_s, QJsonArray{u"zuvo.test:127.0.0.1"_s}},
        {u"web"_s, QJsonArray{}},
        {u"retries"_s, 3},
    };
}

}  // namespace

void EnsureApplication() {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "phone_test";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
}

PhonePeers::PhonePeers(const QString& root, Options options)
    : m_root(root), m_options(std::move(options)) {
    for (const char* folder : {"config", "data", "cache", "home", "machine", "logs"}) {
        QDir().mkpath(m_root + u'/' + QLatin1String(folder));
    }
    QDir().mkpath(m_root + u"/runtime"_s);
    QFile::setPermissions(m_root + u"/runtime"_s,
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

PhonePeers::~PhonePeers() {
    // Reverse order of start: the far end outlives the proxy that routes to it.
    m_simulator.reset();
    m_registrar.reset();
    m_farEnd.reset();
}

bool PhonePeers::Start() {
    EnsureApplication();
    // A port picked as free can be taken by a test running beside this one before our peer
    // binds it: start again on other ports.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (StartFarEnd() && StartRegistrar() && StartSimulator()) {
            return true;
        }
        m_simulator.reset();
        m_registrar.reset();
        m_farEnd.reset();
    }
    return false;
}

bool PhonePeers::StartFarEnd() {
    m_farEndPort = FreePort(true);
    if (m_options.scenario.isEmpty()) {
        return true;
    }
    int mediaPort = FreePort(true);
    while (mediaPort % 2 != 0 || mediaPort == m_farEndPort) {
        mediaPort = FreePort(true);
    }
    const QString scenario =
        m_options.scenario.startsWith(u'/')
            ? m_options.scenario
            : SourcePath(u"tests/integration/phone/scenarios/"_s + m_options.scenario);
    QStringList args{u"-sf"_s,
                     scenario,
                     u"-i"_s,
                     u"127.0.0.1"_s,
                     u"-p"_s,
                     QString::number(m_farEndPort),
                     u"-mi"_s,
                     u"127.0.0.1"_s,
                     u"-mp"_s,
                     QString::number(mediaPort),
                     u"-nostdin"_s,
                     u"-trace_msg"_s,
                     u"-message_file"_s,
                     m_root + u"/logs/sipp-messages.log"_s,
                     u"-trace_err"_s,
                     u"-error_file"_s,
                     m_root + u"/logs/sipp-errors.log"_s,
                     u"-timeout"_s,
                     u"60s"_s,
                     u"-m"_s,
                     u"1"_s};
    args << m_options.sippArguments;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TERM"_s, u"dumb"_s);
    m_farEnd = std::make_unique<ChildProcess>(u"sipp"_s, args, env);
    m_farEnd->process().setWorkingDirectory(m_root + u"/logs"_s);
    m_farEnd->process().setStandardOutputFile(m_root + u"/logs/sipp.out"_s);
    if (!m_farEnd->Start() ||
        !WaitUntil([this] { return UdpTaken(m_farEndPort); }, std::chrono::seconds(10))) {
        m_error = u"SIPp did not start: "_s + QString::fromUtf8(Logs());
        return false;
    }
    return true;
}

bool PhonePeers::StartRegistrar() {
    m_registrarPort = FreePort(true);
    if (!m_options.registrar) {
        return true;
    }
    const int tcp = FreePort(false);
    const QString password =
        m_options.registrarPassword.isEmpty() ? kPhonePassword : m_options.registrarPassword;
    m_registrar = std::make_unique<ChildProcess>(
        SourcePath(u"deploy/kamailio/start"_s),
        QStringList{u"--run-dir"_s, m_root + u"/kamailio"_s, u"--udp"_s,
                    QString::number(m_registrarPort), u"--tcp"_s, QString::number(tcp),
                    u"--far-end"_s, u"127.0.0.1:"_s + QString::number(m_farEndPort),
                    u"--password"_s, password});
    m_registrar->process().setStandardOutputFile(m_root + u"/logs/kamailio.out"_s);
    if (!m_registrar->Start() ||
        !WaitUntil([tcp] { return TcpAnswers(tcp); }, std::chrono::seconds(15))) {
        m_error = u"Kamailio did not start: "_s + QString::fromUtf8(Logs());
        return false;
    }
    return true;
}

bool PhonePeers::StartSimulator() {
    if (!m_options.simulator) {
        m_webHost = u"127.0.0.1:"_s + QString::number(FreePort(false));
        return true;
    }
    const QJsonObject accounts{
        {u"accounts"_s,
         QJsonArray{Account(u"12345"_s, u"9876"_s, m_registrarPort, m_options.sipServers),
                    // Kamailio turns the registrations of "forbidden_Z" away with 403.
                    Account(u"forbidden"_s, u"1111"_s, m_registrarPort, m_options.sipServers)}},
        {u"routes"_s, QJsonArray{}},
    };
    const QString accountsFile = m_root + u"/logs/accounts.json"_s;
    QFile file(accountsFile);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(accounts).toJson()) < 0) {
        m_error = u"cannot write "_s + accountsFile;
        return false;
    }
    file.close();
    const QString portsFile = m_root + u"/logs/sim-ports"_s;
    m_simulator =
        std::make_unique<ChildProcess>(BinaryPath(u"zuvo-provider-sim"_s),
                                       QStringList{u"--accounts"_s, accountsFile, u"--https-port"_s,
                                                   u"-1"_s, u"--ports-file"_s, portsFile});
    m_simulator->process().setStandardOutputFile(m_root + u"/logs/sim.out"_s);
    int port = 0;
    const bool up =
        m_simulator->Start() && WaitUntil(
                                    [&] {
                                        QFile ports(portsFile);
                                        if (!ports.open(QIODevice::ReadOnly)) {
                                            return false;
                                        }
                                        static const QRegularExpression re(u"http=(\\d+)"_s);
                                        const auto m = re.match(QString::fromUtf8(ports.readAll()));
                                        port = m.hasMatch() ? m.captured(1).toInt() : 0;
                                        return port > 0;
                                    },
                                    std::chrono::seconds(10));
    if (!up || !WaitUntil([port] { return TcpAnswers(port); }, std::chrono::seconds(10))) {
        m_error = u"the simulator did not start: "_s + QString::fromUtf8(Logs());
        return false;
    }
    m_webHost = u"127.0.0.1:"_s + QString::number(port);
    return true;
}

QProcessEnvironment PhonePeers::Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_CONFIG_HOME"_s, m_root + u"/config"_s);
    env.insert(u"XDG_RUNTIME_DIR"_s, m_root + u"/runtime"_s);
    env.insert(u"XDG_DATA_HOME"_s, m_root + u"/data"_s);
    env.insert(u"XDG_CACHE_HOME"_s, m_root + u"/cache"_s);
    env.insert(u"XDG_STATE_HOME"_s, m_root + u"/state"_s);
    env.insert(u"HOME"_s, m_root + u"/home"_s);
    env.insert(u"ZUVO_MACHINE_STORE"_s, m_root + u"/machine/machine.db"_s);
    env.insert(u"ZUVO_HOSTS_FILE"_s, m_root + u"/hosts"_s);
    env.insert(u"ZUVO_DEFAULT_WEB_HOST"_s, m_webHost);
    env.insert(u"ZUVO_SIP_DOMAIN"_s, u"zuvo.test"_s);
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    return env;
}

QString PhonePeers::FarEndMessages() const {
    QFile file(m_root + u"/logs/sipp-messages.log"_s);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

int PhonePeers::WaitFarEnd(std::chrono::milliseconds timeout) {
    if (!m_farEnd) {
        return -1;
    }
    return m_farEnd->WaitForExit(timeout);
}

QByteArray PhonePeers::SimulatorLog() const {
    if (!m_simulator) {
        return {};
    }
    QTcpSocket socket;
    socket.connectToHost(u"127.0.0.1"_s, static_cast<quint16>(m_webHost.section(u':', 1).toInt()));
    if (!socket.waitForConnected(1000)) {
        return {};
    }
    socket.write("GET /sim/log HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray reply;
    while (socket.waitForReadyRead(2000)) {
        reply += socket.readAll();
    }
    return reply;
}

QByteArray PhonePeers::Logs() const {
    QByteArray logs;
    for (const char* name : {"sipp.out", "sipp-errors.log", "kamailio.out", "sim.out"}) {
        QFile file(m_root + u"/logs/"_s + QLatin1String(name));
        if (file.open(QIODevice::ReadOnly)) {
            logs += "--- " + QByteArray(name) + '\n' + file.readAll().right(4000);
        }
    }
    return logs;
}

QString FinalAnswerScenario(const QString& folder, int code, const QString& reason) {
    QFile source(SourcePath(u"tests/integration/phone/scenarios/uas_final_answer.xml"_s));
    if (!source.open(QIODevice::ReadOnly)) {
        return {};
    }
    QByteArray text = source.readAll();
    text.replace("@CODE@", QByteArray::number(code)).replace("@REASON@", reason.toUtf8());
    QDir().mkpath(folder);
    const QString path = folder + u"/uas_final_answer_"_s + QString::number(code) + u".xml"_s;
    QFile target(path);
    if (!target.open(QIODevice::WriteOnly) || target.write(text) != text.size()) {
        return {};
    }
    return path;
}

ProgramResult RunProgram(const QString& name, const QStringList& arguments,
                         const QProcessEnvironment& environment,
                         std::chrono::milliseconds timeout) {
    EnsureApplication();
    ChildProcess process(BinaryPath(name), arguments, environment);
    ProgramResult result;
    if (process.Start()) {
        result.code = process.WaitForExit(timeout);
    }
    process.Stop();
    result.output = process.output();
    return result;
}

}  // namespace zuvo::test
