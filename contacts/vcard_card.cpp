#include "contacts/vcard_card.h"

#include <libebook-contacts/libebook-contacts.h>

#include <QStringList>

#include <mutex>

#include "contacts/contacts_log.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

// The properties the phone reads; every other line is only carried.
bool IsOwned(const QByteArray& name) {
    return name == "FN" || name == "N" || name == "ORG" || name == "TEL" || name == "UID";
}

// The vCard library reports what it could not parse through GLib's log: a damaged card is the
// user's data, not the program's fault, so it goes to the contacts log.
void RouteLibraryLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        g_log_set_handler(
            "libebook-contacts",
            static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
            [](const gchar*, GLogLevelFlags, const gchar* message, gpointer) {
                qCDebug(lcContacts) << "vCard library:" << message;
            },
            nullptr);
    });
}

QString Utf8(const char* text) {
    return text == nullptr ? QString() : QString::fromUtf8(text);
}

// The property's text values joined back by ";" (the library splits every value at ";").
QString JoinedValue(EVCardAttribute* attribute) {
    QStringList parts;
    for (GList* v = e_vcard_attribute_get_values(attribute); v != nullptr; v = v->next) {
        parts.append(Utf8(static_cast<const char*>(v->data)));
    }
    return parts.join(u';');
}

QString ValueAt(EVCardAttribute* attribute, int index) {
    GList* v = g_list_nth(e_vcard_attribute_get_values(attribute), static_cast<guint>(index));
    return v == nullptr ? QString() : Utf8(static_cast<const char*>(v->data));
}

// Every TYPE value, lower case, whether given as TYPE=a,b, TYPE="a,b", repeated TYPE= or bare
// 2.1 parameters.
QStringList Types(EVCardAttribute* attribute) {
    QStringList types;
    for (GList* p = e_vcard_attribute_get_params(attribute); p != nullptr; p = p->next) {
        auto* param = static_cast<EVCardAttributeParam*>(p->data);
        if (g_ascii_strcasecmp(e_vcard_attribute_param_get_name(param), "TYPE") != 0) {
            continue;
        }
        for (GList* v = e_vcard_attribute_param_get_values(param); v != nullptr; v = v->next) {
            const QString text = Utf8(static_cast<const char*>(v->data));
            for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
                QString type = part.trimmed().toLower();
                type.remove(u'"');
                if (!type.isEmpty()) {
                    types.append(type);
                }
            }
        }
    }
    return types;
}

bool IsUri(EVCardAttribute* attribute) {
    for (GList* p = e_vcard_attribute_get_params(attribute); p != nullptr; p = p->next) {
        auto* param = static_cast<EVCardAttributeParam*>(p->data);
        if (g_ascii_strcasecmp(e_vcard_attribute_param_get_name(param), "VALUE") == 0) {
            GList* v = e_vcard_attribute_param_get_values(param);
            return v != nullptr &&
                   g_ascii_strcasecmp(static_cast<const char*>(v->data), "uri") == 0;
        }
    }
    return false;
}

QString NumberOf(EVCardAttribute* attribute) {
    QString number = JoinedValue(attribute).trimmed();
    if (number.startsWith(u"tel:"_s, Qt::CaseInsensitive)) {
        number = number.mid(4);
    }
    return number;
}

enum class NumberKind { Home, Work, Mobile, Rest };

NumberKind KindOf(const QStringList& types) {
    if (types.contains(u"cell"_s)) {
        return NumberKind::Mobile;
    }
    // A fax, pager or modem line is not a voice number even when it is a home or work one.
    for (const auto& other : {u"fax"_s, u"pager"_s, u"modem"_s, u"textphone"_s, u"video"_s}) {
        if (types.contains(other) && !types.contains(u"voice"_s)) {
            return NumberKind::Rest;
        }
    }
    if (types.contains(u"home"_s)) {
        return NumberKind::Home;
    }
    if (types.contains(u"work"_s)) {
        return NumberKind::Work;
    }
    return NumberKind::Rest;
}

