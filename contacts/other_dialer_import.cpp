#include "contacts/other_dialer_import.h"

#include "contacts/contacts_log.h"
#include "platform/registry.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {
// The other dialer's own limits on a name and its text, in bytes with the terminating zero.
constexpr qsizetype kMaxBytes = 127;
constexpr int kMaxValues = 1000;
}  // namespace

int ImportOtherDialerContacts(Registry& machine, AddressBookSource& source,
                              const AddressBookSource::Visitor& added) {
    const QString key = QString::fromUtf16(kOtherDialerKey);
    if (!machine.KeyExists(key)) {
        return 0;
    }
    int imported = 0;
    int handled = 0;
    for (const Registry::Value& value : machine.Values(key)) {
        if (++handled > kMaxValues) {
            break;
        }
        const Registry::Outcome removed = machine.RemoveValue(key, value.name);
        if (!removed.done) {
            qCDebug(lcContacts) << "other dialer's contact" << value.name
                                << "left for later: cannot delete it:" << removed.error;
            continue;
        }
        if (value.type != Registry::Type::String || value.name.toUtf8().size() >= kMaxBytes ||
            value.text.toUtf8().size() >= kMaxBytes) {
            qCDebug(lcContacts) << "other dialer's value dropped:" << value.name;
            continue;
        }
        const QStringList numbers = value.text.split(u"*+/"_s);
        if (numbers.size() < 3) {
            qCDebug(lcContacts) << "other dialer's value without two separators dropped:"
                                << value.name;
            continue;
        }
        ContactRecord record;
        record[ContactRecord::Display] = value.name;
        record[ContactRecord::Home] = numbers[0];
        record[ContactRecord::Business] = numbers[1];
        record[ContactRecord::Mobile] = numbers.mid(2).join(u"*+/"_s);
        QString created;
        if (!source.Create(record, &created)) {
            qCWarning(lcContacts) << "could not import the other dialer's contact" << value.name;
            continue;
        }
        ++imported;
        ContactRecord stored;
        if (added && source.Read(created, stored)) {
            added(stored, created);
        }
    }
    return imported;
}

}  // namespace zuvo
