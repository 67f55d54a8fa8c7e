#pragma once

#include <QtPlugin>

#include <memory>

#include "contacts/address_book_source.h"

namespace zuvo {

// The address book library's entry point. The vCard sources need GNOME's contacts library and
// what it brings (the data server, the mail store, the HTTP and secret services), so they live in
// a plug-in the phone loads when the phone book first opens, not in every run of the phone.
class IAddressBookPlugin {
public:
    virtual ~IAddressBookPlugin() = default;
    // The folder of one card per contact when folder is true, else the single multi-contact file.
    virtual std::unique_ptr<AddressBookSource> CreateSource(bool folder, const QString& path) = 0;
};

}  // namespace zuvo

#define ZUVO_ADDRESS_BOOK_PLUGIN_IID "org.zuvo.AddressBookPlugin/1"
Q_DECLARE_INTERFACE(zuvo::IAddressBookPlugin, ZUVO_ADDRESS_BOOK_PLUGIN_IID)
