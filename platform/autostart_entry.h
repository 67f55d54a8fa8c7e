#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zuvo {

// The XDG autostart entry that starts the phone with the desktop session:
// $XDG_CONFIG_HOME/autostart/zuvo.desktop. Written whole or not at all (a session that starts
// while it is written sees the old file or the new one), removed when the user turns it off.
class AutostartEntry {
public:
    explicit AutostartEntry(QString path = DefaultPath());

    static QString DefaultPath();

    // The entry's text for the program at programPath (absolute). None for a path that a
    // desktop entry cannot carry safely (relative, empty, control characters).
    static std::optional<QByteArray> Contents(const QString& programPath, const QString& name);

    // Writes (enabled) or removes the entry. False when that failed; the reason is logged.
    bool Apply(bool enabled, const QString& programPath, const QString& name);
    bool Exists() const;
    const QString& path() const { return m_path; }

private:
    QString m_path;
};

}  // namespace zuvo
