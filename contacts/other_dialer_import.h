#pragma once

#include <QString>

#include "contacts/address_book_source.h"

namespace zuvo {

class Registry;

// The contacts another dialer program left in the machine store, under
// "SOFTWARE\Quennet\Dialer\addressbook": one value per contact, named by its display name, whose
// text is home "*+/" business "*+/" mobile. Each value is taken over once: it is deleted first
// and imported only when the delete succeeded, so a store the user cannot write never imports
// the same contacts again at every opening. A value without both separators is deleted and
// dropped. Each created contact is handed to added. Returns how many were imported.
int ImportOtherDialerContacts(Registry& machine, AddressBookSource& source,
                              const AddressBookSource::Visitor& added);

inline constexpr auto kOtherDialerKey = u"SOFTWARE\\Quennet\\Dialer\\addressbook";

}  // namespace zuvo
