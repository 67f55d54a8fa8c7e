#pragma once

#include <QString>

#include <cstddef>
#include <memory>
#include <optional>

#include "platform/plugin_abi.h"

namespace zuvo {

class Registry;

// A component library (dlopen) that passed the checks: an absolute path to a regular file, the
// entry point, the ABI version, the interface id and a table large enough for the interface.
// Unloaded when the object goes; objects made from its table must be destroyed first.
class PluginLibrary {
public:
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // Loads path and checks it implements interfaceId with a table of at least tableSize
    // bytes. Null, with a log line, when anything is wrong.
    static std::unique_ptr<PluginLibrary> Open(const QString& path, const char* interfaceId,
                                               std::size_t tableSize);
    // The library registered for classId in the machine hive
    // ("Software\Classes\CLSID\{id}\InprocServer32", default value), then Open.
    static std::unique_ptr<PluginLibrary> ForClass(const Registry& hive, const QString& classId,
                                                   const char* interfaceId, std::size_t tableSize);
    // The class id a program id names ("Software\Classes\<program id>\CLSID", default value).
    static std::optional<QString> ClassOfProgramId(const Registry& hive, const QString& programId);
    // "{8-4-4-4-12 hex digits}".
    static bool IsClassId(const QString& text);

    QString path() const { return m_path; }
    template <class Table>
    const Table& table() const {
        return *static_cast<const Table*>(m_table);
    }

private:
    PluginLibrary(void* handle, const void* table, QString path);

    void* m_handle = nullptr;
    const void* m_table = nullptr;
    QString m_path;
};

}  // namespace zuvo
