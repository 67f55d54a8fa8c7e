// zuvo-reg: queries, adds and deletes values of the phone's settings store, shaped like the
// Windows "reg" tool.
//   zuvo-reg query  KEY [/v NAME | /ve]
//   zuvo-reg add    KEY [/v NAME | /ve] [/t REG_SZ|REG_DWORD] [/d DATA] [/f]
//   zuvo-reg delete KEY [/v NAME | /ve] [/f]
// KEY begins with HKCU\ or HKLM\ (or HKEY_CURRENT_USER\, HKEY_LOCAL_MACHINE\).
// Exit codes: 0 done or found, 1 not found, 2 bad arguments, 3 the settings file cannot be read or
// written (the reason is printed). A query only reads: it never creates or changes the file.

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <optional>

#include "platform/registry.h"

using namespace Qt::Literals::StringLiterals;
using zuvo::Registry;

namespace {

struct Arguments {
    QString operation;
    QString hiveName;  // the long form, for printing
    QString hivePath;
    Registry* hive = nullptr;
    QString key;
    std::optional<QString> valueName;  // nullopt: the whole key
    QString type = u"REG_SZ"_s;
    std::optional<QString> data;
};

QTextStream& Out() {
    static QTextStream out(stdout);
    return out;
}

[[noreturn]] void Fail(const QString& message) {
    QTextStream(stderr) << "zuvo-reg: " << message << Qt::endl;
    std::exit(2);
}

bool AsksForHelp(const QStringList& args) {
    return args.size() == 1 && (args[0] == u"--help"_s || args[0] == u"-h"_s || args[0] == u"/?"_s);
}

constexpr char kHelp[] = R"(Usage: zuvo-reg query  KEY [/v NAME | /ve]
       zuvo-reg add    KEY [/v NAME | /ve] [/t REG_SZ|REG_DWORD] [/d DATA] [/f]
       zuvo-reg delete KEY [/v NAME | /ve] [/f]

Reads and changes the Zuvo phone's settings store, laid out like a registry.

KEY begins with HKCU\ (HKEY_CURRENT_USER\: the user's settings,
$XDG_CONFIG_HOME/zuvo/user.db) or HKLM\ (HKEY_LOCAL_MACHINE\: the machine's,
/etc/zuvo/machine.db or $ZUVO_MACHINE_STORE). The phone's own settings are below
"HKCU\Software\Zuvo\Zuvo PC".

Operations:
  query    print the key's values and sub-keys, or one value with /v or /ve;
           never changes the file
  add      create the key, or set a value (type REG_SZ unless /t says
           REG_DWORD; a number is decimal or 0x hex)
  delete   remove a value (/v, /ve) or the key with everything below it

Options:
  /v NAME  the value's name         /ve  the key's unnamed (default) value
  /t TYPE  REG_SZ or REG_DWORD      /d DATA  the value's data
  /f       accepted and ignored (nothing is ever asked)
  --help   this text

Exit codes:
  0  done or found             1  the key or value is not there
  2  bad arguments             3  the settings file cannot be read or written

Example: zuvo-reg add "HKCU\Software\Zuvo\Zuvo PC\Settings" /v DialLinks /t REG_DWORD /d 1
)";

Arguments Parse(const QStringList& args) {
    if (args.size() < 2) {
        Fail(
            u"usage: zuvo-reg query|add|delete KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]\n"
            u"(zuvo-reg --help tells more)"_s);
    }
    Arguments a;
    a.operation = args[0].toLower();
    if (a.operation != u"query"_s && a.operation != u"add"_s && a.operation != u"delete"_s) {
        Fail(u"unknown operation '%1' (use query, add or delete)"_s.arg(args[0]));
    }
    const QString key = args[1];
    const qsizetype slash = key.indexOf(u'\\');
    const QString root = (slash < 0 ? key : key.left(slash)).toUpper();
    if (root == u"HKCU"_s || root == u"HKEY_CURRENT_USER"_s) {
        a.hiveName = u"HKEY_CURRENT_USER"_s;
        a.hivePath = Registry::CurrentUserPath();
    } else if (root == u"HKLM"_s || root == u"HKEY_LOCAL_MACHINE"_s) {
        a.hiveName = u"HKEY_LOCAL_MACHINE"_s;
        a.hivePath = Registry::LocalMachinePath();
    } else {
        Fail(u"the key must begin with HKCU\\ or HKLM\\: '%1'"_s.arg(key));
    }
    a.key = Registry::SplitKey(slash < 0 ? QString() : key.mid(slash + 1)).join(u'\\');
    for (qsizetype i = 2; i < args.size(); ++i) {
        const QString option = args[i].toLower();
        auto next = [&]() -> QString {
            if (i + 1 >= args.size()) {
                Fail(u"%1 needs a value"_s.arg(args[i]));
            }
            return args[++i];
        };
        if (option == u"/v"_s) {
            a.valueName = next();
        } else if (option == u"/ve"_s) {
            a.valueName = QString();
        } else if (option == u"/t"_s) {
            a.type = next().toUpper();
            if (a.type != u"REG_SZ"_s && a.type != u"REG_DWORD"_s) {
                Fail(u"unsupported type '%1' (use REG_SZ or REG_DWORD)"_s.arg(a.type));
            }
        } else if (option == u"/d"_s) {
            a.data = next();
        } else if (option == u"/f"_s) {
            // Never asks anyway.
        } else {
            Fail(u"unknown option '%1'"_s.arg(args[i]));
        }
    }
    if (a.operation != u"add"_s &&
        (args.join(u' ').contains(u"/t"_s, Qt::CaseInsensitive) || a.data.has_value())) {
        Fail(u"/t and /d belong to add"_s);
    }
    return a;
}

