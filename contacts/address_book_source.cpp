#include "contacts/address_book_source.h"

#include <QFileInfo>
#include <QPluginLoader>
#include <QStandardPaths>

#include "contacts/address_book_plugin.h"
#include "contacts/contacts_log.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

QString DefaultAddressBookFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           u"/contacts/zuvo"_s;
}

QString DefaultAddressBookFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           u"/contacts/zuvo.vcf"_s;
}

QString AddressBookPluginPath() {
    // The program's own folder, also where no application object exists (tests, tools).
    return QFileInfo(u"/proc/self/exe"_s).canonicalPath() + u"/../lib/zuvo/zuvo-address-book.so"_s;
}

std::unique_ptr<AddressBookSource> ChooseAddressBookSource(const PlatformVersion& platform) {
    // Loaded once and kept: the contacts library registers types with GLib that must outlive
    // every source.
    static IAddressBookPlugin* plugin = [] {
        QPluginLoader loader(AddressBookPluginPath());
        auto* loaded = qobject_cast<IAddressBookPlugin*>(loader.instance());
        if (loaded == nullptr) {
            qCWarning(lcContacts) << "the address book is not available:" << loader.errorString();
        }
        return loaded;
    }();
    if (plugin == nullptr) {
        return nullptr;
    }
    const bool folder = platform.ntFamily && platform.major > 5;
    return plugin->CreateSource(folder,
                                folder ? DefaultAddressBookFolder() : DefaultAddressBookFile());
}

}  // namespace zuvo