// Whether the library reads `part` as a property name after a group and gives up on it (an
// empty or unended name, or a character a name cannot hold): it then loses the group's buffer.
bool BadNameAfterGroup(QByteArray part) {
    part.replace("\r ", "").replace("\r\t", "");  // folded inside the name
    qsizetype end = 0;
    while (end < part.size() && part[end] != ':' && part[end] != ';') {
        ++end;
    }
    const QString name = QString::fromUtf8(part.left(end));
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0) {
        return false;  // no group, nothing kept
    }
    if (end == part.size() || dot == name.size() - 1) {
        return true;
    }
    for (const char32_t c : name.toUcs4()) {
        if (c != U'.' && c != U'-' && c != U'_' && !QChar::isLetterOrNumber(c)) {
            return true;
        }
    }
    return false;
}

// Whether the library would lose memory reading this line. It starts a name at the line's
// start and after each lone carriage return (one followed by a blank folds the line instead).
bool LosesGroup(const QByteArray& line) {
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        const bool fold = i + 1 < line.size() && (line[i + 1] == ' ' || line[i + 1] == '\t');
        if (i == line.size() || (line[i] == '\r' && !fold)) {
            if (BadNameAfterGroup(line.mid(start, i - start))) {
                return true;
            }
            start = i + 1;
        }
    }
    return false;
}

QByteArray PropertyName(const QByteArray& unfolded) {
    qsizetype end = 0;
    while (end < unfolded.size() && unfolded[end] != ';' && unfolded[end] != ':') {
        ++end;
    }
    QByteArray name = unfolded.left(end).trimmed();
    const qsizetype dot = name.lastIndexOf('.');
    if (dot >= 0) {
        name = name.mid(dot + 1);
    }
    return name.toUpper();
}

EVCardAttribute* NewAttribute(const char* name, const QString& value) {
    EVCardAttribute* attribute = e_vcard_attribute_new(nullptr, name);
    e_vcard_attribute_add_value(attribute, value.toUtf8().constData());
    return attribute;
}

}  // namespace

void VCardCard::CardDeleter::operator()(EVCard* card) const {
    g_object_unref(card);
}

VCardCard::VCardCard() {
    m_slotLine.fill(-1);
}
VCardCard::VCardCard(VCardCard&&) noexcept = default;
VCardCard& VCardCard::operator=(VCardCard&&) noexcept = default;
VCardCard::~VCardCard() = default;

