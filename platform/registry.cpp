#include "platform/registry.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <vector>

Q_LOGGING_CATEGORY(lcRegistry, "zuvo.registry", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kBusyTimeoutMs = 15000;
constexpr int kBusyRetryMs = 20;

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER NOT NULL,"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  UNIQUE(parent, name));"
    "CREATE TABLE IF NOT EXISTS vals("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  key INTEGER NOT NULL,"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  type INTEGER NOT NULL,"
    "  data,"
    "  UNIQUE(key, name));";

}  // namespace

class RegistryStatements {
public:
    RegistryStatements() = default;
    ~RegistryStatements() {
        for (const auto& [sql, statements] : idle) {
            for (sqlite3_stmt* statement : statements) {
                sqlite3_finalize(statement);
            }
        }
    }
    RegistryStatements(const RegistryStatements&) = delete;
    RegistryStatements& operator=(const RegistryStatements&) = delete;

    std::map<std::string, std::vector<sqlite3_stmt*>> idle;
};

namespace {

// A prepared statement that finalises itself.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
            qCWarning(lcRegistry) << "prepare failed:" << sqlite3_errmsg(db);
            m_stmt = nullptr;
        }
    }
    // Borrows the hive's prepared copy of sql (preparing it on first use) and gives it back
    // reset, so that a statement left at a row holds no read of the file.
    Statement(sqlite3* db, const char* sql, RegistryStatements& cache) : m_cache(&cache) {
        m_sql = sql;
        auto found = cache.idle.find(m_sql);
        if (found != cache.idle.end() && !found->second.empty()) {
            m_stmt = found->second.back();
            found->second.pop_back();
            return;
        }
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr) !=
            SQLITE_OK) {
            qCWarning(lcRegistry) << "prepare failed:" << sqlite3_errmsg(db);
            m_stmt = nullptr;
        }
    }
    ~Statement() {
        if (m_cache == nullptr || m_stmt == nullptr) {
            sqlite3_finalize(m_stmt);
            return;
        }
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
        m_cache->idle[m_sql].push_back(m_stmt);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_stmt != nullptr; }
    void bind(int i, int64_t v) { sqlite3_bind_int64(m_stmt, i, v); }
    void bind(int i, const QString& v) {
        const QByteArray utf8 = v.toUtf8();
        sqlite3_bind_text(m_stmt, i, utf8.constData(), static_cast<int>(utf8.size()),
                          SQLITE_TRANSIENT);
    }
    int step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_ERROR; }
    int64_t integer(int col) const { return sqlite3_column_int64(m_stmt, col); }
    QString text(int col) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, col));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(m_stmt, col)) : QString();
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    RegistryStatements* m_cache = nullptr;
    std::string m_sql;
};

// What a change inside a transaction asks for at its end.
enum class Step {
    Commit,   // keep what was done
    Nothing,  // nothing to change (roll back, no error)
    Failed,   // SQLite failed: roll back and report its error
};

// SQLite's words for the last failure, with the system's when it gave one.
QString ErrorText(sqlite3* db) {
    QString text = QString::fromUtf8(sqlite3_errmsg(db));
    const int system = sqlite3_system_errno(db);
    if (system != 0) {
        text += u" ("_s + QString::fromLocal8Bit(strerror(system)) + u')';
    }
    return text;
}

