#include "contacts/address_book_source.h"

#include <QStandardPaths>

#include "contacts/vcard_file_source.h"
#include "contacts/vdir_source.h"

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

std::unique_ptr<AddressBookSource> ChooseAddressBookSource(const PlatformVersion& platform) {
    if (platform.ntFamily && platform.major > 5) {
        return std::make_unique<VdirSource>(DefaultAddressBookFolder());
    }
    return std::make_unique<VCardFileSource>(DefaultAddressBookFile());
}

}  // namespace zuvo
