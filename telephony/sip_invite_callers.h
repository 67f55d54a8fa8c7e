#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>

namespace zuvo {

// Remembers who opened each call: for an INVITE without a To tag, its caller's address by its
// Call-ID. A Call-ID names one call and a request sent again keeps its From (RFC 3261 8.1.1.4,
// 8.1.3.5), so an opening INVITE that reuses a known Call-ID from another address is nobody's
// retry. The SIP stack attaches such INVITEs to the call of that Call-ID; once the call ends,
// the request left attached points at what the call freed, and the stack crashes on it when it
// stops. Bounded in entries and in time.
class SipInviteCallers {
public:
    // Why this datagram must not reach the SIP stack, or nullptr; remembers the caller of an
    // opening INVITE that passes. nowMs is a monotonic clock in milliseconds.
    const char* Check(QByteArrayView datagram, qint64 nowMs);

    qsizetype size() const { return m_callers.size(); }

private:
    struct Caller {
        QByteArray address;
        qint64 seenMs = 0;
    };
    void MakeRoom(qint64 nowMs);

    QHash<QByteArray, Caller> m_callers;
};

}  // namespace zuvo
