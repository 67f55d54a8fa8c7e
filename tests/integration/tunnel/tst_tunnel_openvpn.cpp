// The real OpenVPN tunnel component end to end. The test makes two network namespaces joined by
// a veth pair (their addresses exist only inside them), runs an OpenVPN server with a throw-away
// certificate authority in one, and moves itself into the other before anything else starts, so
// the phone, the provider simulator and Kamailio all live there. The phone signs in with
// "Use VPN Tunnel" ticked: the tunnel comes up with the request key as its credential, the
// service's routes go through the tunnel device, and the tunnel is gone after signing out.

#include <QtTest>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpSocket>

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/core/app_globals.h"
#include "app/dialogs/message_box.h"
#include "app/dialogs/signin_dialog.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "app/ui/main_window.h"
#include "app/ui/phone_display.h"
#include "platform/ids.h"
#include "platform/plugin_abi.h"
#include "platform/registry.h"
#include "tests/support/phone_peers.h"
#include "tests/support/test_environment.h"
#include "tests/ui/support/signin_driver.h"

extern char** environ;

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

constexpr auto kLong = std::chrono::seconds(60);
// Inside the namespaces only: the veth pair and the tunnel's own network.
constexpr const char* kServerAddress = "198.18.0.1";
constexpr const char* kTunnelNetwork = "198.18.8.0";
constexpr const char* kDevice = "zuvotun";

// What main() set up before the test object runs.
struct Namespaces {
    std::string server;
    std::string phone;
    std::string folder;  // the PKI, the server's log and the key it was given
    pid_t serverPid = -1;
    std::string skip;   // why the test cannot run here
    std::string error;  // set-up failed although namespaces can be made
} g_ns;