std::optional<VCardCard> VCardCard::Parse(const QByteArray& bytes, QString* why) {
    auto fail = [why](const QString& reason) -> std::optional<VCardCard> {
        if (why != nullptr) {
            *why = reason;
        }
        return std::nullopt;
    };
    if (bytes.size() > kMaxBytes) {
        return fail(u"larger than %1 bytes"_s.arg(kMaxBytes));
    }
    // Also refuses NUL bytes, so binary files end here.
    if (!g_utf8_validate(bytes.constData(), bytes.size(), nullptr)) {
        return fail(u"not UTF-8 text"_s);
    }
    VCardCard card;
    card.m_eol = bytes.contains("\r\n") || !bytes.contains('\n') ? "\r\n" : "\n";

    // Logical lines: a line starting with a blank continues the one before.
    std::vector<QByteArray> unfolded;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', pos);
        end = end < 0 ? bytes.size() : end + 1;
        const QByteArray physical = bytes.mid(pos, end - pos);
        pos = end;
        QByteArray content = physical;
        while (content.endsWith('\n') || content.endsWith('\r')) {
            content.chop(1);
        }
        const bool continuation =
            !card.m_lines.empty() && (content.startsWith(' ') || content.startsWith('\t'));
        if (continuation) {
            card.m_lines.back().raw += physical;
            unfolded.back() += content.mid(1);
            continue;
        }
        if (content.trimmed().isEmpty() && !card.m_lines.empty()) {
            card.m_lines.back().raw += physical;  // blank lines stay where they were
            continue;
        }
        if (static_cast<int>(card.m_lines.size()) >= kMaxLines) {
            return fail(u"more than %1 lines"_s.arg(kMaxLines));
        }
        card.m_lines.push_back(Line{physical, PropertyName(content), -1});
        unfolded.push_back(content);
    }
    if (card.m_lines.size() < 2 || unfolded.front().trimmed().toUpper() != "BEGIN:VCARD" ||
        unfolded.back().trimmed().toUpper() != "END:VCARD") {
        return fail(u"not one card between BEGIN:VCARD and END:VCARD"_s);
    }

    // Each owned property goes through the vCard library in a small card of its own: the
    // library reads a property with a broken parameter up to the end of its input, and would
    // take the properties after it along (an edit that adds one would then lose the card).
    RouteLibraryLog();
    card.m_parsed.reset(e_vcard_new());
    int unread = 0;
    int numbers = 0;
    for (std::size_t i = 1; i + 1 < card.m_lines.size(); ++i) {
        const QByteArray& name = card.m_lines[i].name;
        if (name == "BEGIN" || name == "END") {
            return fail(u"more than one card"_s);
        }
        if (name == "VERSION") {
            const qsizetype colon = unfolded[i].indexOf(':');
            card.m_version = QString::fromUtf8(unfolded[i].mid(colon + 1).trimmed());
        }
        if (!IsOwned(name)) {
            continue;
        }
        if (name == "TEL" && ++numbers > kMaxNumbers) {
            return fail(u"more than %1 phone numbers"_s.arg(kMaxNumbers));
        }
        if (unfolded[i].count(';') + unfolded[i].count(',') > kMaxSeparators) {
            return fail(u"a property with more than %1 separators"_s.arg(kMaxSeparators));
        }
        if (LosesGroup(unfolded[i])) {
            ++unread;
            continue;
        }
        const QByteArray one = "BEGIN:VCARD\r\n" + unfolded[i] + "\r\nEND:VCARD\r\n";
        const std::unique_ptr<EVCard, CardDeleter> single(e_vcard_new_from_string(one.constData()));
        GList* read = e_vcard_get_attributes(single.get());
        if (read == nullptr || read->next != nullptr) {
            ++unread;  // nothing, or a line the library took for more than one property
            continue;
        }
        card.m_lines[i].attribute = static_cast<int>(card.m_attributes.size());
        auto* copy = e_vcard_attribute_copy(static_cast<EVCardAttribute*>(read->data));
        e_vcard_append_attribute(card.m_parsed.get(), copy);
        card.m_attributes.push_back(copy);
    }
    if (unread > 0) {
        return fail(u"the vCard library could not read %1 of its properties"_s.arg(unread));
    }
    if (!card.ReadOwned(why)) {
        return std::nullopt;
    }
    return card;
}

bool VCardCard::ReadOwned(QString*) {
    int homes = 0;
    int works = 0;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.attribute < 0) {
            continue;
        }
        auto* attribute = static_cast<EVCardAttribute*>(m_attributes[line.attribute]);
        const int index = static_cast<int>(i);
        if (line.name == "FN" && m_slotLine[SlotFn] < 0) {
            m_slotLine[SlotFn] = index;
            m_record[ContactRecord::Display] = JoinedValue(attribute).trimmed();
        } else if (line.name == "N" && m_slotLine[SlotN] < 0) {
            m_slotLine[SlotN] = index;
            m_record[ContactRecord::Last] = ValueAt(attribute, 0);
            m_record[ContactRecord::First] = ValueAt(attribute, 1);
            m_record[ContactRecord::Middle] = ValueAt(attribute, 2);
        } else if (line.name == "ORG" && m_slotLine[SlotOrg] < 0) {
            m_slotLine[SlotOrg] = index;
            m_record[ContactRecord::Company] = ValueAt(attribute, 0);
        } else if (line.name == "UID" && m_uid.isEmpty()) {
            m_uid = JoinedValue(attribute).trimmed();
        } else if (line.name == "TEL") {
            int slot = SlotOther;
            switch (KindOf(Types(attribute))) {
                case NumberKind::Mobile:
                    slot = SlotMobile;
                    break;
                case NumberKind::Home:
                    slot = homes == 0 ? SlotHome : homes == 1 ? SlotHome2 : SlotOther;
                    ++homes;
                    break;
                case NumberKind::Work:
                    slot = works == 0 ? SlotBusiness : works == 1 ? SlotBusiness2 : SlotOther;
                    ++works;
                    break;
                case NumberKind::Rest:
                    break;
            }
            if (m_slotLine[slot] >= 0) {
                slot = SlotOther;  // a second mobile is one of the rest
            }
            if (m_slotLine[slot] >= 0) {
                continue;  // kept in the card, not shown
            }
            m_slotLine[slot] = index;
            static constexpr std::array kField = {
                ContactRecord::Display,   ContactRecord::Last,   ContactRecord::Company,
                ContactRecord::Home,      ContactRecord::Home2,  ContactRecord::Business,
                ContactRecord::Business2, ContactRecord::Mobile, ContactRecord::Other};
            m_record[kField[slot]] = NumberOf(attribute);
        }
    }
    return true;
}

