// zuvo-speeddial: lists, sets and clears the twelve speed-dial entries of the keypad, and tells a
// running phone to refresh that key's tool tip.
//   zuvo-speeddial list
//   zuvo-speeddial set KEY NUMBER [NAME]     KEY is 0-9, * or #
//   zuvo-speeddial clear KEY
// Exit codes: 0 done, 1 the store could not be written, 2 bad arguments.

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include "platform/external_control_protocol.h"
#include "platform/ids.h"
#include "platform/local_bus.h"
#include "platform/profile.h"
#include "platform/speed_dial_store.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

// zuvo-speeddial's exit codes: scripts test them, so they never change.
enum class SpeedDialExitCode : int { Done = 0, NotWritten = 1, BadArguments = 2 };

const QString& kKeys = SpeedDialStore::kKeys;

[[noreturn]] void Fail(const QString& message) {
    QTextStream(stderr) << "zuvo-speeddial: " << message << Qt::endl;
    std::exit(ToUnderlying(SpeedDialExitCode::BadArguments));
}

constexpr char kHelp[] = R"(Usage: zuvo-speeddial list
       zuvo-speeddial set KEY NUMBER [NAME]
       zuvo-speeddial clear KEY

The twelve speed-dial keys of the Zuvo phone's keypad. Holding a key on the
phone for 3 seconds dials the number stored for it.

Commands:
  list                    one line per key: KEY, NUMBER and NAME, tab-separated
  set KEY NUMBER [NAME]   store NUMBER (and a NAME for the key's tool tip)
  clear KEY               forget the key's number
  --help                  this text

KEY is one of 0-9, * or #. NUMBER may not hold ";". A running phone updates
the key's tool tip at once.

Exit codes:
  0  done                  1  the settings file could not be written
  2  bad arguments
)";

int KeyIndex(const QString& key) {
    if (key.size() != 1 || !kKeys.contains(key)) {
        Fail(u"'%1' is not a keypad key (0-9, * or #)"_s.arg(key));
    }
    return static_cast<int>(kKeys.indexOf(key));
}

void RefreshTooltip(int index) {
    if (const auto phone = LocalBus::FindWindow(ExternalControlProtocol::kPhoneWindowClass)) {
        LocalBus::PostMessage(*phone, Msg::SpeedDialTooltip, static_cast<WPARAM>(index), 0);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (args.size() == 1 && (args[0] == u"--help"_s || args[0] == u"-h"_s)) {
        QTextStream(stdout) << kHelp;
        return ToUnderlying(SpeedDialExitCode::Done);
    }
    if (args.isEmpty()) {
        Fail(u"usage: zuvo-speeddial list | set KEY NUMBER [NAME] | clear KEY"_s);
    }
    Profile profile = Profile::Phone();
    Registry& hive = profile.hive();
    const QString key = profile.KeyPath(SpeedDialStore::kSection);
    const QString command = args[0].toLower();
    QTextStream out(stdout);
    if (command == u"list"_s && args.size() == 1) {
        for (int i = 0; i < kKeys.size(); ++i) {
            const QString value =
                hive.ReadString(key, SpeedDialStore::ValueName(i)).value_or(QString());
            const qsizetype semi = value.indexOf(SpeedDialStore::kSeparator);
            const QString number = semi < 0 ? value : value.left(semi);
            const QString name = semi < 0 ? QString() : value.mid(semi + 1);
            out << kKeys[i] << '\t' << number << (name.isEmpty() ? u""_s : u"\t"_s + name) << '\n';
        }
        return ToUnderlying(SpeedDialExitCode::Done);
    }
    if (command == u"set"_s && (args.size() == 3 || args.size() == 4)) {
        const int index = KeyIndex(args[1]);
        const QString number = args[2].trimmed();
        if (number.isEmpty() || number.contains(SpeedDialStore::kSeparator)) {
            Fail(u"the number must not be empty or contain ';'"_s);
        }
        const QString value =
            args.size() == 4 ? number + SpeedDialStore::kSeparator + args[3] : number;
        if (value.toUtf8().size() > SpeedDialStore::kMaxBytes - 1) {
            Fail(u"the entry is longer than %1 bytes"_s.arg(SpeedDialStore::kMaxBytes - 1));
        }
        if (!hive.WriteString(key, SpeedDialStore::ValueName(index), value)) {
            QTextStream(stderr) << "zuvo-speeddial: cannot write " << hive.path() << Qt::endl;
            return ToUnderlying(SpeedDialExitCode::NotWritten);
        }
        RefreshTooltip(index);
        return ToUnderlying(SpeedDialExitCode::Done);
    }
    if (command == u"clear"_s && args.size() == 2) {
        const int index = KeyIndex(args[1]);
        hive.DeleteValue(key, SpeedDialStore::ValueName(index));
        RefreshTooltip(index);
        return ToUnderlying(SpeedDialExitCode::Done);
    }
    Fail(u"usage: zuvo-speeddial list | set KEY NUMBER [NAME] | clear KEY"_s);
}
