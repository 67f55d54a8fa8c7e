#include "platform/bus_frame.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

namespace zuvo {

namespace {

// Qt sets aside up to 1 MiB for whatever length a byte array claims before it reads a byte of it,
// so a claim beyond what is left of the frame is refused first.
bool LengthFits(QDataStream& in) {
    QIODevice* device = in.device();
    const QByteArray field = device->peek(4);
    if (field.size() < 4) {
        return false;
    }
    const quint32 length = qFromBigEndian<quint32>(field.constData());
    return length == 0xffffffff || length <= device->bytesAvailable() - 4;
}

}  // namespace

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
    in >> kind >> want >> f.sender >> f.message >> f.wParam >> f.lParam >> f.type;
    const bool fits = in.status() == QDataStream::Ok && LengthFits(in);
    if (fits) {
        in >> f.data;
    }
    buffer.remove(0, 4 + size);
    if (!fits || in.status() != QDataStream::Ok || (kind != 1 && kind != 2)) {
        bad = true;
        return std::nullopt;
    }
    f.kind = static_cast<Kind>(kind);
    f.wantReply = want != 0;
    return f;
}

}  // namespace zuvo
