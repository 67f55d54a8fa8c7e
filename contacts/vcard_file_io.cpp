#include "contacts/vcard_file_io.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "contacts/contacts_log.h"

namespace zuvo {

std::optional<QByteArray> ReadBoundedFile(const QString& path, qint64 maxBytes) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        qCWarning(lcContacts) << "skipped" << path << ": not a regular file";
        return std::nullopt;
    }
    if (info.size() > maxBytes) {
        qCWarning(lcContacts) << "skipped" << path << ": larger than" << maxBytes << "bytes";
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcContacts) << "skipped" << path << ":" << file.errorString();
        return std::nullopt;
    }
    // The file may have grown since it was measured.
    QByteArray bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes) {
        qCWarning(lcContacts) << "skipped" << path << ": larger than" << maxBytes << "bytes";
        return std::nullopt;
    }
    return bytes;
}

bool WriteFileAtomically(const QString& path, const QByteArray& bytes) {
    const QFileInfo before(path);
    const bool existed = before.exists();
    const QFileDevice::Permissions permissions = before.permissions();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcContacts) << "cannot write" << path << ":" << file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        qCWarning(lcContacts) << "cannot write" << path << ":" << file.errorString();
        return false;
    }
    QFile::setPermissions(path,
                          existed ? permissions : QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

}  // namespace zuvo
