#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

#include "tests/support/test_environment.h"

namespace zuvo::test {

// The provider simulator (zuvo-provider-sim) on 127.0.0.1 with the given accounts, on free
// ports. It keeps its accounts file, ports line and output (sim.out) in the run folder.
class ProviderSimulator {
public:
    // accounts: the accounts file (JSON). https: also HTTPS, with a certificate made in
    // RUN_DIR/cert.
    // httpPort: 0 for any free one, or one the test picked (so the accounts can name it).
    ProviderSimulator(const QString& runDir, const QByteArray& accounts, bool https = false,
                      int httpPort = 0);
    ~ProviderSimulator();
    ProviderSimulator(const ProviderSimulator&) = delete;
    ProviderSimulator& operator=(const ProviderSimulator&) = delete;

    // Starts it and waits until it answers on HTTP; false with error() set otherwise.
    bool Start();
    QString error() const { return m_error; }

    int httpPort() const { return m_http; }
    QString httpHost() const { return QStringLiteral("127.0.0.1:") + QString::number(m_http); }
    QString httpsHost() const { return QStringLiteral("127.0.0.1:") + QString::number(m_https); }
    QString certificate() const { return m_certificate; }

    // What it was asked so far (its /sim/log reply, JSON), fetched without an event loop.
    QByteArray RequestLog() const;
    // The entries of the request log, in order; with a task ("AB", "VV"...) only that task's.
    QList<QJsonObject> Requests(const QString& task = {}) const;
    // The targets of the requests so far, in order (from the request log).
    QStringList RequestTargets() const;
    // Changes its behaviour through /sim/control (query such as "clock=1/4/2011,9:0:0"); true
    // when it agreed.
    bool Control(const QString& query) const;
    QByteArray output() const;
    void Stop();

private:
    QByteArray Get(const QByteArray& target) const;

    QString m_runDir;
    QByteArray m_accounts;
    bool m_withHttps = false;
    int m_wantedHttp = 0;
    QString m_error;
    int m_http = 0;
    int m_https = 0;
    QString m_certificate;
    std::unique_ptr<ChildProcess> m_process;
};

}  // namespace zuvo::test
