// The address book library: the vCard sources, created through IAddressBookPlugin.

#include <QObject>

#include "contacts/address_book_plugin.h"
#include "contacts/vcard_file_source.h"
#include "contacts/vdir_source.h"

namespace zuvo {

class AddressBookPlugin : public QObject, public IAddressBookPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID ZUVO_ADDRESS_BOOK_PLUGIN_IID)
    Q_INTERFACES(zuvo::IAddressBookPlugin)
public:
    std::unique_ptr<AddressBookSource> CreateSource(bool folder, const QString& path) override {
        if (folder) {
            return std::make_unique<VdirSource>(path);
        }
        return std::make_unique<VCardFileSource>(path);
    }
};

}  // namespace zuvo

#include "address_book_plugin.moc"