bool IsBusy(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

bool IsDamage(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

QString EnvOr(const char* name, const QString& fallback) {
    const QByteArray v = qgetenv(name);
    return v.isEmpty() ? fallback : QString::fromLocal8Bit(v);
}

}  // namespace

Registry::Registry(const QString& path, Access access)
    : m_path(path), m_access(access), m_statements(std::make_unique<RegistryStatements>()) {
    if (QFileInfo::exists(m_path)) {
        OpenFile();
    }
}

Registry::~Registry() {
    // Every statement is finalised before its connection closes.
    m_statements.reset();
    if (m_db != nullptr) {
        sqlite3_close_v2(m_db);
    }
}

namespace {

// The hive for a path, opened once. Hives are kept for the life of the process so references
// handed out stay valid when the environment points somewhere else (tests do that).
Registry& HiveAt(const QString& path) {
    static std::mutex mutex;
    static std::vector<std::unique_ptr<Registry>> hives;
    std::lock_guard lock(mutex);
    for (const auto& hive : hives) {
        if (hive->path() == path) {
            return *hive;
        }
    }
    hives.push_back(std::make_unique<Registry>(path));
    return *hives.back();
}

}  // namespace

Registry& Registry::CurrentUser() {
    return HiveAt(CurrentUserPath());
}

Registry& Registry::LocalMachine() {
    return HiveAt(LocalMachinePath());
}

QString Registry::CurrentUserPath() {
    QString config = EnvOr("XDG_CONFIG_HOME", QString());
    if (config.isEmpty()) {
        config = QDir::homePath() + u"/.config"_s;
    }
    return config + u"/zuvo/user.db"_s;
}

QString Registry::LocalMachinePath() {
    return EnvOr("ZUVO_MACHINE_STORE", u"/etc/zuvo/machine.db"_s);
}

// Opens the file, creating it with mode 0600 when missing. A file SQLite calls damaged is moved
// aside under a time-stamped name (never over an earlier one) and a fresh store takes its place.
bool Registry::OpenFile() {
    if (m_db != nullptr) {
        return true;
    }
    m_openError.clear();
    if (m_access == Access::ReadOnly) {
        return OpenForReading();
    }
    const QFileInfo info(m_path);
    if (!info.exists()) {
        if (!QDir().mkpath(info.absolutePath())) {
            m_openError = u"cannot create the folder %1"_s.arg(info.absolutePath());
            return false;
        }
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_CREAT | O_RDWR, 0600);
        if (fd < 0) {
            m_openError = QString::fromLocal8Bit(strerror(errno));
            return false;
        }
        ::close(fd);
    }
    // Another program opening the same new file at the same moment (the phone, zuvo-reg) can
    // hold it while it switches to WAL; SQLite then answers "locked" without waiting, so the
    // whole opening is tried again until the usual busy time has passed.
    QDeadlineTimer busyUntil(kBusyTimeoutMs);
    for (int attempt = 0; attempt < 2; ++attempt) {
        sqlite3* db = nullptr;
        int rc = sqlite3_open_v2(QFile::encodeName(m_path).constData(), &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(db, kBusyTimeoutMs);
            rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        }
        if (rc == SQLITE_OK) {
            Statement check(db, "PRAGMA quick_check");
            rc = check.ok() ? check.step() : sqlite3_errcode(db);
            if (rc == SQLITE_ROW) {
                rc = check.text(0) == u"ok"_s ? SQLITE_OK : SQLITE_CORRUPT;
            }
        }
        if (rc == SQLITE_OK) {
            rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
        }
        if (rc == SQLITE_OK) {
            m_db = db;
            return true;
        }
        if (IsBusy(rc) && !busyUntil.hasExpired()) {
            qCDebug(lcRegistry) << "settings store" << m_path << "busy while opening; again";
            sqlite3_close_v2(db);
            QThread::msleep(kBusyRetryMs);
            --attempt;
            continue;
        }
        const bool damaged = IsDamage(rc) || IsDamage(sqlite3_extended_errcode(db));
        // On a full file system even reading fails, as WAL needs room for its shared memory.
        const bool full = rc == SQLITE_FULL || sqlite3_system_errno(db) == ENOSPC;
        m_openError = ErrorText(db);
        qCWarning(lcRegistry) << "cannot open settings store" << m_path << ":" << m_openError;
        sqlite3_close_v2(db);
        if (!damaged && (full || ::access(QFile::encodeName(m_path).constData(), W_OK) != 0)) {
            // A file that cannot be changed (read-only file or file system, or no room left) can
            // still be read.
            const QString why = full ? m_openError : QString::fromLocal8Bit(strerror(errno));
            if (OpenForReading()) {
                if (full) {
                    m_writeRefusal = m_openError;
                }
                qCWarning(lcRegistry)
                    << "settings store" << m_path << "opened for reading only:" << why;
                return true;
            }
        }
        if (!damaged || attempt > 0) {
            return false;
        }
        const QString stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
        QString aside = m_path + u".damaged-"_s + stamp;
        for (int n = 1; QFileInfo::exists(aside); ++n) {
            aside = m_path + u".damaged-"_s + stamp + u"-"_s + QString::number(n);
        }
        if (!QFile::rename(m_path, aside)) {
            return false;
        }
        QFile::remove(m_path + u"-wal"_s);
        QFile::remove(m_path + u"-shm"_s);
        m_recoveryWarning =
            u"The settings store %1 was damaged; it was moved to %2 and the "
            u"phone starts with default settings."_s.arg(m_path, aside);
        qWarning().noquote() << m_recoveryWarning;
        const int fd = ::open(QFile::encodeName(m_path).constData(), O_CREAT | O_RDWR, 0600);
        if (fd < 0) {
            return false;
        }
        ::close(fd);
    }
    return false;
}

