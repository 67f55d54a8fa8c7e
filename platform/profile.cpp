#include "platform/profile.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

QString Profile::PhoneRoot() {
    return u"Software\\Zuvo\\Zuvo PC"_s;
}

Profile Profile::Phone() {
    return Profile(Registry::CurrentUser(), PhoneRoot());
}

QString Profile::KeyPath(const QString& section) const {
    return section.isEmpty() ? m_root : m_root + u'\\' + section;
}

int Profile::GetInt(const QString& section, const QString& name, int fallback) const {
    const QString key = KeyPath(section);
    if (!m_hive.KeyExists(key)) {
        m_hive.CreateKey(key);
        return fallback;
    }
    const auto v = m_hive.ReadDword(key, name);
    return v ? static_cast<int>(*v) : fallback;
}

QString Profile::GetString(const QString& section, const QString& name,
                           const QString& fallback) const {
    const QString key = KeyPath(section);
    if (!m_hive.KeyExists(key)) {
        m_hive.CreateKey(key);
        return fallback;
    }
    const auto v = m_hive.ReadString(key, name);
    return v ? *v : fallback;
}

bool Profile::WriteInt(const QString& section, const QString& name, int value) {
    return PutInt(section, name, value).done;
}

bool Profile::WriteString(const QString& section, const QString& name, const QString& value) {
    return PutString(section, name, value).done;
}

Registry::Outcome Profile::PutInt(const QString& section, const QString& name, int value) {
    return m_hive.Put(
        KeyPath(section),
        Registry::Value{name, Registry::Type::Dword, {}, static_cast<uint32_t>(value)});
}

Registry::Outcome Profile::PutString(const QString& section, const QString& name,
                                     const QString& value) {
    return m_hive.Put(KeyPath(section), Registry::Value{name, Registry::Type::String, value, 0});
}

}  // namespace zuvo
