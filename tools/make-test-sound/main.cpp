// Writes the audio wizard's test sound: a ring-back tone (440 Hz and 480 Hz together, on for
// 1.2 s, then quiet) as a RIFF WAVE file of 8000 Hz, 8-bit, mono PCM. Run by the build.
//     make-test-sound OUTPUT.wav

#include <QByteArray>
#include <QFile>
#include <QtEndian>

#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

constexpr int kRate = 8000;
constexpr int kDataBytes = 17447;
constexpr int kToneSamples = 9600;   // 1.2 s
constexpr int kFadeSamples = 80;     // 10 ms: no click at either end of the tone
constexpr double kAmplitude = 48.0;  // of each of the two tones, around the 8-bit midpoint 128

void AppendLe32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void AppendLe16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

QByteArray Samples() {
    QByteArray data(kDataBytes, static_cast<char>(128));
    for (int i = 0; i < kToneSamples; ++i) {
        const double t = static_cast<double>(i) / kRate;
        double gain = 1.0;
        if (i < kFadeSamples) {
            gain = static_cast<double>(i) / kFadeSamples;
        } else if (i > kToneSamples - kFadeSamples) {
            gain = static_cast<double>(kToneSamples - i) / kFadeSamples;
        }
        const double value = kAmplitude * gain *
                             (std::sin(2 * std::numbers::pi * 440.0 * t) +
                              std::sin(2 * std::numbers::pi * 480.0 * t));
        data[i] = static_cast<char>(static_cast<int>(std::lround(128.0 + value)));
    }
    return data;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make-test-sound OUTPUT.wav\n", stderr);
        return 2;
    }
    const QByteArray data = Samples();
    QByteArray file;
    file.append("RIFF");
    AppendLe32(file, static_cast<quint32>(4 + 8 + 16 + 8 + data.size() + (data.size() & 1)));
    file.append("WAVE");
    file.append("fmt ");
    AppendLe32(file, 16);
    AppendLe16(file, 1);      // PCM
    AppendLe16(file, 1);      // mono
    AppendLe32(file, kRate);  // samples per second
    AppendLe32(file, kRate);  // bytes per second
    AppendLe16(file, 1);      // block align
    AppendLe16(file, 8);      // bits per sample
    file.append("data");
    AppendLe32(file, static_cast<quint32>(data.size()));
    file.append(data);
    if (data.size() & 1) {
        file.append('\0');  // chunks are padded to an even length
    }
    QFile out(QString::fromLocal8Bit(argv[1]));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(file) != file.size()) {
        std::fprintf(stderr, "make-test-sound: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
