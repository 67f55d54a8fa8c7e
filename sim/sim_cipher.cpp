#include "sim/sim_cipher.h"

#include <QCryptographicHash>

#include <utility>

namespace zuvo::sim {

SimCipher::SimCipher() {
    const QByteArray digest =
        QCryptographicHash::hash(QByteArrayLiteral("Rolvi482"), QCryptographicHash::Md5);
    for (int i = 0; i < 5; ++i) {
        m_key[static_cast<std::size_t>(i)] = static_cast<unsigned char>(digest.at(i));
    }
}

QByteArray SimCipher::Crypt(const QByteArray& input) const {
    std::array<unsigned char, 256> state{};
    for (std::size_t i = 0; i < state.size(); ++i) {
        state[i] = static_cast<unsigned char>(i);
    }
    unsigned j = 0;
    for (std::size_t i = 0; i < state.size(); ++i) {
        j = (j + state[i] + m_key[i % m_key.size()]) % 256;
        std::swap(state[i], state[j]);
    }
    QByteArray output(input.size(), Qt::Uninitialized);
    unsigned a = 0;
    unsigned b = 0;
    for (qsizetype n = 0; n < input.size(); ++n) {
        a = (a + 1) % 256;
        b = (b + state[a]) % 256;
        std::swap(state[a], state[b]);
        const unsigned char k = state[(state[a] + state[b]) % 256];
        output[n] = static_cast<char>(static_cast<unsigned char>(input.at(n)) ^ k);
    }
    return output;
}

bool SimCipher::DecipherHex(const QByteArray& hex, QByteArray& plain) const {
    if (hex.size() % 2 != 0) {
        return false;
    }
    for (const char c : hex) {
        const bool digit =
            (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!digit) {
            return false;
        }
    }
    plain = Crypt(QByteArray::fromHex(hex));
    return true;
}

}  // namespace zuvo::sim
