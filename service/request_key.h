#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>

#include "service/request_cipher.h"

namespace zuvo::service {

// What the request key is made of, besides the local address.
struct RequestKeyInputs {
    QString accountNumber;
    QString pin;
    QString version;  // e.g. 5.85.EN.000.600.002
    QString language = QStringLiteral("EN");
};

// The plaintext of the key: account "," PIN "," version "," local address "," language.
QString ComposeRequestKeyText(const RequestKeyInputs& inputs, const QString& localAddress);

// The current request key, rebuilt by BuildRequestKey on any thread and read by task threads
// as one consistent copy. Never holds the plaintext.
class RequestKey {
public:
    // Reports the engine's local address ("host" or "host:port"), or nothing when there is no
    // engine (then the previous address stays).
    using LocalAddressSource = std::function<std::optional<QString>()>;

    explicit RequestKey(const RequestCipher& cipher) : m_cipher(cipher) {}

    // Refreshes the local address from source (the part before the first ":"), composes and
    // enciphers the key and stores it. When the text cannot be enciphered the key becomes empty
    // rather than carry the PIN in clear. Returns the new key. A build for a sign-in that has been
    // cancelled (cancel set by the time it would store) stores nothing: it must not replace the
    // key of the sign-in that followed it.
    QString BuildRequestKey(const RequestKeyInputs& inputs, const LocalAddressSource& source,
                            const std::atomic_bool* cancel = nullptr);

    QString Current() const;
    QString LocalAddress() const;

private:
    const RequestCipher& m_cipher;
    mutable std::mutex m_mutex;
    QString m_key;
    QString m_localAddress;
};

}  // namespace zuvo::service