// Opens an existing file without ever writing to it. A WAL store needs its shared-memory file,
// which a read-only folder cannot hold; a file that nobody here can change is then read as
// unchanging, which needs none. On a full file system nobody can commit a change either, so a
// writable file is then read the same way.
bool Registry::OpenForReading() {
    if (!QFileInfo::exists(m_path)) {
        return false;
    }
    const QByteArray encoded = QUrl::toPercentEncoding(m_path, "/");
    bool full = false;
    for (const bool unchanging : {false, true}) {
        if (unchanging && !full && ::access(QFile::encodeName(m_path).constData(), W_OK) == 0) {
            break;
        }
        const QByteArray uri = "file:" + encoded + (unchanging ? "?immutable=1" : "");
        sqlite3* db = nullptr;
        int rc = sqlite3_open_v2(uri.constData(), &db,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_FULLMUTEX,
                                 nullptr);
        bool hasKeys = false;
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(db, kBusyTimeoutMs);
            // The first read is where a file that cannot be read fails; quietly, as a second
            // way may still work.
            rc = sqlite3_exec(
                db, "SELECT 1 FROM sqlite_master WHERE name = 'keys'",
                [](void* found, int, char**, char**) {
                    *static_cast<bool*>(found) = true;
                    return 0;
                },
                &hasKeys, nullptr);
        }
        if (rc == SQLITE_OK) {
            if (!hasKeys) {
                // An empty file (made but never written): it holds nothing.
                sqlite3_close_v2(db);
                return false;
            }
            m_db = db;
            return true;
        }
        full = rc == SQLITE_FULL || sqlite3_system_errno(db) == ENOSPC;
        m_openError = ErrorText(db);
        qCDebug(lcRegistry) << "cannot read settings store" << m_path << ":" << m_openError;
        sqlite3_close_v2(db);
    }
    return false;
}

bool Registry::OpenLocked() const {
    if (m_db == nullptr && QFileInfo::exists(m_path)) {
        const_cast<Registry*>(this)->OpenFile();
    }
    return m_db != nullptr;
}

QString Registry::ReadError() const {
    std::lock_guard lock(m_mutex);
    if (!QFileInfo::exists(m_path)) {
        return {};
    }
    if (!OpenLocked()) {
        return m_openError;  // empty for a file that holds nothing yet
    }
    Statement probe(m_db, "SELECT count(*) FROM keys", *m_statements);
    return probe.step() == SQLITE_ROW ? QString() : ErrorText(m_db);
}

