#include "contacts/vcard_file_source.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QUuid>

#include "contacts/contacts_log.h"
#include "contacts/display_name_rule.h"
#include "contacts/vcard_card.h"
#include "contacts/vcard_file_io.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray Trimmed(const QByteArray& line) {
    return line.trimmed().toUpper();
}

QString KeyOf(const VCardCard& card, const QByteArray& bytes) {
    if (!card.uid().isEmpty()) {
        return card.uid();
    }
    return u"sha1:"_s +
           QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

}  // namespace

VCardFileSource::VCardFileSource(QString path) : m_path(std::move(path)) {}

bool VCardFileSource::Open() {
    const QFileInfo info(m_path);
    if (info.exists()) {
        return info.isFile() && info.isReadable();
    }
    if (!QDir().mkpath(info.absolutePath())) {
        qCWarning(lcContacts) << "cannot make the folder of" << m_path;
        return false;
    }
    return true;  // an address book that does not exist yet is empty
}

std::optional<std::vector<VCardFileSource::Segment>> VCardFileSource::LoadSegments() const {
    std::vector<Segment> segments;
    if (!QFileInfo::exists(m_path)) {
        return segments;
    }
    const auto bytes = ReadBoundedFile(m_path, kMaxFileBytes);
    if (!bytes) {
        return std::nullopt;
    }
    Segment current;
    qsizetype pos = 0;
    while (pos < bytes->size()) {
        qsizetype end = bytes->indexOf('\n', pos);
        end = end < 0 ? bytes->size() : end + 1;
        const QByteArray line = bytes->mid(pos, end - pos);
        pos = end;
        const QByteArray word = Trimmed(line);
        if (word == "BEGIN:VCARD") {
            if (!current.bytes.isEmpty()) {
                current.card = false;  // text or an unfinished card before this one
                segments.push_back(current);
            }
            current = Segment{line, true};
            continue;
        }
        current.bytes += line;
        if (current.card && word == "END:VCARD") {
            segments.push_back(current);
            current = Segment{};
        }
    }
    if (!current.bytes.isEmpty()) {
        current.card = false;
        segments.push_back(current);
    }
    return segments;
}

int VCardFileSource::Find(const std::vector<Segment>& segments, const QString& key) {
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (!segments[i].card) {
            continue;
        }
        const auto card = VCardCard::Parse(segments[i].bytes, nullptr);
        if (card && KeyOf(*card, segments[i].bytes) == key) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool VCardFileSource::Save(const std::vector<Segment>& segments) const {
    QByteArray all;
    for (const Segment& segment : segments) {
        all += segment.bytes;
    }
    if (all.size() > kMaxFileBytes) {
        qCWarning(lcContacts) << "the address book would grow beyond" << kMaxFileBytes << "bytes";
        return false;
    }
    return WriteFileAtomically(m_path, all);
}

bool VCardFileSource::Enumerate(const Visitor& visit) {
    const auto segments = LoadSegments();
    if (!segments) {
        return false;
    }
    int count = 0;
    for (const Segment& segment : *segments) {
        if (!segment.card) {
            continue;
        }
        if (++count > kMaxCards) {
            qCWarning(lcContacts) << "the address book holds more than" << kMaxCards << "cards";
            break;
        }
        QString why;
        const auto card = VCardCard::Parse(segment.bytes, &why);
        if (!card) {
            qCWarning(lcContacts) << "skipped card" << count << "of" << m_path << ":" << why;
            continue;
        }
        if (card->record()[ContactRecord::Display].isEmpty()) {
            continue;
        }
        visit(card->record(), KeyOf(*card, segment.bytes));
    }
    return true;
}

bool VCardFileSource::Read(const QString& key, ContactRecord& record) {
    const auto segments = LoadSegments();
    if (!segments) {
        return false;
    }
    const int index = Find(*segments, key);
    if (index < 0) {
        return false;
    }
    record = VCardCard::Parse((*segments)[index].bytes, nullptr)->record();
    return true;
}

bool VCardFileSource::Create(const ContactRecord& record, QString* key) {
    auto segments = LoadSegments();
    if (!segments) {
        return false;
    }
    QStringList taken;
    for (const Segment& segment : *segments) {
        if (const auto card =
                segment.card ? VCardCard::Parse(segment.bytes, nullptr) : std::nullopt) {
            taken.append(card->record()[ContactRecord::Display]);
        }
    }
    const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    VCardCard card = VCardCard::Make(record, uid);
    const QString shown = UniqueDisplayName(card.record()[ContactRecord::Display], taken);
    if (shown != card.record()[ContactRecord::Display]) {
        card.SetDisplayName(shown);
    }
    if (!segments->empty() && !segments->back().bytes.endsWith('\n')) {
        segments->back().bytes += "\r\n";
    }
    segments->push_back(Segment{card.bytes(), true});
    if (!Save(*segments)) {
        return false;
    }
    if (key != nullptr) {
        *key = uid;
    }
    return true;
}

bool VCardFileSource::Update(QString& key, const ContactRecord& record) {
    auto segments = LoadSegments();
    if (!segments) {
        return false;
    }
    const int index = Find(*segments, key);
    if (index < 0) {
        return false;
    }
    auto card = VCardCard::Parse((*segments)[index].bytes, nullptr);
    card->Apply(record);
    QString newKey = key;
    if (card->uid().isEmpty()) {
        // The key of a card without UID follows its bytes: give it one that stays.
        QByteArray bytes = card->bytes();
        const QByteArray eol = bytes.contains("\r\n") ? "\r\n" : "\n";
        const qsizetype end = bytes.toUpper().lastIndexOf("END:VCARD");
        newKey = QUuid::createUuid().toString(QUuid::WithoutBraces);
        bytes.insert(end, "UID:" + newKey.toLatin1() + eol);
        (*segments)[index].bytes = bytes;
    } else {
        (*segments)[index].bytes = card->bytes();
        newKey = card->uid();
    }
    if (!Save(*segments)) {
        return false;
    }
    key = newKey;
    return true;
}

bool VCardFileSource::Delete(const QString& key) {
    auto segments = LoadSegments();
    if (!segments) {
        return false;
    }
    const int index = Find(*segments, key);
    if (index < 0) {
        return false;
    }
    segments->erase(segments->begin() + index);
    return Save(*segments);
}

}  // namespace zuvo