VCardCard VCardCard::Make(const ContactRecord& record, const QString& uid) {
    QByteArray text = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    VCardCard empty;
    text += empty.Rendered(NewAttribute("UID", uid));
    text += "END:VCARD\r\n";
    auto card = Parse(text, nullptr);
    card->Apply(record);
    return std::move(*card);
}

void* VCardCard::SlotAttribute(int slot) const {
    const int line = m_slotLine[slot];
    return line < 0 ? nullptr : m_attributes[m_lines[line].attribute];
}

QByteArray VCardCard::Rendered(void* attribute) const {
    EVCard* holder = e_vcard_new();
    e_vcard_append_attribute(holder, static_cast<EVCardAttribute*>(attribute));
    gchar* text = e_vcard_to_string(holder, EVC_FORMAT_VCARD_30);
    const QByteArray all(text);
    g_free(text);
    g_object_unref(holder);
    // Keep the property's own lines, folded as the library folds them, with the card's line end.
    QByteArray result;
    bool inProperty = false;
    for (QByteArray line : all.split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        const bool continuation = line.startsWith(' ') || line.startsWith('\t');
        if (!continuation) {
            const QByteArray upper = line.toUpper();
            inProperty = !upper.startsWith("BEGIN:VCARD") && !upper.startsWith("VERSION:") &&
                         !upper.startsWith("END:VCARD") && !line.isEmpty();
        }
        if (inProperty) {
            result += line + m_eol;
        }
    }
    return result;
}

void VCardCard::SetLine(int slot, const QByteArray& name, void* attribute) {
    const QByteArray raw = Rendered(attribute);
    if (m_slotLine[slot] >= 0) {
        m_lines[m_slotLine[slot]].raw = raw;
    } else {
        InsertLine(name, raw);
    }
}

void VCardCard::InsertLine(const QByteArray& name, const QByteArray& raw) {
    // New numbers go after the last number, so the order of home and home 2 holds; the rest
    // before END:VCARD.
    std::size_t at = m_lines.size() - 1;
    if (name == "TEL") {
        for (std::size_t i = 0; i + 1 < m_lines.size(); ++i) {
            if (m_lines[i].name == "TEL" && !m_lines[i].raw.isEmpty()) {
                at = i + 1;
            }
        }
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), Line{raw, name, -1});
    for (int& line : m_slotLine) {
        if (line >= static_cast<int>(at)) {
            ++line;
        }
    }
}

void VCardCard::SetNumber(int slot, const QString& number) {
    static const std::array<const char*, SlotCount> kTypes = {
        nullptr, nullptr, nullptr, "HOME", "HOME", "WORK", "WORK", "CELL", nullptr};
    auto* old = static_cast<EVCardAttribute*>(SlotAttribute(slot));
    if (number.isEmpty()) {
        if (old != nullptr) {
            m_lines[m_slotLine[slot]].raw.clear();
        }
        return;
    }
    EVCardAttribute* attribute = nullptr;
    if (old != nullptr) {
        attribute = e_vcard_attribute_copy(old);
        e_vcard_attribute_remove_values(attribute);
        const QString value = IsUri(old) ? u"tel:"_s + number : number;
        e_vcard_attribute_add_value(attribute, value.toUtf8().constData());
    } else {
        attribute = NewAttribute("TEL", number);
        EVCardAttributeParam* type = e_vcard_attribute_param_new("TYPE");
        if (kTypes[slot] != nullptr && std::string_view(kTypes[slot]) != "CELL") {
            e_vcard_attribute_add_param_with_values(attribute, type, kTypes[slot], "VOICE",
                                                    nullptr);
        } else {
            e_vcard_attribute_add_param_with_value(
                attribute, type, kTypes[slot] != nullptr ? kTypes[slot] : "VOICE");
        }
    }
    SetLine(slot, "TEL", attribute);
}