QString FullKey(const Arguments& a, const QString& key) {
    return key.isEmpty() ? a.hiveName : a.hiveName + u'\\' + key;
}

void PrintValue(const Registry::Value& v) {
    const QString name = v.name.isEmpty() ? u"(Default)"_s : v.name;
    if (v.type == Registry::Type::Dword) {
        Out() << "    " << name << "    REG_DWORD    0x" << QString::number(v.number, 16) << '\n';
    } else {
        Out() << "    " << name << "    REG_SZ    " << v.text << '\n';
    }
}

constexpr int kStoreFailed = 3;

int CannotUse(const Arguments& a, const char* what, const QString& reason) {
    QTextStream(stderr) << "zuvo-reg: cannot " << what << " the settings file: " << reason << " ("
                        << a.hive->path() << ")" << Qt::endl;
    return kStoreFailed;
}

// A change that did not happen: the file's failure, or nothing there to change.
int Changed(const Arguments& a, const Registry::Outcome& outcome) {
    if (outcome.done) {
        return 0;
    }
    if (!outcome.error.isEmpty()) {
        return CannotUse(a, "write", outcome.error);
    }
    QTextStream(stderr) << "zuvo-reg: not found: "
                        << (a.valueName ? *a.valueName : FullKey(a, a.key)) << Qt::endl;
    return 1;
}

int Query(const Arguments& a) {
    const QString readError = a.hive->ReadError();
    if (!readError.isEmpty()) {
        return CannotUse(a, "read", readError);
    }
    if (!a.hive->KeyExists(a.key)) {
        QTextStream(stderr) << "zuvo-reg: the key was not found: " << FullKey(a, a.key) << Qt::endl;
        return 1;
    }
    if (a.valueName) {
        const auto v = a.hive->Query(a.key, *a.valueName);
        if (!v) {
            QTextStream(stderr) << "zuvo-reg: the value was not found: " << *a.valueName
                                << Qt::endl;
            return 1;
        }
        Out() << '\n' << FullKey(a, a.key) << '\n';
        PrintValue(*v);
        Out() << '\n';
        return 0;
    }
    Out() << '\n' << FullKey(a, a.key) << '\n';
    for (const auto& v : a.hive->Values(a.key)) {
        PrintValue(v);
    }
    Out() << '\n';
    for (const QString& sub : a.hive->SubKeys(a.key)) {
        Out() << FullKey(a, a.key.isEmpty() ? sub : a.key + u'\\' + sub) << '\n';
    }
    return 0;
}

int Add(const Arguments& a) {
    if (a.key.isEmpty()) {
        Fail(u"a key below the hive is needed"_s);
    }
    if (!a.valueName) {
        if (a.data) {
            Fail(u"/d needs /v NAME or /ve"_s);
        }
        return Changed(a, a.hive->MakeKey(a.key));
    }
    Registry::Value value{*a.valueName, Registry::Type::String, a.data.value_or(QString()), 0};
    if (a.type == u"REG_DWORD"_s) {
        const QString text = a.data.value_or(u"0"_s);
        bool ok = true;
        const qulonglong number = text.startsWith(u"0x"_s, Qt::CaseInsensitive)
                                      ? text.mid(2).toULongLong(&ok, 16)
                                      : text.toULongLong(&ok, 10);
        if (!ok || number > 0xFFFFFFFFull) {
            Fail(u"'%1' is not a 32-bit number"_s.arg(text));
        }
        value = Registry::Value{*a.valueName, Registry::Type::Dword, QString(),
                                static_cast<uint32_t>(number)};
    }
    return Changed(a, a.hive->Put(a.key, value));
}

int Delete(const Arguments& a) {
    if (a.valueName) {
        return Changed(a, a.hive->RemoveValue(a.key, *a.valueName));
    }
    if (a.key.isEmpty()) {
        Fail(u"refusing to delete a whole hive"_s);
    }
    return Changed(a, a.hive->Remove(a.key));
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (AsksForHelp(args)) {
        Out() << kHelp;
        Out().flush();
        return 0;
    }
    Arguments a = Parse(args);
    Registry hive(a.hivePath, a.operation == u"query"_s ? Registry::Access::ReadOnly
                                                        : Registry::Access::ReadWrite);
    a.hive = &hive;
    int code = 1;
    if (a.operation == u"query"_s) {
        code = Query(a);
    } else if (a.operation == u"add"_s) {
        code = Add(a);
    } else {
        code = Delete(a);
    }
    Out().flush();
    return code;
}