int Run(const std::vector<std::string>& arguments, bool quiet = true) {
    std::vector<char*> argv;
    for (const auto& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        return -1;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool WriteFile(const std::string& path, const std::string& text, mode_t mode) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    std::fclose(file);
    return ok && chmod(path.c_str(), mode) == 0;
}

std::string ReadFile(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.read(1 << 20).toStdString() : std::string();
}

// Namespaces left by an earlier run of this test that was killed.
void RemoveStaleNamespaces() {
    QDir dir(u"/run/netns"_s);
    for (const QString& name : dir.entryList({u"zuvo-vpn-*"_s}, QDir::Files | QDir::System)) {
        const pid_t owner = name.section(u'-', 3, 3).toInt();
        if (owner > 0 && kill(owner, 0) != 0) {
            Run({"ip", "netns", "del", name.toStdString()});
        }
    }
}

// A certificate authority and a server certificate for the tunnel service, made for this run.
bool MakePki(const std::string& d) {
    const std::string ec = "ec_paramgen_curve:prime256v1";
    return WriteFile(d + "/server.ext",
                     "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                     "extendedKeyUsage=serverAuth\n",
                     0600) &&
           Run({"openssl", "req",
                "-x509",   "-newkey",
                "ec",      "-pkeyopt",
                ec,        "-nodes",
                "-keyout", d + "/ca.key",
                "-out",    d + "/ca.crt",
                "-days",   "2",
                "-subj",   "/CN=Zuvo test tunnel authority",
                "-addext", "basicConstraints=critical,CA:TRUE",
                "-addext", "keyUsage=critical,keyCertSign,cRLSign"}) == 0 &&
           Run({"openssl", "req", "-newkey", "ec", "-pkeyopt", ec, "-nodes", "-keyout",
                d + "/server.key", "-out", d + "/server.csr", "-subj", "/CN=tunnel.zuvo.test"}) ==
               0 &&
           Run({"openssl", "x509", "-req", "-in", d + "/server.csr", "-CA", d + "/ca.crt", "-CAkey",
                d + "/ca.key", "-CAcreateserial", "-out", d + "/server.crt", "-days", "2",
                "-extfile", d + "/server.ext"}) == 0;
}

bool StartServer() {
    const std::string& d = g_ns.folder;
    // The service accepts the user "zuvo" with an upper-case hexadecimal key (unless told to
    // refuse every key), and keeps the key so the test can show it is the phone's request key.
    const std::string verify =
        "#!/bin/sh\nuser=$(sed -n 1p \"$1\")\npass=$(sed -n 2p \"$1\")\n"
        "printf '%s' \"$pass\" > '" +
        d +
        "/key.seen'\n"
        "[ -e '" +
        d +
        "/refuse' ] && exit 1\n"
        "[ \"$user\" = zuvo ] && printf '%s' \"$pass\" | "
        "grep -Eq '^[0-9A-F]{16,}$'\n";
    if (!WriteFile(d + "/verify.sh", verify, 0700)) {
        return false;
    }
    std::vector<std::string> arguments = {"ip",
                                          "netns",
                                          "exec",
                                          g_ns.server,
                                          "openvpn",
                                          "--server",
                                          kTunnelNetwork,
                                          "255.255.255.0",
                                          "--topology",
                                          "subnet",
                                          "--dev",
                                          "tun",
                                          "--proto",
                                          "udp",
                                          "--local",
                                          kServerAddress,
                                          "--port",
                                          "1194",
                                          "--ca",
                                          d + "/ca.crt",
                                          "--cert",
                                          d + "/server.crt",
                                          "--key",
                                          d + "/server.key",
                                          "--dh",
                                          "none",
                                          "--verify-client-cert",
                                          "none",
                                          "--username-as-common-name",
                                          "--auth-user-pass-verify",
                                          d + "/verify.sh",
                                          "via-file",
                                          "--script-security",
                                          "2",
                                          "--tmp-dir",
                                          d,
                                          "--disable-dco",
                                          "--keepalive",
                                          "10",
                                          "60",
                                          "--verb",
                                          "3",
                                          "--log",
                                          d + "/server.log"};
    std::vector<char*> argv;
    for (const auto& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    if (posix_spawnp(&g_ns.serverPid, "ip", nullptr, nullptr, argv.data(), environ) != 0) {
        g_ns.serverPid = -1;
        return false;
    }
    for (int i = 0; i < 150; ++i) {
        if (ReadFile(d + "/server.log").find("Initialization Sequence Completed") !=
            std::string::npos) {
            return true;
        }
        usleep(100000);
    }
    return false;
}

// Makes the namespaces and the server, then moves this process (still single-threaded, so all
// its later threads and children follow) into the phone's namespace.
void SetUp() {
    if (geteuid() != 0) {
        g_ns.skip = "network namespaces need root (CAP_SYS_ADMIN and CAP_NET_ADMIN)";
        return;
    }
    RemoveStaleNamespaces();
    const std::string id = std::to_string(getpid());
    g_ns.server = "zuvo-vpn-s-" + id;
    g_ns.phone = "zuvo-vpn-p-" + id;
    if (Run({"ip", "netns", "add", g_ns.server}) != 0) {
        g_ns.server.clear();
        g_ns.skip = "this machine cannot make network namespaces (ip netns add failed)";
        return;
    }
    if (Run({"ip", "netns", "add", g_ns.phone}) != 0) {
        g_ns.phone.clear();
        g_ns.skip = "this machine cannot make a second network namespace";
        return;
    }
    if (access("/dev/net/tun", R_OK | W_OK) != 0) {
        g_ns.skip = "no /dev/net/tun on this machine";
        return;
    }
    const std::string s = g_ns.server;
    const std::string p = g_ns.phone;
    const bool linked = Run({"ip", "-n", s, "link", "add", "veth0", "type", "veth", "peer", "name",
                             "veth1", "netns", p}) == 0 &&
                        Run({"ip", "-n", s, "addr", "add", std::string(kServerAddress) + "/30",
                             "dev", "veth0"}) == 0 &&
                        Run({"ip", "-n", p, "addr", "add", "198.18.0.2/30", "dev", "veth1"}) == 0 &&
                        Run({"ip", "-n", s, "link", "set", "veth0", "up"}) == 0 &&
                        Run({"ip", "-n", p, "link", "set", "veth1", "up"}) == 0 &&
                        Run({"ip", "-n", s, "link", "set", "lo", "up"}) == 0 &&
                        Run({"ip", "-n", p, "link", "set", "lo", "up"}) == 0;
    if (!linked) {
        g_ns.skip = "this machine cannot make a veth pair between namespaces";
        return;
    }
    std::string folder = "/tmp/zuvo-vpn-test-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        g_ns.error = "no temporary folder";
        return;
    }
    g_ns.folder = folder;
    if (!MakePki(folder)) {
        g_ns.error = "openssl could not make the test certificates";
        return;
    }
    if (!StartServer()) {
        g_ns.error = "the OpenVPN server did not start: " + ReadFile(folder + "/server.log");
        return;
    }
    const int fd = open(("/run/netns/" + p).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || setns(fd, CLONE_NEWNET) != 0) {
        g_ns.error = "cannot enter the phone's namespace";
    }
    if (fd >= 0) {
        close(fd);
    }
}

void TearDown() {
    if (g_ns.serverPid > 0) {
        kill(g_ns.serverPid, SIGTERM);
        int status = 0;
        waitpid(g_ns.serverPid, &status, 0);
    }
    for (const std::string& name : {g_ns.server, g_ns.phone}) {
        if (!name.empty()) {
            Run({"ip", "netns", "del", name});
        }
    }
    if (!g_ns.folder.empty()) {
        QDir(QString::fromStdString(g_ns.folder)).removeRecursively();
    }
}

// The account the phone signs in with (its SIP server is the test's Kamailio) and the routes the
// service hands to the tunnel.
constexpr const char kAccounts[] =
    R"({"accounts": [{"account": "12345", "pin": "9876", "as": "1",
            "phonecfg": "0", "balance": "12.50", "currency": "EUR",
            "hosts": ["zuvo.test:127.0.0.1"], "web": []}],
            "routes": [["198.19.1.0", "255.255.255.0"], ["198.19.2.0", "255.255.254.0"],
                       ["198.19.9.1", "255.255.0.0"]]})";

