#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <mutex>
#include <thread>

namespace zuvo::test {

// The UDP datagrams sent from one port on the loopback interface, as a packet capture sees them
// (an AF_PACKET socket on "lo": needs CAP_NET_RAW). Collects from construction until Stop or
// destruction.
class LoopbackCapture {
public:
    explicit LoopbackCapture(int sourcePort);
    ~LoopbackCapture();
    LoopbackCapture(const LoopbackCapture&) = delete;
    LoopbackCapture& operator=(const LoopbackCapture&) = delete;

    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    // The UDP payloads seen so far, in order.
    QList<QByteArray> Payloads() const;
    void Stop();

private:
    void Run();

    int m_port;
    int m_socket = -1;
    QString m_error;
    std::atomic<bool> m_running{false};
    mutable std::mutex m_mutex;
    QList<QByteArray> m_payloads;
    std::thread m_thread;
};

}  // namespace zuvo::test
