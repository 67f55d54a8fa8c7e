#include "contacts/speed_dial.h"

#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "platform/profile.h"
#include "platform/speed_dial_store.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr qsizetype kMaxBytes = SpeedDialStore::kMaxBytes;

QString CutToBytes(const QString& text) {
    qsizetype bytes = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const char16_t c = text.at(i).unicode();
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                          QChar::isLowSurrogate(text.at(i + 1).unicode());
        const qsizetype width = pair ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        if (bytes + width > kMaxBytes - 1)
            break;
        bytes += width;
        i += pair ? 2 : 1;
    }
    return text.left(i);
}
}  // namespace

SpeedDialEntry SpeedDial::Split(const QString& text) {
    const qsizetype semi = text.indexOf(SpeedDialStore::kSeparator);
    if (semi < 0)
        return {text, {}};
    return {text.left(semi), text.mid(semi + 1)};
}

std::optional<SpeedDialEntry> SpeedDial::Lookup(int index) const {
    if (index < 0 || index >= SpeedDialStore::kKeys.size())
        return std::nullopt;
    const QString key = m_profile.KeyPath(SpeedDialStore::kSection);
    if (!m_profile.hive().KeyExists(key))
        return std::nullopt;
    const auto value = m_profile.hive().ReadString(key, SpeedDialStore::ValueName(index));
    if (!value)
        return std::nullopt;
    SpeedDialEntry entry = Split(CutToBytes(*value));
    if (entry.number.isEmpty())
        return std::nullopt;
    return entry;
}

QString SpeedDial::TooltipText(int index) const {
    const auto entry = Lookup(index);
    if (!entry)
        return {};
    // The prefix comes from the table so that a language bundle's text is shown.
    return StringTable::Global().Get(StringId::HoldToDial) +
           (entry->comment.isEmpty() ? entry->number : entry->comment);
}

}  // namespace zuvo
