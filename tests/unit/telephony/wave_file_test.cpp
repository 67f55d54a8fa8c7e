// Reading the test sound's RIFF WAVE form: the chunks are walked within the file's bounds and only
// PCM of a sane shape is taken.

#include <gtest/gtest.h>

#include <QtEndian>

#include "telephony/wave_file.h"

namespace zuvo {
namespace {

QByteArray Le32(quint32 value) {
    QByteArray out(4, '\0');
    qToLittleEndian(value, out.data());
    return out;
}

QByteArray Le16(quint16 value) {
    QByteArray out(2, '\0');
    qToLittleEndian(value, out.data());
    return out;
}

QByteArray Format(quint16 tag, quint16 channels, quint32 rate, quint16 bits) {
    return QByteArray("fmt ") + Le32(16) + Le16(tag) + Le16(channels) + Le32(rate) +
           Le32(rate * channels * bits / 8) + Le16(static_cast<quint16>(channels * bits / 8)) +
           Le16(bits);
}

QByteArray Riff(const QByteArray& chunks) {
    return QByteArray("RIFF") + Le32(static_cast<quint32>(4 + chunks.size())) + "WAVE" + chunks;
}

TEST(WaveFile, ReadsPcmAndRefusesWhatIsNot) {
    const QByteArray samples("\x80\xFF\x00", 3);
    // An odd-sized chunk before the format is skipped with its pad byte.
    const QByteArray file = Riff(QByteArray("LIST") + Le32(3) + QByteArray("abc\0", 4) +
                                 Format(1, 1, 8000, 8) + "data" + Le32(3) + samples + '\0');
    const auto sound = ParseWave(file);
    ASSERT_TRUE(sound.has_value());
    EXPECT_EQ(sound->rate, 8000);
    EXPECT_EQ(sound->channels, 1);
    EXPECT_EQ(sound->bitsPerSample, 8);
    EXPECT_EQ(sound->data, samples);
    // 8-bit samples are unsigned around 128.
    const QByteArray wide = ToSigned16(*sound);
    ASSERT_EQ(wide.size(), 6);
    EXPECT_EQ(qFromLittleEndian<qint16>(wide.constData()), 0);
    EXPECT_EQ(qFromLittleEndian<qint16>(wide.constData() + 2), 32512);
    EXPECT_EQ(qFromLittleEndian<qint16>(wide.constData() + 4), -32768);

    // A data chunk that claims more than the file holds, a compressed format, no data, a rate or
    // sample size out of bounds, something that is not RIFF at all.
    EXPECT_FALSE(ParseWave(Riff(Format(1, 1, 8000, 8) + "data" + Le32(0xFFFFFFF0) + samples)));
    EXPECT_FALSE(ParseWave(Riff(Format(2, 1, 8000, 8) + "data" + Le32(3) + samples)));
    EXPECT_FALSE(ParseWave(Riff(Format(1, 1, 8000, 8))));
    EXPECT_FALSE(ParseWave(Riff(Format(1, 1, 0, 8) + "data" + Le32(3) + samples)));
    EXPECT_FALSE(ParseWave(Riff(Format(1, 1, 8000, 12) + "data" + Le32(3) + samples)));
    EXPECT_FALSE(ParseWave(Riff(Format(1, 9, 8000, 8) + "data" + Le32(3) + samples)));
    EXPECT_FALSE(ParseWave(QByteArray("RIFX") + file.mid(4)));
    EXPECT_FALSE(ParseWave(file.left(11)));
    EXPECT_FALSE(ParseWave(QByteArray()));
    // Cut inside a chunk header: what was read so far is not enough.
    EXPECT_FALSE(ParseWave(file.left(file.indexOf("data") + 6)));
}

}  // namespace
}  // namespace zuvo
