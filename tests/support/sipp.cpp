#include "tests/support/sipp.h"

#include <QDebug>
#include <QDir>
#include <QFile>

namespace zuvo::test {

using namespace Qt::Literals::StringLiterals;

Sipp::Sipp(const QString& scenario, const QString& runDir, const QStringList& extra)
    : m_scenario(scenario), m_runDir(runDir), m_extra(extra) {}

Sipp::~Sipp() {
    Stop();
}

void Sipp::SetLimits(int calls, int timeoutSeconds) {
    m_calls = calls;
    m_timeoutSeconds = timeoutSeconds;
}

QString Sipp::LogPath(const QString& suffix) const {
    return m_runDir + u"/sipp-"_s + QString::number(m_port) + suffix;
}

bool Sipp::Start() {
    // A port that was free a moment ago may be taken by the time SIPp binds it (another test's
    // peer or phone picked it): then SIPp is started again on other ports.
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (StartOnce()) {
            return true;
        }
        if (!output().contains("Address already in use")) {
            break;
        }
        qWarning() << "sipp's port was taken meanwhile; trying other ports";
    }
    return false;
}

bool Sipp::StartOnce() {
    QDir().mkpath(m_runDir);
    m_port = FreePort(true);
    m_mediaPort = FreePort(true);
    while (m_mediaPort % 2 != 0 || m_mediaPort == m_port) {
        m_mediaPort = FreePort(true);
    }
    QStringList args{
        u"-sf"_s,
        m_scenario.startsWith(u'/') ? m_scenario : SourcePath(u"deploy/sipp/"_s + m_scenario),
        u"-i"_s,
        u"127.0.0.1"_s,
        u"-p"_s,
        QString::number(m_port),
        u"-mi"_s,
        u"127.0.0.1"_s,
        u"-mp"_s,
        QString::number(m_mediaPort),
        u"-nostdin"_s,
        u"-trace_msg"_s,
        u"-message_file"_s,
        LogPath(u".log"_s),
        u"-trace_err"_s,
        u"-error_file"_s,
        LogPath(u".err"_s)};
    if (m_timeoutSeconds > 0) {
        args << u"-timeout"_s << QString::number(m_timeoutSeconds) + u"s"_s;
    }
    if (m_calls > 0 && !m_extra.contains(u"-m"_s)) {
        args << u"-m"_s << QString::number(m_calls);
    }
    args << m_extra;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TERM"_s, u"dumb"_s);
    m_exit = -2;
    m_process = std::make_unique<ChildProcess>(u"sipp"_s, args, env);
    m_process->process().setWorkingDirectory(m_runDir);
    m_process->process().setStandardOutputFile(LogPath(u".out"_s));
    if (!m_process->Start()) {
        return false;
    }
    const auto ended = [this] { return m_process->process().state() == QProcess::NotRunning; };
    // SIPp binds its SIP port, then the audio and video media ports, and ends when one of them is
    // taken: only once it holds all three (not merely once someone holds the SIP port, which may
    // be the process that took it) is it up.
    const qint64 pid = m_process->process().processId();
    const auto bound = [&] {
        const QList<int> ports = UdpPortsOf(pid);
        return ports.contains(m_port) && ports.contains(m_mediaPort) &&
               ports.contains(m_mediaPort + 2);
    };
    WaitUntil([&] { return ended() || bound(); }, std::chrono::seconds(10));
    // A caller may be done already; one that ended in error never got going.
    const bool started = ended() ? m_process->process().exitStatus() == QProcess::NormalExit &&
                                       m_process->process().exitCode() == 0
                                 : bound();
    if (!started) {
        qWarning() << "sipp did not come up:" << output();
    }
    return started;
}

int Sipp::Wait(int seconds) {
    if (m_exit != -2) {
        return m_exit;
    }
    if (!m_process) {
        return -1;
    }
    WaitUntil([this] { return m_process->process().state() == QProcess::NotRunning; },
              std::chrono::seconds(seconds));
    if (m_process->process().state() != QProcess::NotRunning) {
        return -1;
    }
    m_exit = m_process->process().exitCode();
    return m_exit;
}

QString Sipp::Messages() const {
    return QString::fromUtf8(ReadTail(LogPath(u".log"_s), 1 << 20));
}

QByteArray Sipp::output() const {
    return ReadTail(LogPath(u".out"_s)) + ReadTail(LogPath(u".err"_s));
}

void Sipp::Stop() {
    if (m_process) {
        m_process->Stop();
    }
}

qint64 Sipp::processId() const {
    return m_process && m_process->process().state() == QProcess::Running
               ? m_process->process().processId()
               : 0;
}

std::unique_ptr<Sipp> RingingCaller(const QString& runDir, const QString& user, int registrarPort) {
    auto caller = std::make_unique<Sipp>(
        u"uac_call_cancel.xml"_s, runDir,
        QStringList{u"-s"_s, user, u"127.0.0.1:"_s + QString::number(registrarPort)});
    caller->SetLimits(1, 30);
    return caller;
}

}  // namespace zuvo::test
