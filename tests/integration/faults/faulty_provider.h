#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <memory>

#include "tests/support/test_environment.h"

namespace zuvo::test {

// faulty_provider.py on 127.0.0.1: the provider simulator behind a front that misbehaves on
// request (a 500, a reset, a held or dripping answer, a redirect, a huge or garbled answer) for
// the requests of one task. Its output is kept in RUN_DIR/faulty.out.
class FaultyProvider {
public:
    FaultyProvider(const QString& runDir, int upstreamPort);
    ~FaultyProvider();
    FaultyProvider(const FaultyProvider&) = delete;
    FaultyProvider& operator=(const FaultyProvider&) = delete;

    // Starts it on port (0: a free one) and waits until it answers.
    bool Start(int port = 0);
    // Ends it at once, as a crash would: connections it holds are reset, new ones refused.
    void Kill();
    int port() const { return m_port; }
    QString host() const { return QStringLiteral("127.0.0.1:") + QString::number(m_port); }

    // Sets the one fault (query of /fault/set: task, mode, seconds, size, count); true when
    // it agreed.
    bool SetFault(const QString& query) const;
    bool Clear() const;
    // {"tasks": [task of each request], "applied": ["TASK:mode", ...], "other": requests that
    // reached the host redirects point to}.
    QJsonObject Log() const;
    // How often a fault was applied to requests of this task.
    int Applied(const QString& task) const;
    QByteArray output() const;

private:
    QByteArray Get(const QByteArray& target) const;

    QString m_runDir;
    int m_upstream = 0;
    int m_port = 0;
    std::unique_ptr<ChildProcess> m_process;
};

}  // namespace zuvo::test
