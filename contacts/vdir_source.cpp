#include "contacts/vdir_source.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include "contacts/contacts_log.h"
#include "contacts/display_name_rule.h"
#include "contacts/vcard_file_io.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

QStringList CardFiles(const QString& folder) {
    QDir dir(folder);
    return dir.entryList({u"*.vcf"_s, u"*.VCF"_s}, QDir::Files | QDir::Readable, QDir::Name);
}

}  // namespace

VdirSource::VdirSource(QString folder) : m_folder(std::move(folder)) {}

bool VdirSource::Open() {
    QDir dir(m_folder);
    if (!dir.exists() && !QDir().mkpath(m_folder)) {
        qCWarning(lcContacts) << "cannot make the address book folder" << m_folder;
        return false;
    }
    if (!QFileInfo(m_folder).isReadable()) {
        qCWarning(lcContacts) << "cannot read the address book folder" << m_folder;
        return false;
    }
    return true;
}

std::optional<QString> VdirSource::PathOf(const QString& key) const {
    const bool plain = !key.isEmpty() && key.size() <= 255 && !key.startsWith(u'.') &&
                       !key.contains(u'/') && !key.contains(u'\\') && !key.contains(QChar(0)) &&
                       key.endsWith(u".vcf"_s, Qt::CaseInsensitive);
    if (!plain) {
        qCDebug(lcContacts) << "refused key" << key;
        return std::nullopt;
    }
    return m_folder + u'/' + key;
}

std::optional<VCardCard> VdirSource::Load(const QString& path) const {
    const auto bytes = ReadBoundedFile(path, VCardCard::kMaxBytes);
    if (!bytes) {
        return std::nullopt;
    }
    QString why;
    auto card = VCardCard::Parse(*bytes, &why);
    if (!card) {
        qCWarning(lcContacts) << "skipped" << path << ":" << why;
    }
    return card;
}

bool VdirSource::Enumerate(const Visitor& visit) {
    if (!QFileInfo(m_folder).isDir()) {
        return false;
    }
    int count = 0;
    for (const QString& name : CardFiles(m_folder)) {
        if (++count > kMaxFiles) {
            qCWarning(lcContacts) << "the address book holds more than" << kMaxFiles
                                  << "cards; the rest are not shown";
            break;
        }
        const auto card = Load(m_folder + u'/' + name);
        if (!card) {
            continue;
        }
        if (card->record()[ContactRecord::Display].isEmpty()) {
            qCDebug(lcContacts) << "not shown, no display name:" << name;
            continue;
        }
        visit(card->record(), name);
    }
    return true;
}

bool VdirSource::Read(const QString& key, ContactRecord& record) {
    const auto path = PathOf(key);
    if (!path) {
        return false;
    }
    const auto card = Load(*path);
    if (!card) {
        return false;
    }
    record = card->record();
    return true;
}

QStringList VdirSource::DisplayNames() const {
    QStringList names;
    for (const QString& name : CardFiles(m_folder)) {
        if (const auto card = Load(m_folder + u'/' + name)) {
            names.append(card->record()[ContactRecord::Display]);
        }
    }
    return names;
}

bool VdirSource::Create(const ContactRecord& record, QString* key) {
    if (!Open()) {
        return false;
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
        const QString name = uid + u".vcf"_s;
        const QString path = m_folder + u'/' + name;
        if (QFileInfo::exists(path)) {
            continue;
        }
        VCardCard card = VCardCard::Make(record, uid);
        const QString shown =
            UniqueDisplayName(card.record()[ContactRecord::Display], DisplayNames());
        if (shown != card.record()[ContactRecord::Display]) {
            card.SetDisplayName(shown);
        }
        if (!WriteFileAtomically(path, card.bytes())) {
            return false;
        }
        if (key != nullptr) {
            *key = name;
        }
        return true;
    }
    return false;
}

bool VdirSource::Update(QString& key, const ContactRecord& record) {
    const auto path = PathOf(key);
    if (!path) {
        return false;
    }
    auto card = Load(*path);
    if (!card) {
        return false;  // a card the phone cannot read is never rewritten
    }
    card->Apply(record);
    return WriteFileAtomically(*path, card->bytes());
}

bool VdirSource::Delete(const QString& key) {
    const auto path = PathOf(key);
    if (!path) {
        return false;
    }
    QFile file(*path);
    if (!file.remove()) {
        qCWarning(lcContacts) << "cannot delete" << *path << ":" << file.errorString();
        return false;
    }
    return true;
}

}  // namespace zuvo