// Runs fn inside BEGIN IMMEDIATE ... COMMIT (fn says whether to keep its changes) and reports
// SQLite's error when a step, the start or the commit failed.
template <class Fn>
Registry::Outcome Registry::Change(Fn&& fn) {
    std::lock_guard lock(m_mutex);
    if (!OpenFile()) {
        return {false, m_openError.isEmpty() ? u"cannot open %1"_s.arg(m_path) : m_openError};
    }
    if (!m_writeRefusal.isEmpty()) {
        qCDebug(lcRegistry) << "change refused:" << m_writeRefusal;
        return {false, m_writeRefusal};
    }
    if (sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const QString error = ErrorText(m_db);
        qCWarning(lcRegistry) << "cannot begin a write:" << error;
        return {false, error};
    }
    const Step step = fn();
    if (step != Step::Commit) {
        const QString error = step == Step::Failed ? ErrorText(m_db) : QString();
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return {false, error};
    }
    if (sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const QString error = ErrorText(m_db);
        qCWarning(lcRegistry) << "commit failed:" << error;
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        return {false, error};
    }
    return {true, {}};
}

QStringList Registry::SplitKey(const QString& key) {
    QStringList parts = key.split(u'\\', Qt::SkipEmptyParts);
    for (QString& p : parts) {
        p = p.trimmed();
    }
    parts.removeAll(QString());
    return parts;
}

std::optional<int64_t> Registry::FindKeyLocked(const QString& key) const {
    if (m_db == nullptr) {
        return std::nullopt;
    }
    int64_t id = 0;
    for (const QString& part : SplitKey(key)) {
        Statement q(m_db, "SELECT id FROM keys WHERE parent = ?1 AND name = ?2", *m_statements);
        q.bind(1, id);
        q.bind(2, part);
        if (q.step() != SQLITE_ROW) {
            return std::nullopt;
        }
        id = q.integer(0);
    }
    return id;
}

std::optional<int64_t> Registry::CreateKeyLocked(const QString& key) {
    int64_t id = 0;
    for (const QString& part : SplitKey(key)) {
        Statement insert(m_db, "INSERT OR IGNORE INTO keys(parent, name) VALUES(?1, ?2)",
                         *m_statements);
        insert.bind(1, id);
        insert.bind(2, part);
        if (insert.step() != SQLITE_DONE) {
            return std::nullopt;
        }
        Statement q(m_db, "SELECT id FROM keys WHERE parent = ?1 AND name = ?2", *m_statements);
        q.bind(1, id);
        q.bind(2, part);
        if (q.step() != SQLITE_ROW) {
            return std::nullopt;
        }
        id = q.integer(0);
    }
    return id;
}

bool Registry::KeyExists(const QString& key) const {
    std::lock_guard lock(m_mutex);
    OpenLocked();
    return FindKeyLocked(key).has_value();
}

bool Registry::CreateKey(const QString& key) {
    return MakeKey(key).done;
}

Registry::Outcome Registry::MakeKey(const QString& key) {
    return Change([&] { return CreateKeyLocked(key) ? Step::Commit : Step::Failed; });
}

bool Registry::DeleteKey(const QString& key) {
    return Remove(key).done;
}

Registry::Outcome Registry::Remove(const QString& key) {
    return Change([&] {
        const auto id = FindKeyLocked(key);
        if (!id || *id == 0) {
            return Step::Nothing;
        }
        const char* const tree =
            "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
            "SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id) ";
        Statement vals(m_db, (QByteArray(tree) + "DELETE FROM vals WHERE key IN sub").constData());
        vals.bind(1, *id);
        Statement keys(m_db, (QByteArray(tree) + "DELETE FROM keys WHERE id IN sub").constData());
        keys.bind(1, *id);
        return vals.step() == SQLITE_DONE && keys.step() == SQLITE_DONE ? Step::Commit
                                                                        : Step::Failed;
    });
}

