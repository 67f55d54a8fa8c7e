#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

#include "tests/support/test_environment.h"

namespace zuvo::test {

// One SIPp run on 127.0.0.1 of a scenario from deploy/sipp (or at an absolute path), on a free
// port with an even media port. It keeps its logs in the run folder: the SIP messages
// (sipp-PORT.log), its errors (sipp-PORT.err) and its screen (sipp-PORT.out).
class Sipp {
public:
    Sipp(const QString& scenario, const QString& runDir, const QStringList& extra = {});
    ~Sipp();
    Sipp(const Sipp&) = delete;
    Sipp& operator=(const Sipp&) = delete;

    // How long it runs: this many calls (0 = no limit; one unless extra gives -m) and this long
    // in all (0 = no limit). Before Start.
    void SetLimits(int calls, int timeoutSeconds);
    // Starts it and waits until it holds its port (or, as a caller, has already ended).
    bool Start();
    int port() const { return m_port; }
    int mediaPort() const { return m_mediaPort; }
    // Exit code once the scenario is over (0 = every call succeeded), -1 on time-out.
    int Wait(int seconds = 30);
    QString Messages() const;   // the SIP messages SIPp saw and sent
    QByteArray output() const;  // its screen and errors
    void Stop();
    // Its process id while it runs (to stop and continue it), 0 otherwise.
    qint64 processId() const;

private:
    bool StartOnce();
    QString LogPath(const QString& suffix) const;

    QString m_scenario;
    QString m_runDir;
    QStringList m_extra;
    int m_calls = 1;
    int m_timeoutSeconds = 60;
    int m_port = 0;
    int m_mediaPort = 0;
    std::unique_ptr<ChildProcess> m_process;
    int m_exit = -2;
};

// A caller, not yet started, that rings `user` through the registrar on 127.0.0.1:registrarPort
// and gives up after a second of ringing (one call, 30 s at most). It fails unless the callee
// rings.
std::unique_ptr<Sipp> RingingCaller(const QString& runDir, const QString& user, int registrarPort);

}  // namespace zuvo::test
