#pragma once

#include <QList>
#include <QString>

#include "telephony/discovery/sip_server_entry.h"

namespace zuvo {

class Profile;

// The system hosts file: $ZUVO_HOSTS_FILE, else /etc/hosts.
QString HostsFilePath();

// Points "_sip._tls.<domain>" and "_sip._ssl.<domain>" at each pair's address. The addresses
// last written are remembered under "Network" \ <domain>; nothing is touched when nothing changed
// and the file exists. Comment lines are kept as they are; the file is replaced through a
// temporary file and a rename, so a crash never leaves it half written. Returns false when the
// file could not be read or written (silently ignored by the caller).
bool UpdateHostsFile(Profile& profile, const QList<HostsPair>& pairs, const QString& path);

}  // namespace zuvo