std::optional<Registry::Value> Registry::Query(const QString& key, const QString& name) const {
    std::lock_guard lock(m_mutex);
    OpenLocked();
    const auto id = FindKeyLocked(key);
    if (!id) {
        return std::nullopt;
    }
    Statement q(m_db, "SELECT name, type, data FROM vals WHERE key = ?1 AND name = ?2",
                *m_statements);
    q.bind(1, *id);
    q.bind(2, name);
    if (q.step() != SQLITE_ROW) {
        return std::nullopt;
    }
    Value v;
    v.name = q.text(0);
    v.type = static_cast<Type>(q.integer(1));
    if (v.type == Type::Dword) {
        v.number = static_cast<uint32_t>(q.integer(2));
    } else {
        v.text = q.text(2);
    }
    return v;
}

std::optional<QString> Registry::ReadString(const QString& key, const QString& name) const {
    auto v = Query(key, name);
    if (!v || v->type != Type::String) {
        return std::nullopt;
    }
    return v->text;
}

std::optional<uint32_t> Registry::ReadDword(const QString& key, const QString& name) const {
    auto v = Query(key, name);
    if (!v || v->type != Type::Dword) {
        return std::nullopt;
    }
    return v->number;
}

Registry::Outcome Registry::Put(const QString& key, const Value& value) {
    return Change([&] {
        const auto id = CreateKeyLocked(key);
        if (!id) {
            return Step::Failed;
        }
        Statement up(m_db,
                     "INSERT INTO vals(key, name, type, data) VALUES(?1, ?2, ?3, ?4) "
                     "ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, "
                     "data = excluded.data",
                     *m_statements);
        up.bind(1, *id);
        up.bind(2, value.name);
        up.bind(3, static_cast<int64_t>(value.type));
        if (value.type == Type::Dword) {
            up.bind(4, static_cast<int64_t>(value.number));
        } else {
            up.bind(4, value.text);
        }
        return up.step() == SQLITE_DONE ? Step::Commit : Step::Failed;
    });
}

bool Registry::WriteString(const QString& key, const QString& name, const QString& text) {
    return Put(key, Value{name, Type::String, text, 0}).done;
}

bool Registry::WriteDword(const QString& key, const QString& name, uint32_t number) {
    return Put(key, Value{name, Type::Dword, QString(), number}).done;
}

bool Registry::DeleteValue(const QString& key, const QString& name) {
    return RemoveValue(key, name).done;
}

Registry::Outcome Registry::RemoveValue(const QString& key, const QString& name) {
    return Change([&] {
        const auto id = FindKeyLocked(key);
        if (!id) {
            return Step::Nothing;
        }
        Statement del(m_db, "DELETE FROM vals WHERE key = ?1 AND name = ?2", *m_statements);
        del.bind(1, *id);
        del.bind(2, name);
        if (del.step() != SQLITE_DONE) {
            return Step::Failed;
        }
        return sqlite3_changes(m_db) > 0 ? Step::Commit : Step::Nothing;
    });
}

QStringList Registry::SubKeys(const QString& key) const {
    std::lock_guard lock(m_mutex);
    OpenLocked();
    QStringList names;
    const auto id = FindKeyLocked(key);
    if (!id) {
        return names;
    }
    Statement q(m_db, "SELECT name FROM keys WHERE parent = ?1 ORDER BY id", *m_statements);
    q.bind(1, *id);
    while (q.step() == SQLITE_ROW) {
        names << q.text(0);
    }
    return names;
}

QList<Registry::Value> Registry::Values(const QString& key) const {
    std::lock_guard lock(m_mutex);
    OpenLocked();
    QList<Value> values;
    const auto id = FindKeyLocked(key);
    if (!id) {
        return values;
    }
    Statement q(m_db, "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id",
                *m_statements);
    q.bind(1, *id);
    while (q.step() == SQLITE_ROW) {
        Value v;
        v.name = q.text(0);
        v.type = static_cast<Type>(q.integer(1));
        if (v.type == Type::Dword) {
            v.number = static_cast<uint32_t>(q.integer(2));
        } else {
            v.text = q.text(2);
        }
        values << v;
    }
    return values;
}

}  // namespace zuvo
