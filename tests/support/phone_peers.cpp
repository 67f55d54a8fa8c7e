#include "tests/support/phone_peers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zuvo::test {

using namespace Qt::Literals::StringLiterals;

namespace {

// The password the phone answers the registrar's challenge with.
const QString kPhonePassword = u"mirthful"_s;

QJsonObject Account(const QString& account, const QString& pin) {
    return QJsonObject{
        {u"account"_s, account},
        {u"pin"_s, pin},
        {u"as"_s, u"1"_s},
        {u"phonecfg"_s, u"0"_s},  // no minutes, no pop-ups: nothing stands before a call
        {u"balance"_s, u"12.50"_s},
        {u"currency"_s, u"EUR"_s},
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
    StopAll();
}

void PhonePeers::StopAll() {
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
        StopAll();
    }
    return false;
}

bool PhonePeers::StartFarEnd() {
    if (m_options.scenario.isEmpty()) {
        m_farEndPort = FreePort(true);
        return true;
    }
    m_farEnd =
        std::make_unique<Sipp>(m_options.scenario, m_root + u"/logs"_s, m_options.sippArguments);
    if (m_options.farEndKeepsAnswering) {
        m_farEnd->SetLimits(0, 0);
    }
    if (!m_farEnd->Start()) {
        m_error = u"SIPp did not start: "_s + QString::fromUtf8(Logs());
        return false;
    }
    m_farEndPort = m_farEnd->port();
    return true;
}

bool PhonePeers::StartRegistrar() {
    if (!m_options.registrar) {
        m_registrarPort = FreePort(true);
        return true;
    }
    Kamailio::Options options;
    options.farEndPort = m_farEndPort;
    options.password =
        m_options.registrarPassword.isEmpty() ? kPhonePassword : m_options.registrarPassword;
    m_registrar = std::make_unique<Kamailio>(m_root + u"/logs/kamailio"_s, options);
    if (!m_registrar->Start()) {
        m_error = u"Kamailio did not start: "_s + QString::fromUtf8(Logs());
        return false;
    }
    m_registrarPort = m_registrar->udpPort();
    return true;
}

bool PhonePeers::StartSimulator() {
    if (!m_options.simulator) {
        m_webHost = u"127.0.0.1:"_s + QString::number(FreePort(false));
        return true;
    }
    QJsonObject accounts;
    if (!m_options.accounts.isEmpty()) {
        accounts = QJsonDocument::fromJson(m_options.accounts).object();
    } else if (m_options.accountsFile.isEmpty()) {
        accounts = QJsonObject{
            {u"accounts"_s,
             QJsonArray{Account(u"12345"_s, u"9876"_s),
                        // Kamailio turns the registrations of "forbidden_Z" away with 403.
                        Account(u"forbidden"_s, u"1111"_s)}},
            {u"routes"_s, QJsonArray{}},
        };
    } else {
        QFile file(m_options.accountsFile);
        if (!file.open(QIODevice::ReadOnly) || file.size() > 1 << 20) {
            m_error = u"cannot read "_s + m_options.accountsFile;
            return false;
        }
        accounts = QJsonDocument::fromJson(file.readAll()).object();
    }
    // Every account registers with our Kamailio (or, without servers, with none).
    const QJsonArray servers = m_options.sipServers
                                   ? QJsonArray{u"127.0.0.1:%1:UDP"_s.arg(m_registrarPort)}
                                   : QJsonArray{};
    QJsonArray list = accounts[u"accounts"_s].toArray();
    for (auto&& entry : list) {
        QJsonObject account = entry.toObject();
        account[u"pxy"_s] = servers;
        entry = account;
    }
    accounts[u"accounts"_s] = list;
    m_simulator =
        std::make_unique<ProviderSimulator>(m_root + u"/logs"_s, QJsonDocument(accounts).toJson());
    if (!m_simulator->Start()) {
        m_error = m_simulator->error();
        return false;
    }
    m_webHost = m_simulator->httpHost();
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

void PhonePeers::UseInThisProcess() const {
    qputenv("ZUVO_DEFAULT_WEB_HOST", m_webHost.toUtf8());
    qputenv("ZUVO_SIP_DOMAIN", "zuvo.test");
}

QString PhonePeers::FarEndMessages() const {
    return m_farEnd ? m_farEnd->Messages() : QString();
}

int PhonePeers::WaitFarEnd(std::chrono::milliseconds timeout) {
    if (!m_farEnd) {
        return -1;
    }
    return m_farEnd->Wait(
        static_cast<int>(std::chrono::ceil<std::chrono::seconds>(timeout).count()));
}

QByteArray PhonePeers::SimulatorLog() const {
    return m_simulator ? m_simulator->RequestLog() : QByteArray();
}

QByteArray PhonePeers::Logs() const {
    QByteArray logs;
    if (m_farEnd) {
        logs += "--- sipp\n" + m_farEnd->output().right(4000);
    }
    if (m_registrar) {
        logs += "--- kamailio\n" + m_registrar->output().right(4000);
    }
    if (m_simulator) {
        logs += "--- simulator\n" + m_simulator->output().right(4000);
    }
    return logs;
}

QString FinalAnswerScenario(const QString& folder, int code, const QString& reason) {
    QFile source(SourcePath(u"deploy/sipp/uas_final_answer.xml"_s));
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

IdlePhone::IdlePhone(PhonePeers& peers) : m_peers(peers) {}

bool IdlePhone::Launch(const QStringList& extra) {
    QProcessEnvironment env = m_peers.Environment();
    env.insert(u"QT_LOGGING_RULES"_s, u"zuvo.window.debug=true;zuvo.logic.debug=true"_s);
    m_phone = std::make_unique<ChildProcess>(
        BinaryPath(u"zuvo"_s),
        QStringList{u"/T"_s, u"/B12345"_s, u"/P9876"_s, u"/C60"_s, u"/R60"_s, u"/U600"_s} + extra,
        env);
    return m_phone->Start();
}

bool IdlePhone::SignedIn() {
    m_output += m_phone->process().readAll();
    return m_peers.SignedIn() || m_output.contains("balance request (with connection true");
}

bool IdlePhone::WaitUntilIdleAndSignedIn(std::chrono::seconds timeout) {
    if (!WaitUntil([this] { return SignedIn(); }, timeout)) {
        return false;
    }
    WaitUntil([] { return false; }, std::chrono::milliseconds(5500));
    return Running();
}

bool IdlePhone::WaitForOutput(const QByteArray& text, std::chrono::milliseconds timeout) {
    return WaitUntil(
        [&] {
            m_output += m_phone->process().readAll();
            return m_output.contains(text);
        },
        timeout);
}

bool IdlePhone::Running() const {
    return m_phone && m_phone->process().state() == QProcess::Running;
}

qint64 IdlePhone::ProcessId() const {
    return Running() ? m_phone->process().processId() : 0;
}

QByteArray IdlePhone::Output() {
    return m_phone ? (m_output + m_phone->output()).right(3000) : QByteArray();
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
