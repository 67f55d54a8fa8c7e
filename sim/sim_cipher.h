#pragma once

#include <QByteArray>

#include <array>

namespace zuvo::sim {

// The provider's side of the request cipher: RC4 keyed with the first five bytes of
// MD5("Rolvi482") padded with eleven zero bytes. Written apart from the phone's cipher so a
// mistake on either side shows up as a key the other cannot read.
class SimCipher {
public:
    SimCipher();
    // Deciphers upper- or lower-case hexadecimal; nothing when the text is not hexadecimal.
    bool DecipherHex(const QByteArray& hex, QByteArray& plain) const;
    QByteArray Crypt(const QByteArray& input) const;

private:
    std::array<unsigned char, 16> m_key{};
};

}  // namespace zuvo::sim
