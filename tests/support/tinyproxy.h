#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

#include "tests/support/test_environment.h"

namespace zuvo::test {

// A real tinyproxy on 127.0.0.1 with Basic authentication, on a free port. Its configuration
// and output (tinyproxy.out) stay in the run folder.
class Tinyproxy {
public:
    Tinyproxy(const QString& runDir, const QString& user, const QString& password);
    ~Tinyproxy();
    Tinyproxy(const Tinyproxy&) = delete;
    Tinyproxy& operator=(const Tinyproxy&) = delete;

    // Starts it and waits until it answers.
    bool Start();
    int port() const { return m_port; }
    QByteArray output() const;
    void Stop();

private:
    bool StartOnce();

    QString m_runDir;
    QString m_user;
    QString m_password;
    int m_port = 0;
    std::unique_ptr<ChildProcess> m_process;
};

}  // namespace zuvo::test
