// zuvo-peers: the far side of the phone on 127.0.0.1 for the demo and the benchmarks, started by
// the same code as the tests' peers. Prints the environment a phone needs as shell lines
// ("export NAME=VALUE"), then "ready", and runs until SIGTERM or SIGINT or until its standard
// input ends; then it stops every peer it started.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

#include "tests/support/phone_peers.h"

using namespace Qt::Literals::StringLiterals;

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_signalPipe[1], &byte, 1);
}

// A value the shell reads back as it is.
QString ShellQuoted(const QString& value) {
    static const QRegularExpression plain(u"^[A-Za-z0-9_./:=+-]*$"_s);
    if (plain.match(value).hasMatch()) {
        return value;
    }
    QString quoted = value;
    quoted.replace(u"'"_s, u"'\\''"_s);
    return u"'"_s + quoted + u"'"_s;
}

void Print(const QString& name, const QString& value) {
    std::printf("export %s=%s\n", qPrintable(name), qPrintable(ShellQuoted(value)));
}

int Fail(const QString& message) {
    std::fprintf(stderr, "zuvo-peers: %s\n", qPrintable(message));
    return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"zuvo-peers"_s);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"Starts Kamailio, a SIPp far end and the provider simulator on 127.0.0.1"_s);
    parser.addHelpOption();
    const QCommandLineOption runDir(u"run-dir"_s, u"folder for the peers' files and logs"_s,
                                    u"dir"_s);
    const QCommandLineOption sourceDir(u"source-dir"_s, u"the source tree (deploy/ is used)"_s,
                                       u"dir"_s);
    const QCommandLineOption binDir(u"bin-dir"_s, u"folder with zuvo-provider-sim"_s, u"dir"_s,
                                    QCoreApplication::applicationDirPath());
    const QCommandLineOption accounts(u"accounts"_s, u"the simulator's accounts file (JSON)"_s,
                                      u"file"_s);
    const QCommandLineOption farEnd(u"far-end"_s, u"SIPp scenario in deploy/sipp"_s, u"scenario"_s,
                                    u"uas_answer_wait_bye.xml"_s);
    const QCommandLineOption echo(u"echo"_s, u"the far end sends the caller's audio back"_s);
    parser.addOptions({runDir, sourceDir, binDir, accounts, farEnd, echo});
    parser.process(app);
    if (!parser.isSet(runDir) || !parser.isSet(sourceDir)) {
        return Fail(u"--run-dir and --source-dir are required"_s);
    }
    const QString scenario = parser.value(farEnd);
    if (scenario.contains(u'/')) {
        return Fail(u"the far end is a scenario name in deploy/sipp"_s);
    }
    // The peers find our programs and the deploy folder as they do in tests.
    qputenv("ZUVO_BIN_DIR", QFile::encodeName(QDir(parser.value(binDir)).absolutePath()));
    qputenv("ZUVO_SOURCE_DIR", QFile::encodeName(QDir(parser.value(sourceDir)).absolutePath()));

    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return Fail(u"cannot make a pipe"_s);
    }
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);
    QSocketNotifier signalled(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalled, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    zuvo::test::PhonePeers::Options options;
    options.scenario = scenario;
    if (parser.isSet(echo)) {
        options.sippArguments << u"-rtp_echo"_s;
    }
    options.accountsFile = parser.value(accounts);
    options.farEndKeepsAnswering = true;
    const QString root = QDir(parser.value(runDir)).absolutePath();
    zuvo::test::PhonePeers peers(root, options);
    if (!peers.Start()) {
        return Fail(peers.error());
    }
    const QProcessEnvironment environment = peers.Environment();
    Print(u"ZUVO_DEFAULT_WEB_HOST"_s, peers.webHost());
    // The home page too comes from the simulator, never from a host outside the machine.
    Print(u"ZUVO_HOME_HOST"_s, peers.webHost());
    Print(u"ZUVO_SIP_DOMAIN"_s, environment.value(u"ZUVO_SIP_DOMAIN"_s));
    Print(u"ZUVO_HOSTS_FILE"_s, environment.value(u"ZUVO_HOSTS_FILE"_s));
    Print(u"ZUVO_PEERS_SIP_PORT"_s, QString::number(peers.registrarPort()));
    Print(u"ZUVO_PEERS_FAR_END_PORT"_s, QString::number(peers.farEndPort()));
    Print(u"ZUVO_PEERS_LOGS"_s, root + u"/logs"_s);
    std::printf("ready\n");
    std::fflush(stdout);

    // The end of our standard input (the starter went away) stops the peers too.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[256];
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    QCoreApplication::exec();
    return 0;
}