// The OpenVPN clients this process started (the server is its child too).
int OpenVpnClients() {
    QProcess pgrep;
    pgrep.start(u"pgrep"_s,
                {u"-P"_s, QString::number(getpid()), u"-f"_s, u"^/usr/sbin/openvpn --client "_s});
    pgrep.waitForFinished(10000);
    return static_cast<int>(pgrep.readAllStandardOutput().count('\n'));
}

QString Ip(const QStringList& arguments) {
    QProcess ip;
    ip.start(u"ip"_s, arguments);
    ip.waitForFinished(10000);
    return QString::fromUtf8(ip.readAllStandardOutput() + ip.readAllStandardError());
}

}  // namespace

class TestTunnelOpenVpn : public QObject {
    Q_OBJECT

    std::unique_ptr<test::TestEnvironment> m_env;
    std::unique_ptr<test::PhonePeers> m_peers;
    std::unique_ptr<CMainWindow> m_window;
    int m_dialogs = 0;
    int m_answers = 0;
    QList<bool> m_tickShown;
    QStringList m_messages;
    bool m_deviceAtDialog = false;
    bool m_routesAtDialog = false;
    int m_clientsAtDialog = 0;

    void DriveDialogs() {
        if (CSigninDialog* dialog = test::UnansweredSigninDialog()) {
            ++m_dialogs;
            auto* tick = dialog->findChild<QCheckBox*>(QString::number(Ctl::Signin::UseTunnel));
            m_tickShown << (tick != nullptr && tick->isVisibleTo(dialog) && tick->isChecked());
            // What the user has while the dialog asks again (the phone has not closed yet).
            m_deviceAtDialog = !Ip({u"link"_s, u"show"_s, u"dev"_s, QString::fromLatin1(kDevice)})
                                    .contains(u"not exist"_s);
            m_routesAtDialog = Ip({u"-4"_s, u"route"_s}).contains(u"198.19."_s);
            m_clientsAtDialog = OpenVpnClients();
            if (m_answers > 0) {
                --m_answers;
                test::SignIn(*dialog);
            } else {
                test::CancelSignIn(*dialog);
            }
        }
        QTimer::singleShot(50, this, &TestTunnelOpenVpn::DriveDialogs);
    }

    QList<QJsonObject> Requests(const QString& task) const {
        return m_peers->simulator()->Requests(task);
    }

