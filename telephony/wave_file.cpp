#include "telephony/wave_file.h"

#include <QtEndian>

#include <cstring>

namespace zuvo {

namespace {

constexpr qsizetype kChunkHeader = 8;
constexpr qsizetype kPcmFormatSize = 16;
constexpr int kFormatPcm = 1;

}  // namespace

std::optional<WaveSound> ParseWave(const QByteArray& file) {
    if (file.size() < 12 || !file.startsWith("RIFF") || file.mid(8, 4) != "WAVE") {
        return std::nullopt;
    }
    const auto* bytes = reinterpret_cast<const uchar*>(file.constData());
    WaveSound sound;
    bool haveFormat = false;
    bool haveData = false;
    qsizetype at = 12;
    while (at + kChunkHeader <= file.size()) {
        const QByteArray id = file.mid(at, 4);
        const quint32 size = qFromLittleEndian<quint32>(bytes + at + 4);
        const qsizetype body = at + kChunkHeader;
        if (size > static_cast<quint32>(file.size() - body)) {
            return std::nullopt;
        }
        if (id == "fmt ") {
            if (size < kPcmFormatSize || qFromLittleEndian<quint16>(bytes + body) != kFormatPcm) {
                return std::nullopt;
            }
            sound.channels = qFromLittleEndian<quint16>(bytes + body + 2);
            sound.rate = static_cast<int>(qFromLittleEndian<quint32>(bytes + body + 4));
            sound.bitsPerSample = qFromLittleEndian<quint16>(bytes + body + 14);
            haveFormat = true;
        } else if (id == "data") {
            sound.data = file.mid(body, size);
            haveData = true;
        }
        // Chunks are padded to an even length.
        at = body + size + (size & 1u);
    }
    const bool sane = sound.rate > 0 && sound.rate <= 192000 && sound.channels >= 1 &&
                      sound.channels <= 2 &&
                      (sound.bitsPerSample == 8 || sound.bitsPerSample == 16);
    if (!haveFormat || !haveData || !sane) {
        return std::nullopt;
    }
    return sound;
}

QByteArray ToSigned16(const WaveSound& sound) {
    if (sound.bitsPerSample == 16) {
        return sound.data.left(sound.data.size() & ~qsizetype{1});
    }
    QByteArray out(sound.data.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < sound.data.size(); ++i) {
        const auto value = static_cast<int16_t>(
            (static_cast<int>(static_cast<uchar>(sound.data.at(i))) - 128) * 256);
        qToLittleEndian<int16_t>(value, out.data() + i * 2);
    }
    return out;
}

}  // namespace zuvo
