#include "service/request_key.h"

namespace zuvo::service {

QString ComposeRequestKeyText(const RequestKeyInputs& inputs, const QString& localAddress) {
    return inputs.accountNumber + u',' + inputs.pin + u',' + inputs.version + u',' + localAddress +
           u',' + inputs.language;
}

QString RequestKey::BuildRequestKey(const RequestKeyInputs& inputs,
                                    const LocalAddressSource& source,
                                    const std::atomic_bool* cancel) {
    const auto cancelled = [cancel] { return cancel != nullptr && cancel->load(); };
    std::optional<QString> reported;
    if (source) {
        reported = source();
    }
    QString address;
    {
        std::lock_guard lock(m_mutex);
        address = reported.has_value() ? reported->section(u':', 0, 0) : m_localAddress;
        if (reported.has_value() && !cancelled()) {
            m_localAddress = address;
        }
    }
    QString key = ComposeRequestKeyText(inputs, address);
    if (!m_cipher.EncipherToHex(key)) {
        key.clear();
    }
    // Checked under the lock, so a build that stores after its sign-in was cancelled cannot
    // overwrite the key of the sign-in that followed.
    std::lock_guard lock(m_mutex);
    if (!cancelled()) {
        m_key = key;
    }
    return key;
}

QString RequestKey::Current() const {
    std::lock_guard lock(m_mutex);
    return m_key;
}

QString RequestKey::LocalAddress() const {
    std::lock_guard lock(m_mutex);
    return m_localAddress;
}

}  // namespace zuvo::service
