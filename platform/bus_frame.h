#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace zuvo {

// One frame of the local bus: a size field (32 bits, big-endian), then the body in QDataStream
// form. Frames come from other processes, so reading one checks everything.
struct BusFrame {
    enum class Kind : quint8 { Message = 1, CopyData = 2 };

    // Largest body a peer may send.
    static constexpr quint32 kMaxBytes = 64 * 1024;

    Kind kind = Kind::Message;
    bool wantReply = false;
    quint32 sender = 0;
    quint32 message = 0;
    quint64 wParam = 0;
    qint64 lParam = 0;
    quint32 type = 0;
    QByteArray data;

    QByteArray Encode() const;

    // Takes one whole frame off the front of buffer; nullopt while it is incomplete. A malformed
    // or oversized frame sets bad (what is left in buffer is then of no use).
    static std::optional<BusFrame> Take(QByteArray& buffer, bool& bad);
};

}  // namespace zuvo
