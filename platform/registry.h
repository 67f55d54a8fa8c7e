#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

struct sqlite3;

namespace zuvo {

class RegistryStatements;

// A hierarchical, typed settings store shaped like the Windows registry: keys are paths of names
// separated by "\", each key holds named values of type REG_SZ (text) or REG_DWORD (32-bit
// number); the unnamed value is the key's default value. Names compare case-insensitively and
// keep the case they were created with; subkeys and values enumerate in creation order.
//
// One SQLite database file per hive. Every write is one transaction; several processes may use a
// hive at once (WAL journal, busy time-out). A damaged file is moved aside and replaced by an
// empty store. Thread-safe.
class Registry {
public:
    enum class Type : uint32_t { String = 1, Dword = 4 };

    struct Value {
        QString name;
        Type type = Type::String;
        QString text;         // for REG_SZ
        uint32_t number = 0;  // for REG_DWORD
    };

    // ReadWrite may create the file and move a damaged one aside; ReadOnly never changes the file
    // (for tools that only look).
    enum class Access { ReadWrite, ReadOnly };

    // The outcome of a change: whether the key or value was written, created or deleted, and,
    // when the settings file could not be read or written, why (in the system's words). Not done
    // with no error means there was nothing to change (a value to delete was not there).
    struct Outcome {
        bool done = false;
        QString error;
    };

    // Opens (with ReadWrite creating it with mode 0600 when missing and the folder can be made)
    // the hive at path. A file that can be read but not written (read-only file or file system)
    // is opened for reading; every write then fails with the reason. A file that cannot be
    // opened gives a hive on which every read finds nothing and every write fails.
    explicit Registry(const QString& path, Access access = Access::ReadWrite);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // The process's two hives, opened on first use.
    static Registry& CurrentUser();
    static Registry& LocalMachine();
    static QString CurrentUserPath();   // $XDG_CONFIG_HOME/zuvo/user.db
    static QString LocalMachinePath();  // $ZUVO_MACHINE_STORE or /etc/zuvo/machine.db

    QString path() const { return m_path; }
    bool isOpen() const { return m_db != nullptr; }
    // Text of the warning given when a damaged file was moved aside at open; empty otherwise.
    QString recoveryWarning() const { return m_recoveryWarning; }

    // Empty when the file can be read (a missing file can: it holds nothing); otherwise why not.
    // Reads of a file that cannot be read find nothing, so a caller that must tell "missing" from
    // "unreadable" asks here.
    QString ReadError() const;

    bool KeyExists(const QString& key) const;
    bool CreateKey(const QString& key);  // creates missing parents too
    bool DeleteKey(const QString& key);  // with all its subkeys and values

    std::optional<Value> Query(const QString& key, const QString& name) const;
    std::optional<QString> ReadString(const QString& key, const QString& name) const;
    std::optional<uint32_t> ReadDword(const QString& key, const QString& name) const;
    // Writes create the key when it is missing; callers that must only open check KeyExists.
    bool WriteString(const QString& key, const QString& name, const QString& text);
    bool WriteDword(const QString& key, const QString& name, uint32_t number);
    bool DeleteValue(const QString& key, const QString& name);
    // The same changes with the reason of a failure.
    Outcome Put(const QString& key, const Value& value);
    Outcome MakeKey(const QString& key);
    Outcome Remove(const QString& key);  // the key, its subkeys and values; not the hive's root
    Outcome RemoveValue(const QString& key, const QString& name);

    QStringList SubKeys(const QString& key) const;
    QList<Value> Values(const QString& key) const;

    // Splits and cleans a key path: "A\\B\\" and "\A\B" both give {"A", "B"}.
    static QStringList SplitKey(const QString& key);

private:
    bool OpenFile();
    bool OpenForReading();
    bool OpenLocked() const;  // opens an existing file for a read
    template <class Fn>
    Outcome Change(Fn&& fn);
    std::optional<int64_t> FindKeyLocked(const QString& key) const;
    std::optional<int64_t> CreateKeyLocked(const QString& key);

    QString m_path;
    Access m_access = Access::ReadWrite;
    QString m_openError;  // why the last open failed
    // Why a store opened for reading only refuses every change (a full file system), else empty.
    QString m_writeRefusal;
    QString m_recoveryWarning;
    sqlite3* m_db = nullptr;
    // The prepared statements not in use, by their SQL (under m_mutex): a start reads and writes
    // hundreds of values, and preparing each statement anew was most of the store's time.
    std::unique_ptr<RegistryStatements> m_statements;
    mutable std::mutex m_mutex;
};

}  // namespace zuvo