    // Asks the simulator whether a key is a request key it accepts, and for which account.
    QString AccountOfKey(const QString& key) const {
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s,
                             static_cast<quint16>(m_peers->simulator()->httpPort()));
        if (!socket.waitForConnected(5000)) {
            return {};
        }
        socket.write("GET /ZuvoDialler/phone.ashx?task=VV&key=" + key.toLatin1() +
                     "&ver=5.85.EN.000.600.002 HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
        while (socket.waitForReadyRead(5000)) {
        }
        const auto checks = Requests(u"VV"_s);
        const QJsonObject facts =
            checks.isEmpty() ? QJsonObject() : checks.last().value(u"facts"_s).toObject();
        return facts.value(u"key"_s).toString() == u"accepted"_s
                   ? facts.value(u"account"_s).toString()
                   : QString();
    }

    QString Status() const { return PhoneDisplay::StatusText(m_window->state()); }

private Q_SLOTS:
    void initTestCase() {
        if (!g_ns.skip.empty()) {
            QSKIP(g_ns.skip.c_str());
        }
        QVERIFY2(g_ns.error.empty(), g_ns.error.c_str());
        QVERIFY(StringTable::Global().Load());
        m_env = std::make_unique<test::TestEnvironment>();
        Registry machine(Registry::LocalMachinePath());
        QVERIFY(machine.WriteString(u"Software\\Classes\\CLSID\\" ZUVO_TUNNEL_CLASS_ID
                                    "\\InprocServer32"_s,
                                    {}, QStringLiteral(OPENVPN_TUNNEL)));
        test::PhonePeers::Options options;
        options.scenario = u"uas_answer_wait_bye.xml"_s;
        options.accounts = kAccounts;
        m_peers = std::make_unique<test::PhonePeers>(m_env->path(u"peers"_s), options);
        QVERIFY2(m_peers->Start(), qPrintable(m_peers->error()));
        m_peers->UseInThisProcess();
        qputenv("ZUVO_TUNNEL_HOST", kServerAddress);
        qputenv("ZUVO_TUNNEL_CA", QByteArray::fromStdString(g_ns.folder + "/ca.crt"));
        SetMessageBoxHook([this](const MessageBoxRequest& r) {
            m_messages << r.text;
            return Cmd::Ok;
        });
        QTimer::singleShot(50, this, &TestTunnelOpenVpn::DriveDialogs);
    }

    void cleanup() {
        if (m_window) {
            m_answers = 0;
            m_window->port().PostMessage(Wm::Close, 0, 0);
            test::WaitUntil([this] { return m_window->isHidden(); }, kLong);
            QTest::qWait(200);
            m_window.reset();
        }
    }

    void cleanupTestCase() {
        SetMessageBoxHook(nullptr);
        m_peers.reset();
        for (const char* name :
             {"ZUVO_DEFAULT_WEB_HOST", "ZUVO_SIP_DOMAIN", "ZUVO_TUNNEL_HOST", "ZUVO_TUNNEL_CA"}) {
            qunsetenv(name);
        }
        m_env.reset();
    }