void VCardCard::Apply(const ContactRecord& wanted) {
    ContactRecord record = wanted;
    if (record[ContactRecord::Display].isEmpty()) {
        QStringList parts;
        for (auto field : {ContactRecord::First, ContactRecord::Middle, ContactRecord::Last}) {
            if (!record[field].isEmpty()) {
                parts.append(record[field]);
            }
        }
        record[ContactRecord::Display] = parts.join(u' ');
    }
    const ContactRecord& old = m_record;

    if (record[ContactRecord::Display] != old[ContactRecord::Display] || m_slotLine[SlotFn] < 0) {
        SetLine(SlotFn, "FN", NewAttribute("FN", record[ContactRecord::Display]));
    }
    const bool nameChanged = record[ContactRecord::First] != old[ContactRecord::First] ||
                             record[ContactRecord::Middle] != old[ContactRecord::Middle] ||
                             record[ContactRecord::Last] != old[ContactRecord::Last];
    if (nameChanged || m_slotLine[SlotN] < 0) {
        // The family, given and additional names; prefixes and suffixes stay as they were.
        std::array<QString, 5> parts = {record[ContactRecord::Last], record[ContactRecord::First],
                                        record[ContactRecord::Middle], QString(), QString()};
        auto* n = static_cast<EVCardAttribute*>(SlotAttribute(SlotN));
        EVCardAttribute* attribute =
            n != nullptr ? e_vcard_attribute_copy(n) : e_vcard_attribute_new(nullptr, "N");
        if (n != nullptr) {
            parts[3] = ValueAt(n, 3);
            parts[4] = ValueAt(n, 4);
        }
        e_vcard_attribute_remove_values(attribute);
        for (const QString& part : parts) {
            e_vcard_attribute_add_value(attribute, part.toUtf8().constData());
        }
        SetLine(SlotN, "N", attribute);
    }
    if (record[ContactRecord::Company] != old[ContactRecord::Company]) {
        auto* org = static_cast<EVCardAttribute*>(SlotAttribute(SlotOrg));
        if (record[ContactRecord::Company].isEmpty()) {
            m_lines[m_slotLine[SlotOrg]].raw.clear();
        } else {
            // Units after the company name stay.
            QStringList parts;
            if (org != nullptr) {
                for (GList* v = e_vcard_attribute_get_values(org); v != nullptr; v = v->next) {
                    parts.append(Utf8(static_cast<const char*>(v->data)));
                }
            }
            if (parts.isEmpty()) {
                parts.append(QString());
            }
            parts[0] = record[ContactRecord::Company];
            EVCardAttribute* attribute = org != nullptr ? e_vcard_attribute_copy(org)
                                                        : e_vcard_attribute_new(nullptr, "ORG");
            e_vcard_attribute_remove_values(attribute);
            for (const QString& part : parts) {
                e_vcard_attribute_add_value(attribute, part.toUtf8().constData());
            }
            SetLine(SlotOrg, "ORG", attribute);
        }
    }
    static constexpr std::array<std::pair<int, ContactRecord::Field>, 6> kNumbers = {{
        {SlotHome, ContactRecord::Home},
        {SlotHome2, ContactRecord::Home2},
        {SlotBusiness, ContactRecord::Business},
        {SlotBusiness2, ContactRecord::Business2},
        {SlotMobile, ContactRecord::Mobile},
        {SlotOther, ContactRecord::Other},
    }};
    for (const auto& [slot, field] : kNumbers) {
        if (record[field] != old[field]) {
            SetNumber(slot, record[field]);
        }
    }
    // Read back what was written, so the card describes itself again.
    auto reread = Parse(bytes(), nullptr);
    if (reread) {
        *this = std::move(*reread);
    }
}

void VCardCard::SetDisplayName(const QString& name) {
    SetLine(SlotFn, "FN", NewAttribute("FN", name));
    auto reread = Parse(bytes(), nullptr);
    if (reread) {
        *this = std::move(*reread);
    }
}

QByteArray VCardCard::bytes() const {
    QByteArray out;
    for (const Line& line : m_lines) {
        out += line.raw;
    }
    if (!out.endsWith('\n')) {
        out += m_eol;
    }
    return out;
}

}  // namespace zuvo
