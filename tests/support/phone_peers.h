#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

#include "tests/support/kamailio.h"
#include "tests/support/provider_simulator.h"
#include "tests/support/sipp.h"
#include "tests/support/test_environment.h"

namespace zuvo::test {

// The whole far side of the phone on 127.0.0.1, each on a free port: the provider simulator (web
// service), Kamailio (registrar and proxy) and a SIPp far end to which Kamailio hands every call.
// Each instance keeps its own folder (settings hives, bus folder, hosts file, logs) under the
// given root, so several phones with their own peers can run side by side.
class PhonePeers {
public:
    struct Options {
        // SIPp scenario: a name in deploy/sipp, or an absolute path; empty = no far end (calls go
        // to a port where nothing listens).
        QString scenario;
        QStringList sippArguments;  // e.g. -rtp_echo, -d 2000, -key code 486
        QString registrarPassword;  // empty = the password the phone registers with
        bool simulator = true;      // false: nothing answers on the web host
        bool registrar = true;      // false: no Kamailio
        bool sipServers = true;     // false: the service's configuration reply names no server
        // The simulator's accounts file; every account's SIP server becomes the registrar. Empty:
        // accounts 12345 (PIN 9876) and forbidden (PIN 1111).
        QString accountsFile;
        // The same as JSON text, in place of a file.
        QByteArray accounts;
        // The far end keeps answering, call after call, for as long as it runs (the demo).
        bool farEndKeepsAnswering = false;
    };

    PhonePeers(const QString& root, Options options);
    ~PhonePeers();
    PhonePeers(const PhonePeers&) = delete;
    PhonePeers& operator=(const PhonePeers&) = delete;

    // Starts every peer asked for and waits until each answers; false with error() set otherwise.
    bool Start();
    QString error() const { return m_error; }

    // "127.0.0.1:PORT" of the simulator (or of a port where nothing listens without one).
    QString webHost() const { return m_webHost; }
    int registrarPort() const { return m_registrarPort; }
    int farEndPort() const { return m_farEndPort; }

    // The environment for a phone (and for zuvo-ctl and zuvo-reg talking to it): this instance's
    // folders, the web host, the SIP domain, the offscreen platform.
    QProcessEnvironment Environment() const;
    // Points a phone window made in this process at these peers: the web host and the SIP domain
    // (the process keeps its own folders).
    void UseInThisProcess() const;

    // The simulator's request log (JSON); "task=AB" in it means the phone signed in.
    QByteArray SimulatorLog() const;
    bool SignedIn() const { return SimulatorLog().contains("task=AB"); }

    // SIP messages the far end saw and sent so far.
    QString FarEndMessages() const;
    bool FarEndSaw(const QString& text) const { return FarEndMessages().contains(text); }
    // Waits for the far end's scenario to end; its exit code (0 = the call went as scripted), or
    // -1 on time-out.
    int WaitFarEnd(std::chrono::milliseconds timeout);
    // The peers themselves, for tests that make them fail; null when not started.
    Kamailio* registrar() { return m_registrar.get(); }
    Sipp* farEnd() { return m_farEnd.get(); }
    ProviderSimulator* simulator() { return m_simulator.get(); }
    // The tail of every peer's log, for failure messages.
    QByteArray Logs() const;

private:
    bool StartFarEnd();
    bool StartRegistrar();
    bool StartSimulator();
    void StopAll();

    QString m_root;
    Options m_options;
    QString m_error;
    QString m_webHost;
    int m_farEndPort = 0;
    int m_registrarPort = 0;
    std::unique_ptr<Sipp> m_farEnd;
    std::unique_ptr<Kamailio> m_registrar;
    std::unique_ptr<ProviderSimulator> m_simulator;
};

// A phone that signs in unattended with account 12345, finds no number to dial and then waits
// (/U600) for a call that the test places, against the given peers. The phone notes each sign-in
// (its balance request) in its debug output, which is kept for failure reports.
class IdlePhone {
public:
    explicit IdlePhone(PhonePeers& peers);
    // Extra switches go after the phone's own (for example /J and a report file).
    bool Launch(const QStringList& extra = {});
    // Registered, and its cycle has tried (5 s later) to dial the empty number line, so that
    // nothing of the cycle falls into a call the test makes; false when that did not happen within
    // timeout or the phone has ended.
    bool WaitUntilIdleAndSignedIn(std::chrono::seconds timeout = std::chrono::seconds(20));
    // True once the phone's output (its log) holds this text.
    bool WaitForOutput(const QByteArray& text, std::chrono::milliseconds timeout);
    bool Running() const;
    // The phone's process id while it runs, 0 otherwise.
    qint64 ProcessId() const;
    int WaitForExit(std::chrono::milliseconds timeout) { return m_phone->WaitForExit(timeout); }
    // What the phone printed so far, at most the last 3000 bytes.
    QByteArray Output();

private:
    bool SignedIn();

    PhonePeers& m_peers;
    std::unique_ptr<ChildProcess> m_phone;
    QByteArray m_output;
};

// Runs one of our programs with the given environment until it ends; its exit code (-1 on time-out
// or crash) and what it printed.
struct ProgramResult {
    int code = -1;
    QByteArray output;
};
ProgramResult RunProgram(const QString& name, const QStringList& arguments,
                         const QProcessEnvironment& environment,
                         std::chrono::milliseconds timeout = std::chrono::seconds(15));

// Writes into folder a far-end scenario that turns every call away with this final answer (486
// Busy Here, 404 Not Found, ...); its path.
QString FinalAnswerScenario(const QString& folder, int code, const QString& reason);

// Makes sure a QCoreApplication exists for the event loop that child processes are driven by.
void EnsureApplication();

}  // namespace zuvo::test
