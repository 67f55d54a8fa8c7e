#pragma once

#include <QString>

#include "platform/registry.h"

namespace zuvo {

// The profile access to the configuration root: numbers and texts read and written as
// (section, value, default). Reading or writing creates the section key when it is missing; a
// missing value, or one of the other type, reads as the default. Thread-safe.
class Profile {
public:
    Profile(Registry& hive, QString root) : m_hive(hive), m_root(std::move(root)) {}

    // HKEY_CURRENT_USER\Software\Zuvo\Zuvo PC.
    static Profile Phone();
    static QString PhoneRoot();  // "Software\Zuvo\Zuvo PC"

    Registry& hive() const { return m_hive; }
    const QString& root() const { return m_root; }
    // Full key path of a section (or of the root itself for an empty section).
    QString KeyPath(const QString& section) const;

    int GetInt(const QString& section, const QString& name, int fallback) const;
    QString GetString(const QString& section, const QString& name, const QString& fallback) const;
    bool WriteInt(const QString& section, const QString& name, int value);
    bool WriteString(const QString& section, const QString& name, const QString& value);
    // The same writes with the reason of a failure.
    Registry::Outcome PutInt(const QString& section, const QString& name, int value);
    Registry::Outcome PutString(const QString& section, const QString& name, const QString& value);

private:
    Registry& m_hive;
    QString m_root;
};

}  // namespace zuvo
