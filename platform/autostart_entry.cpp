#include "platform/autostart_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcDesktop, "zuvo.desktop", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

// Longest program path put into the entry.
constexpr qsizetype kMaxPathLength = 4096;

// One Exec argument: quoted as the desktop entry rules ask, then escaped as a string value.
QString ExecArgument(const QString& argument) {
    QString quoted = u"\""_s;
    for (const QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            quoted += u'\\';
        }
        quoted += c;
    }
    quoted += u'"';
    quoted.replace(u"\\"_s, u"\\\\"_s);
    quoted.replace(u"%"_s, u"%%"_s);
    return quoted;
}

bool Safe(const QString& text) {
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator) {
            return false;
        }
    }
    return true;
}

}  // namespace

AutostartEntry::AutostartEntry(QString path) : m_path(std::move(path)) {}

QString AutostartEntry::DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           u"/autostart/zuvo.desktop"_s;
}

std::optional<QByteArray> AutostartEntry::Contents(const QString& programPath,
                                                   const QString& name) {
    if (programPath.isEmpty() || programPath.size() > kMaxPathLength ||
        !QFileInfo(programPath).isAbsolute() || !Safe(programPath) || !Safe(name) ||
        name.isEmpty()) {
        return std::nullopt;
    }
    QString text = u"[Desktop Entry]\n"_s;
    text += u"Type=Application\n"_s;
    text += u"Name="_s + name + u"\n"_s;
    text += u"Exec="_s + ExecArgument(programPath) + u"\n"_s;
    text += u"Icon=zuvo\n"_s;
    text += u"Terminal=false\n"_s;
    text += u"X-GNOME-Autostart-enabled=true\n"_s;
    return text.toUtf8();
}

bool AutostartEntry::Apply(bool enabled, const QString& programPath, const QString& name) {
    if (!enabled) {
        if (!QFileInfo::exists(m_path)) {
            return true;
        }
        QFile file(m_path);
        if (!file.remove()) {
            qCWarning(lcDesktop) << "cannot remove the autostart entry" << m_path << ":"
                                 << file.errorString();
            return false;
        }
        return true;
    }
    const std::optional<QByteArray> contents = Contents(programPath, name);
    if (!contents) {
        qCWarning(lcDesktop) << "the program path cannot go into an autostart entry";
        return false;
    }
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        qCWarning(lcDesktop) << "cannot make the autostart folder for" << m_path;
        return false;
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*contents) != contents->size() ||
        !file.commit()) {
        qCWarning(lcDesktop) << "cannot write the autostart entry" << m_path << ":"
                             << file.errorString();
        return false;
    }
    return true;
}

bool AutostartEntry::Exists() const {
    return QFileInfo::exists(m_path);
}

}  // namespace zuvo
