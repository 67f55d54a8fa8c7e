#include "service/request_key.h"

namespace zuvo::service {

QString ComposeRequestKeyText(const RequestKeyInputs& inputs, const QString& localAddress) {
    return inputs.accountNumber + u',' + inputs.pin + u',' + inputs.version + u',' + localAddress +
           u',' + inputs.language;
}

QString RequestKey::BuildRequestKey(const RequestKeyInputs& inputs,
                                    const LocalAddressSource& source) {
    std::optional<QString> reported;
    if (source) {
        reported = source();
    }
    QString address;
    {
        std::lock_guard lock(m_mutex);
        if (reported.has_value()) {
            m_localAddress = reported->section(u':', 0, 0);
        }
        address = m_localAddress;
    }
    QString key = ComposeRequestKeyText(inputs, address);
    if (!m_cipher.EncipherToHex(key)) {
        key.clear();
    }
    std::lock_guard lock(m_mutex);
    m_key = key;
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
