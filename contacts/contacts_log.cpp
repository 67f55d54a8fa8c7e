#include "contacts/contacts_log.h"

Q_LOGGING_CATEGORY(lcContacts, "zuvo.contacts", QtWarningMsg)
