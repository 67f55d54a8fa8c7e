#include "tests/integration/telephony/sip_peers.h"

#include <QDir>
#include <QFile>
#include <QTcpSocket>

#include "telephony/rtc_types.h"

namespace zuvo::test {

using namespace Qt::Literals::StringLiterals;

bool WaitForTcp(int port, int seconds) {
    return WaitUntil(
        [port] {
            QTcpSocket socket;
            socket.connectToHost(u"127.0.0.1"_s, static_cast<quint16>(port));
            return socket.waitForConnected(200);
        },
        std::chrono::seconds(seconds));
}

Kamailio::Kamailio(const QString& runDir, const Options& options)
    : m_runDir(runDir), m_options(options) {}

bool Kamailio::Start() {
    m_udp = FreePort(true);
    m_tcp = FreePort(false);
    QStringList args{u"--run-dir"_s,   m_runDir,
                     u"--udp"_s,       QString::number(m_udp),
                     u"--tcp"_s,       QString::number(m_tcp),
                     u"--far-end"_s,   u"127.0.0.1:"_s + QString::number(m_options.farEndPort),
                     u"--password"_s,  m_options.password,
                     u"--forbidden"_s, m_options.forbiddenUser};
    if (m_options.tls) {
        // The certificate lives in the run folder, which must exist before Kamailio makes it.
        if (!QDir().mkpath(m_runDir)) {
            return false;
        }
        m_tls = FreePort(false);
        const QString cert = m_runDir + u"/cert.pem"_s;
        const QString key = m_runDir + u"/key.pem"_s;
        QProcess openssl;
        openssl.start(u"openssl"_s,
                      {u"req"_s, u"-x509"_s, u"-newkey"_s, u"rsa:2048"_s, u"-nodes"_s, u"-keyout"_s,
                       key, u"-out"_s, cert, u"-days"_s, u"2"_s, u"-subj"_s, u"/CN=127.0.0.1"_s});
        if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0) {
            qWarning() << "openssl could not make a certificate:" << openssl.readAllStandardError();
            return false;
        }
        args << u"--tls"_s << QString::number(m_tls) << u"--cert"_s << cert << u"--key"_s << key;
    }
    m_process = std::make_unique<ChildProcess>(SourcePath(u"deploy/kamailio/start"_s), args);
    if (!m_process->Start()) {
        return false;
    }
    if (WaitForTcp(m_tcp) && (!m_options.tls || WaitForTcp(m_tls))) {
        return true;
    }
    m_process->process().waitForReadyRead(100);
    qWarning() << "kamailio did not come up:" << m_process->process().state()
               << m_process->process().exitCode() << m_process->output()
               << m_process->process().readAll();
    return false;
}

Sipp::Sipp(const QString& scenario, const QString& runDir, const QStringList& extra)
    : m_scenario(scenario), m_runDir(runDir), m_extra(extra) {}

bool Sipp::Start() {
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
        m_runDir + u"/sipp-"_s + QString::number(m_port) + u".log"_s,
        u"-trace_err"_s,
        u"-error_file"_s,
        m_runDir + u"/sipp-"_s + QString::number(m_port) + u".err"_s,
        u"-timeout"_s,
        u"60s"_s};
    if (!m_extra.contains(u"-m"_s)) {
        args << u"-m"_s << u"1"_s;  // one call unless the test asks for more
    }
    args << m_extra;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TERM"_s, u"dumb"_s);
    m_process = std::make_unique<ChildProcess>(u"sipp"_s, args, env);
    m_process->process().setWorkingDirectory(m_runDir);
    return m_process->Start();
}

int Sipp::Wait(int seconds) {
    if (m_exit != -2) {
        return m_exit;
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
    QFile file(m_runDir + u"/sipp-"_s + QString::number(m_port) + u".log"_s);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void RecordingWindow::PostMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message != Msg::RtcEvent) {
        return;
    }
    Event event{wParam, 0, 0};
    switch (wParam) {
        case RTC_EVT_REGISTRATION:
        case RTC_EVT_SESSION:
        case RTC_EVT_MEDIA:
        case RTC_EVT_INTENSITY: {
            const std::optional<RtcEvent> report =
                engine != nullptr ? engine->TakeEvent(wParam, lParam) : std::nullopt;
            if (!report) {
                // Recorded as it came, so that a comparison of the events shows it.
                qWarning() << "no report for event" << wParam << lParam;
                event.a = -1;
                event.b = static_cast<int32_t>(lParam);
                break;
            }
            if (wParam == RTC_EVT_MEDIA) {
                event.a = report->media.type;
                event.b = report->media.reason;
            } else if (wParam == RTC_EVT_INTENSITY) {
                event.a = report->intensity.direction;
                event.b = report->intensity.level;
            } else {
                event.a = report->state.state;
                event.b = report->state.statusCode;
            }
            break;
        }
        default:
            event.a = static_cast<int32_t>(lParam);
            break;
    }
    events.push_back(event);
}

LRESULT RecordingWindow::SendMessage(uint32_t message, WPARAM, LPARAM) {
    sent.push_back(message);
    return 0;
}

std::vector<RecordingWindow::Event> RecordingWindow::Of(WPARAM kind) const {
    std::vector<Event> result;
    for (const Event& event : events) {
        if (event.kind == kind) {
            result.push_back(event);
        }
    }
    return result;
}

bool RecordingWindow::Has(WPARAM kind, int32_t a) const {
    for (const Event& event : events) {
        if (event.kind == kind && event.a == a) {
            return true;
        }
    }
    return false;
}

}  // namespace zuvo::test
