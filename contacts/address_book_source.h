#pragma once

#include <QString>

#include <functional>
#include <memory>

#include "contacts/contact_record.h"

namespace zuvo {

// The user's address book as the phone book sees it: six operations on contacts named by a
// stable key (a string the source gives out and takes back). A contact without a display name
// is never handed out. Main thread only; every operation re-reads the store.
class AddressBookSource {
public:
    // Called once per contact; returns whether it kept the key (the source does not care).
    using Visitor = std::function<bool(const ContactRecord& record, const QString& key)>;

    virtual ~AddressBookSource() = default;

    // Whether the store can be used (its folder or file exists or could be made).
    virtual bool Open() = 0;
    // Every readable contact with a display name, in the store's order; cards that cannot be read
    // are skipped with a log line. Returns false when the store itself could not be read.
    virtual bool Enumerate(const Visitor& visit) = 0;
    virtual bool Read(const QString& key, ContactRecord& record) = 0;
    // On success *key names the new contact.
    virtual bool Create(const ContactRecord& record, QString* key) = 0;
    // key names the contact; a store whose keys follow the contents may change it.
    virtual bool Update(QString& key, const ContactRecord& record) = 0;
    virtual bool Delete(const QString& key) = 0;
    // The folder or file the contacts live in, for watching changes other programs make.
    virtual QString Location() const = 0;
};

// Which member serves this platform: the folder of one card per contact on a current platform,
// else the single multi-contact file. Both live under $XDG_DATA_HOME/contacts. The members come
// from the address book plug-in, loaded on the first call; nothing when it cannot be loaded.
struct PlatformVersion {
    bool ntFamily = true;
    int major = 6;
};
std::unique_ptr<AddressBookSource> ChooseAddressBookSource(const PlatformVersion& platform = {});

// $XDG_DATA_HOME/contacts/zuvo (the folder member) and $XDG_DATA_HOME/contacts/zuvo.vcf.
QString DefaultAddressBookFolder();
QString DefaultAddressBookFile();
// Where the address book plug-in is looked for: next to the program, in ../lib/zuvo.
QString AddressBookPluginPath();

}  // namespace zuvo
