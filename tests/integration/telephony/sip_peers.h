#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

#include "telephony/rtc_engine_interface.h"
#include "tests/support/test_environment.h"

namespace zuvo::test {

// Kamailio as registrar and proxy on 127.0.0.1, started from deploy/kamailio/start.
class Kamailio {
public:
    struct Options {
        QString password = QStringLiteral("mirthful");
        QString forbiddenUser = QStringLiteral("forbidden_Z");
        int farEndPort = 0;
        bool tls = false;
    };
    Kamailio(const QString& runDir, const Options& options);
    bool Start();
    int udpPort() const { return m_udp; }
    int tcpPort() const { return m_tcp; }
    int tlsPort() const { return m_tls; }
    // The self-signed certificate of the TLS listener (made by Start).
    QString certificate() const { return m_runDir + QStringLiteral("/cert.pem"); }
    QByteArray output() const { return m_process ? m_process->output() : QByteArray(); }
    void Stop() {
        if (m_process) {
            m_process->Stop();
        }
    }

private:
    QString m_runDir;
    Options m_options;
    int m_udp = 0;
    int m_tcp = 0;
    int m_tls = 0;
    std::unique_ptr<ChildProcess> m_process;
};

// One SIPp run on 127.0.0.1 of a scenario from deploy/sipp (or at an absolute path).
class Sipp {
public:
    Sipp(const QString& scenario, const QString& runDir, const QStringList& extra = {});
    bool Start();
    int port() const { return m_port; }
    int mediaPort() const { return m_mediaPort; }
    // Exit code once the scenario is over (0 = every call succeeded), -1 on time-out.
    int Wait(int seconds = 30);
    QString Messages() const;  // the SIP messages SIPp saw and sent
    QByteArray output() const { return m_process ? m_process->output() : QByteArray(); }

private:
    QString m_scenario;
    QString m_runDir;
    QStringList m_extra;
    int m_port = 0;
    int m_mediaPort = 0;
    std::unique_ptr<ChildProcess> m_process;
    int m_exit = -2;
};

// Records every WM_RTC_EVENT with its report, taken back from the engine as soon as it is posted.
class RecordingWindow final : public RtcNotifyWindow {
public:
    struct Event {
        WPARAM kind = 0;
        int32_t a = 0;  // state / type / direction
        int32_t b = 0;  // status code / reason / level
        bool operator==(const Event&) const = default;
    };
    void PostMessage(uint32_t message, WPARAM wParam, LPARAM lParam) override;
    LRESULT SendMessage(uint32_t message, WPARAM wParam, LPARAM lParam) override;
    void Hide() override { ++hidden; }

    // Events of one kind, in order.
    std::vector<Event> Of(WPARAM kind) const;
    bool Has(WPARAM kind, int32_t a) const;

    IRtcEngine* engine = nullptr;  // the engine whose reports are taken
    std::vector<Event> events;
    std::vector<uint32_t> sent;
    int hidden = 0;
};

bool WaitForTcp(int port, int seconds = 10);

}  // namespace zuvo::test
