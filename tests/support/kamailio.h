#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

#include "tests/support/test_environment.h"

namespace zuvo::test {

// Kamailio as registrar and proxy on 127.0.0.1, started from deploy/kamailio/start on free ports.
// Its output is kept in RUN_DIR/kamailio.out.
class Kamailio {
public:
    struct Options {
        QString password = QStringLiteral("mirthful");
        QString forbiddenUser = QStringLiteral("forbidden_Z");
        int farEndPort = 0;
        bool tls = false;
    };
    Kamailio(const QString& runDir, const Options& options);
    ~Kamailio();
    Kamailio(const Kamailio&) = delete;
    Kamailio& operator=(const Kamailio&) = delete;

    // Starts it and waits until it listens on every port; on a port taken meanwhile it starts
    // again on other ones.
    bool Start();
    int udpPort() const { return m_udp; }
    int tcpPort() const { return m_tcp; }
    int tlsPort() const { return m_tls; }
    // The self-signed certificate of the TLS listener (made by Start).
    QString certificate() const { return m_runDir + QStringLiteral("/cert.pem"); }
    QByteArray output() const;
    void Stop();
    // Ends Kamailio and its children at once (SIGKILL), as a crash would: nothing is answered
    // and nothing is sent any more.
    void Kill();
    // Starts it again on the same ports after Stop or Kill; false when it did not come up.
    bool Restart();

private:
    bool StartOnce(const QStringList& tlsArguments, bool newPorts = true);

    QString m_runDir;
    Options m_options;
    int m_udp = 0;
    int m_tcp = 0;
    int m_tls = 0;
    QStringList m_tlsArguments;
    std::unique_ptr<ChildProcess> m_process;
};

}  // namespace zuvo::test
