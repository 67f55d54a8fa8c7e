#include "platform/bus_frame.h"

#include <QDataStream>
#include <QIODevice>

namespace zuvo {

QByteArray BusFrame::Encode() const {
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out << static_cast<quint8>(kind) << static_cast<quint8>(wantReply) << sender << message
        << wParam << lParam << type << data;
    QByteArray framed;
    QDataStream head(&framed, QIODevice::WriteOnly);
    head << static_cast<quint32>(body.size());
    return framed + body;
}

std::optional<BusFrame> BusFrame::Take(QByteArray& buffer, bool& bad) {
    if (buffer.size() < 4) {
        return std::nullopt;
    }
    quint32 size = 0;
    {
        QDataStream in(buffer.left(4));
        in >> size;
    }
    if (size > kMaxBytes) {
        bad = true;
        return std::nullopt;
    }
    if (static_cast<quint32>(buffer.size()) < 4 + size) {
        return std::nullopt;
    }
    QDataStream in(buffer.mid(4, size));
    BusFrame f;
    quint8 kind = 0;
    quint8 want = 0;
    in >> kind >> want >> f.sender >> f.message >> f.wParam >> f.lParam >> f.type >> f.data;
    buffer.remove(0, 4 + size);
    if (in.status() != QDataStream::Ok || (kind != 1 && kind != 2)) {
        bad = true;
        return std::nullopt;
    }
    f.kind = static_cast<Kind>(kind);
    f.wantReply = want != 0;
    return f;
}

}  // namespace zuvo
