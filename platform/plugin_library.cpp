#include "platform/plugin_library.h"

#include <QLoggingCategory>
#include <QRegularExpression>

#include <dlfcn.h>
#include <sys/stat.h>
#include <cstring>

#include "platform/registry.h"

Q_LOGGING_CATEGORY(lcPlugin, "zuvo.plugin", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

// "{" + 36 + "}" and the terminator: anything longer is not an interface id.
constexpr std::size_t kInterfaceIdBytes = 39;

}  // namespace

PluginLibrary::PluginLibrary(void* handle, const void* table, QString path)
    : m_handle(handle), m_table(table), m_path(std::move(path)) {}

PluginLibrary::~PluginLibrary() {
    if (m_handle != nullptr && dlclose(m_handle) != 0) {
        qCWarning(lcPlugin) << "could not unload" << m_path << dlerror();
    }
}

bool PluginLibrary::IsClassId(const QString& text) {
    static const QRegularExpression pattern(
        u"^\\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\}$"_s);
    return pattern.match(text).hasMatch();
}

std::optional<QString> PluginLibrary::ClassOfProgramId(const Registry& hive,
                                                       const QString& programId) {
    // A program id is a name of letters, digits and dots, never a path into other keys.
    static const QRegularExpression pattern(u"^[A-Za-z0-9_.]{1,128}$"_s);
    if (!pattern.match(programId).hasMatch()) {
        qCWarning(lcPlugin) << "not a program id:" << programId.left(128);
        return std::nullopt;
    }
    const auto id = hive.ReadString(u"Software\\Classes\\"_s + programId + u"\\CLSID"_s, {});
    if (!id || !IsClassId(id->trimmed())) {
        qCDebug(lcPlugin) << "no class registered for" << programId;
        return std::nullopt;
    }
    return id->trimmed();
}

std::unique_ptr<PluginLibrary> PluginLibrary::ForClass(const Registry& hive, const QString& classId,
                                                       const char* interfaceId,
                                                       std::size_t tableSize) {
    if (!IsClassId(classId)) {
        qCWarning(lcPlugin) << "not a class id:" << classId.left(64);
        return nullptr;
    }
    const auto path =
        hive.ReadString(u"Software\\Classes\\CLSID\\"_s + classId + u"\\InprocServer32"_s, {});
    if (!path) {
        qCDebug(lcPlugin) << "class" << classId << "is not registered";
        return nullptr;
    }
    return Open(*path, interfaceId, tableSize);
}

std::unique_ptr<PluginLibrary> PluginLibrary::Open(const QString& path, const char* interfaceId,
                                                   std::size_t tableSize) {
    if (path.isEmpty() || !path.startsWith(u'/') || path.size() > 4096) {
        qCWarning(lcPlugin) << "component path is not absolute:" << path.left(256);
        return nullptr;
    }
    const QByteArray native = path.toLocal8Bit();
    struct stat info {};
    if (stat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        qCWarning(lcPlugin) << "component is not a regular file:" << path;
        return nullptr;
    }
    void* handle = dlopen(native.constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        qCWarning(lcPlugin) << "could not load" << path << dlerror();
        return nullptr;
    }
    // From here on the library is unloaded again on every refusal.
    std::unique_ptr<PluginLibrary> library(new PluginLibrary(handle, nullptr, path));
    void* symbol = dlsym(handle, ZUVO_PLUGIN_ENTRY_NAME);
    if (symbol == nullptr) {
        qCWarning(lcPlugin) << path << "has no entry point" << ZUVO_PLUGIN_ENTRY_NAME;
        return nullptr;
    }
    ZuvoPluginEntry entry = nullptr;
    static_assert(sizeof(entry) == sizeof(symbol));
    std::memcpy(&entry, &symbol, sizeof(entry));
    const ZuvoPluginDescriptor* descriptor = entry();
    if (descriptor == nullptr) {
        qCWarning(lcPlugin) << path << "gave no descriptor";
        return nullptr;
    }
    if (descriptor->abi_version != ZUVO_PLUGIN_ABI_VERSION) {
        qCWarning(lcPlugin) << path << "is built for component ABI" << descriptor->abi_version
                            << "not" << ZUVO_PLUGIN_ABI_VERSION;
        return nullptr;
    }
    if (descriptor->interface_id == nullptr ||
        strnlen(descriptor->interface_id, kInterfaceIdBytes) != std::strlen(interfaceId) ||
        strncasecmp(descriptor->interface_id, interfaceId, kInterfaceIdBytes) != 0) {
        qCWarning(lcPlugin) << path << "does not implement interface" << interfaceId;
        return nullptr;
    }
    if (descriptor->table == nullptr || descriptor->table_size < tableSize) {
        qCWarning(lcPlugin) << path << "has a table of" << descriptor->table_size
                            << "bytes; the interface needs" << tableSize;
        return nullptr;
    }
    library->m_table = descriptor->table;
    qCDebug(lcPlugin) << "loaded" << path;
    return library;
}

}  // namespace zuvo
