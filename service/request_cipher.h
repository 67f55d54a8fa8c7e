#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <mutex>

namespace zuvo::service {

// The cipher behind the request key and the other enciphered parameters: RC4 keyed with the
// first five bytes of MD5("Rolvi482") followed by eleven zero bytes (the 40-bit RC4 key the
// service expects). Every text is enciphered from the start of the same key stream, so equal
// texts give equal results. Thread-safe: each call works on its own copy of the key.
class RequestCipher {
public:
    // Result codes of InitRequestCipher.
    enum : int { Ready = 0, NoProvider = 1, NoHash = 2, HashFailed = 3, NoKey = 4 };
    static constexpr int kMaxTextBytes = 1024;

    // Derives the key; returns Ready (this derivation cannot fail).
    int InitRequestCipher();
    // Forgets the key; EncipherToHex then fails until the next InitRequestCipher.
    void ReleaseRequestCipher();
    bool IsReady() const;

    // Replaces text (as UTF-8 bytes) by the upper-case hexadecimal of its encipherment, two digits
    // per byte. Returns false and leaves the text unchanged when the cipher is not ready or the
    // text is over 1024 bytes.
    bool EncipherToHex(QString& text) const;

    // The 16 bytes the RC4 key schedule runs over (for checks).
    std::array<std::uint8_t, 16> KeyBytes() const;

private:
    mutable std::mutex m_mutex;
    bool m_ready = false;
    std::array<std::uint8_t, 16> m_key{};
};

}  // namespace zuvo::service
