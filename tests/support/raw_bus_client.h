#pragma once

#include <QByteArray>
#include <QString>

namespace zuvo::test {

// A connection to a bus endpoint's socket that goes around LocalBus, for tests that send what a
// well-behaved client never would: half frames, floods, nothing at all. Movable; closes at the end.
class RawBusClient {
public:
    // Connects to the socket file at path; connected() says whether the endpoint took it.
    // Without blocking, writes never wait (WriteSome).
    explicit RawBusClient(const QString& path, bool blocking = false);
    ~RawBusClient();
    RawBusClient(RawBusClient&& other) noexcept;
    RawBusClient& operator=(RawBusClient&& other) noexcept;
    RawBusClient(const RawBusClient&) = delete;
    RawBusClient& operator=(const RawBusClient&) = delete;

    bool connected() const { return m_fd >= 0; }
    // Writes what fits without waiting; the bytes written.
    qsizetype WriteSome(const QByteArray& bytes);
    // On a blocking client: writes all of it, waiting as long as the endpoint takes nothing;
    // false when the endpoint let go of the connection first.
    bool WriteAll(const QByteArray& bytes);
    void Close();

private:
    int m_fd = -1;
};

}  // namespace zuvo::test