    void signsInThroughTheTunnelAndTakesItDownAtSignOut() {
        m_answers = 1;
        App().commandLine = CommandLineOptions{};
        m_window = std::make_unique<CMainWindow>();
        m_window->show();
        QVERIFY(m_window->tunnel() != nullptr);
        QVERIFY2(test::WaitUntil([this] { return Status() == u"Ready to call"_s; }, kLong),
                 qPrintable(Status() + u"; "_s + m_messages.join(u';') + u"; server: "_s +
                            QString::fromStdString(ReadFile(g_ns.folder + "/server.log"))));
        QCOMPARE(m_tickShown, QList<bool>{true});
        QVERIFY(m_messages.isEmpty());

        // The server gave the tunnel an address in its network; the phone knows it.
        const QString address = m_window->state().service.tunnelLocalAddress;
        QVERIFY2(address.startsWith(u"198.18.8."_s), qPrintable(address));
        QVERIFY(Ip({u"-4"_s, u"addr"_s, u"show"_s, u"dev"_s, QString::fromLatin1(kDevice)})
                    .contains(address + u'/'));
        // The routes of the VP reply go through the tunnel device; the one whose network has
        // bits outside its mask is refused.
        const QString routes =
            Ip({u"-4"_s, u"route"_s, u"show"_s, u"dev"_s, QString::fromLatin1(kDevice)});
        QVERIFY2(routes.contains(u"198.19.1.0/24"_s), qPrintable(routes));
        QVERIFY2(routes.contains(u"198.19.2.0/23"_s), qPrintable(routes));
        QVERIFY2(!routes.contains(u"198.19.0.0/16"_s) && !routes.contains(u"198.19.9."_s),
                 qPrintable(routes));
        QVERIFY(Ip({u"-4"_s, u"route"_s, u"get"_s, u"198.19.2.200"_s})
                    .contains(u"dev "_s + QString::fromLatin1(kDevice)));
        // Traffic really crosses: the server's end of the tunnel refuses a connection (rather
        // than the attempt going nowhere).
        QTcpSocket probe;
        probe.connectToHost(u"198.18.8.1"_s, 9);
        probe.waitForConnected(10000);
        QCOMPARE(probe.error(), QAbstractSocket::ConnectionRefusedError);

        // The service heard of the tunnel's version and device.
        const auto checks = Requests(u"VV"_s);
        QVERIFY(!checks.isEmpty());
        QVERIFY2(checks.last().value(u"target"_s).toString().contains(u"&vpnver=OpenVPN%202."_s),
                 qPrintable(checks.last().value(u"target"_s).toString()));
        QTRY_VERIFY_WITH_TIMEOUT(!Requests(u"AB"_s).isEmpty(), 20000);
        const QString connection = Requests(u"AB"_s)
                                       .first()
                                       .value(u"facts"_s)
                                       .toObject()
                                       .value(u"connection"_s)
                                       .toString();
        QVERIFY2(connection.contains(u"|zuvotun|OpenVPN 2."_s), qPrintable(connection));

        // Last, as it adds a request of its own: the key the tunnel service was given is the
        // phone's request key for this account.
        const QString key = QString::fromStdString(ReadFile(g_ns.folder + "/key.seen"));
        QCOMPARE(AccountOfKey(key), u"12345"_s);

        QCOMPARE(OpenVpnClients(), 1);

        // Signing out takes the tunnel down before the sign-in dialog shows again: no device,
        // no routes, no client.
        m_answers = 0;
        m_window->SignOut();
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs, 2, 60000);
        QVERIFY(!m_deviceAtDialog);
        QVERIFY(!m_routesAtDialog);
        QCOMPARE(m_clientsAtDialog, 0);
    }

    void aKeyTheServiceRefusesEndsTheSignIn() {
        QVERIFY(WriteFile(g_ns.folder + "/refuse", "", 0600));
        QFile::remove(QString::fromStdString(g_ns.folder + "/key.seen"));
        m_dialogs = 0;
        m_messages.clear();
        m_answers = 1;
        App().commandLine = CommandLineOptions{};
        m_window = std::make_unique<CMainWindow>();
        m_window->show();
        // Back at the sign-in dialog with "service unavailable"; no tunnel, no client.
        QTRY_COMPARE_WITH_TIMEOUT(m_dialogs, 2, 60000);
        QVERIFY(!m_deviceAtDialog);
        QCOMPARE(m_clientsAtDialog, 0);
        QCOMPARE(m_messages, QStringList{StringTable::Global().Text(StringId::ServiceUnavailable)});
        QVERIFY(QFile::exists(QString::fromStdString(g_ns.folder + "/key.seen")));
        QVERIFY(Ip({u"link"_s, u"show"_s, u"dev"_s, QString::fromLatin1(kDevice)})
                    .contains(u"not exist"_s));
        QCOMPARE(OpenVpnClients(), 0);
        QVERIFY(Requests(u"VP"_s).size() == 1);  // only the first sign-in asked for routes
        QFile::remove(QString::fromStdString(g_ns.folder + "/refuse"));
    }
};

int main(int argc, char** argv) {
    SetUp();
    int result = 0;
    {
        QApplication app(argc, argv);
        TestTunnelOpenVpn test;
        result = QTest::qExec(&test, argc, argv);
    }
    TearDown();
    return result;
}

#include "tst_tunnel_openvpn.moc"
