#include "tests/support/tinyproxy.h"

#include <QDebug>
#include <QDir>
#include <QFile>

namespace zuvo::test {

using namespace Qt::Literals::StringLiterals;

Tinyproxy::Tinyproxy(const QString& runDir, const QString& user, const QString& password)
    : m_runDir(runDir), m_user(user), m_password(password) {}

Tinyproxy::~Tinyproxy() {
    Stop();
}

bool Tinyproxy::Start() {
    QDir().mkpath(m_runDir);
    // The port picked as free may be taken before tinyproxy binds it: try other ones.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (StartOnce()) {
            return true;
        }
        Stop();
    }
    qWarning() << "tinyproxy did not come up:" << output();
    return false;
}

bool Tinyproxy::StartOnce() {
    m_port = FreePort();
    QFile conf(m_runDir + u"/tinyproxy.conf"_s);
    if (!conf.open(QIODevice::WriteOnly)) {
        return false;
    }
    conf.write(QStringLiteral("Port %1\nListen 127.0.0.1\nTimeout 30\nLogLevel Critical\n"
                              "MaxClients 20\nAllow 127.0.0.1\nBasicAuth %2 %3\n")
                   .arg(m_port)
                   .arg(m_user, m_password)
                   .toUtf8());
    conf.close();
    m_process = std::make_unique<ChildProcess>(u"tinyproxy"_s,
                                               QStringList{u"-d"_s, u"-c"_s, conf.fileName()});
    m_process->process().setStandardOutputFile(m_runDir + u"/tinyproxy.out"_s);
    return m_process->Start() && WaitUntil([this] {
               return m_process->process().state() != QProcess::Running || TcpAnswers(m_port);
           }) &&
           m_process->process().state() == QProcess::Running;
}

QByteArray Tinyproxy::output() const {
    return ReadTail(m_runDir + u"/tinyproxy.out"_s);
}

void Tinyproxy::Stop() {
    if (m_process) {
        m_process->Stop();
    }
}

}  // namespace zuvo::test
