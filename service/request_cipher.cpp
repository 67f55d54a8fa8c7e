#include "service/request_cipher.h"

#include <nettle/arcfour.h>
#include <nettle/md5.h>

namespace zuvo::service {

namespace {

constexpr char kPassword[] = "Rolvi482";
// The service's key is 40 bits long; the rest of the 16-byte schedule is zero salt.
constexpr std::size_t kEffectiveKeyBytes = 5;

}  // namespace

int RequestCipher::InitRequestCipher() {
    md5_ctx md5;
    md5_init(&md5);
    md5_update(&md5, sizeof(kPassword) - 1, reinterpret_cast<const std::uint8_t*>(kPassword));
    std::array<std::uint8_t, MD5_DIGEST_SIZE> digest{};
    md5_digest(&md5, digest.size(), digest.data());

    std::lock_guard lock(m_mutex);
    m_key.fill(0);
    for (std::size_t i = 0; i < kEffectiveKeyBytes; ++i) {
        m_key[i] = digest[i];
    }
    m_ready = true;
    return Ready;
}

void RequestCipher::ReleaseRequestCipher() {
    std::lock_guard lock(m_mutex);
    m_key.fill(0);
    m_ready = false;
}

bool RequestCipher::IsReady() const {
    std::lock_guard lock(m_mutex);
    return m_ready;
}

std::array<std::uint8_t, 16> RequestCipher::KeyBytes() const {
    std::lock_guard lock(m_mutex);
    return m_key;
}

bool RequestCipher::EncipherToHex(QString& text) const {
    std::array<std::uint8_t, 16> key{};
    {
        std::lock_guard lock(m_mutex);
        if (!m_ready) {
            return false;
        }
        key = m_key;
    }
    QByteArray bytes = text.toUtf8();
    if (bytes.size() > kMaxTextBytes) {
        return false;
    }
    arcfour_ctx rc4;
    arcfour_set_key(&rc4, key.size(), key.data());
    auto* data = reinterpret_cast<std::uint8_t*>(bytes.data());
    arcfour_crypt(&rc4, static_cast<std::size_t>(bytes.size()), data, data);
    text = QString::fromLatin1(bytes.toHex().toUpper());
    return true;
}

}  // namespace zuvo::service
