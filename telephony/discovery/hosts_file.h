#pragma once

#include <QList>
#include <QString>

#include "telephony/discovery/sip_server_entry.h"

namespace zuvo {

class Profile;

// The system hosts file: $ZUVO_HOSTS_FILE, else /etc/hosts.
QString HostsFilePath();

// True when a pair may go into the hosts file: the domain is a host name (letters, digits and
// "-" in dot-separated labels) that names none of the phone's own "Network" settings, and the
// address is a dotted IPv4 address. Anything else could add other lines or other settings.
bool IsValidHostsPair(const HostsPair& pair);

// Points "_sip._tls.<domain>" and "_sip._ssl.<domain>" at each valid pair's address (others are
// skipped). A line is replaced when it names exactly that host; comment lines are kept as they
// are. The addresses written are remembered under "Network" \ <domain> once the file has been
// written; nothing is touched when nothing changed and the file exists. The file is replaced
// through a temporary file and a rename, so a crash never leaves it half written. Returns false
// when the file could not be read or written (silently ignored by the caller).
bool UpdateHostsFile(Profile& profile, const QList<HostsPair>& pairs, const QString& path);

}  // namespace zuvo
