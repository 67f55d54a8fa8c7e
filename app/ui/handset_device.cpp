#include "app/ui/handset_device.h"

#include <QLoggingCategory>
#include <QMetaObject>

#include <array>
#include <cstring>

#include "platform/handset_codes.h"
#include "platform/plugin_library.h"
#include "platform/registry.h"

Q_LOGGING_CATEGORY(lcHandset, "zuvo.handset", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

const QString HandsetDevice::kDriverKey =
    u"Software\\Tavicore Dizezeraruviva Ltd\\USB Drivers 4.02"_s;

namespace {

constexpr int kProgramIdBytes = 60;
constexpr int kProgramIdChars = 128;

}  // namespace

HandsetDevice::HandsetDevice(std::unique_ptr<PluginLibrary> library, void* object)
    : m_library(std::move(library)),
      m_table(&m_library->table<ZuvoHandsetTable>()),
      m_object(object) {}

HandsetDevice::~HandsetDevice() {
    m_closing = true;
    // The driver's thread ends inside destroy; only then may the library go.
    m_table->destroy(m_object);
}

std::unique_ptr<HandsetDevice> HandsetDevice::Start(const Registry& machine) {
    const auto value = machine.ReadString(kDriverKey, {});
    if (!value) {
        qCDebug(lcHandset) << "no handset driver registered";
        return nullptr;
    }
    // The stored text is at most 60 bytes, converted to at most 128 characters.
    const QString programId =
        QString::fromUtf8(value->toUtf8().left(kProgramIdBytes)).left(kProgramIdChars);
    const auto classId = PluginLibrary::ClassOfProgramId(machine, programId);
    if (!classId) {
        return nullptr;
    }
    auto library = PluginLibrary::ForClass(machine, *classId, ZUVO_HANDSET_INTERFACE_ID,
                                           sizeof(ZuvoHandsetTable));
    if (!library) {
        return nullptr;
    }
    const auto& table = library->table<ZuvoHandsetTable>();
    if (!table.create || !table.destroy || !table.register_callback || !table.get_information ||
        !table.set_property) {
        qCWarning(lcHandset) << library->path() << "leaves handset operations empty";
        return nullptr;
    }
    void* object = table.create();
    if (object == nullptr) {
        qCWarning(lcHandset) << "the handset driver made no object";
        return nullptr;
    }
    std::unique_ptr<HandsetDevice> device(new HandsetDevice(std::move(library), object));
    if (table.register_callback(object, &HandsetDevice::Callback, device.get()) < 0) {
        qCWarning(lcHandset) << "the handset driver refused the callback";
        return nullptr;
    }
    return device;
}

int HandsetDevice::Callback(void* context, int kind, int code, int pressed, int options,
                            int reserved) {
    auto* self = static_cast<HandsetDevice*>(context);
    if (self->m_closing) {
        return 1;
    }
    if (kind != ZUVO_HANDSET_EVENT_KEY || code < 0 ||
        code > static_cast<int>(HandsetKey::HomePage)) {
        qCDebug(lcHandset) << "handset event" << kind << code << reserved << "not handled";
        return 0;
    }
    // Only the option flags the phone knows.
    const int known = static_cast<int>(HandsetOption::CallKeepsCall) |
                      static_cast<int>(HandsetOption::StarDials) |
                      static_cast<int>(HandsetOption::HashDials);
    // The driver's thread never touches the window: the event waits for the main loop.
    QMetaObject::invokeMethod(
        self,
        [self, code, down = pressed != 0, flags = options & known] {
            Q_EMIT self->keyEvent(code, down, flags);
        },
        Qt::QueuedConnection);
    return 0;
}

std::optional<HandsetDevice::Information> HandsetDevice::ReadInformation() {
    std::array<unsigned char, ZUVO_HANDSET_INFO_SIZE> buffer{};
    if (m_table->get_information(m_object, buffer.data(), buffer.size()) < 0) {
        return std::nullopt;
    }
    // A driver that fills all 60 bytes with name still gives a terminated name.
    buffer[ZUVO_HANDSET_NAME_SIZE - 1] = 0;
    const auto* name = reinterpret_cast<const char*>(buffer.data());
    Information info;
    info.name =
        QString::fromUtf8(name, static_cast<qsizetype>(strnlen(name, ZUVO_HANDSET_NAME_SIZE)));
    info.capability = buffer[ZUVO_HANDSET_CAPABILITY_OFFSET];
    return info;
}

int HandsetDevice::SetProperty(int id, int value) {
    return m_table->set_property(m_object, id, value);
}

}  // namespace zuvo
