#include "popups/popup_store.h"

#include <QLoggingCategory>

#include <algorithm>
#include <limits>

Q_LOGGING_CATEGORY(lcPopups, "zuvo.popups", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kSection = u"Popups"_s;

int64_t ReadTime(const Registry& hive, const QString& key, const QString& name) {
    return static_cast<int64_t>(hive.ReadDword(key, name).value_or(0));
}

int ReadInt(const Registry& hive, const QString& key, const QString& name, int fallback) {
    const std::optional<uint32_t> v = hive.ReadDword(key, name);
    return v ? static_cast<int>(*v) : fallback;
}

// Times before 1970 or after 2106 do not fit the store; they are kept at its ends.
uint32_t StoredTime(int64_t seconds) {
    return static_cast<uint32_t>(
        std::clamp<int64_t>(seconds, 0, std::numeric_limits<uint32_t>::max()));
}

Registry::Outcome PutNumber(Registry& hive, const QString& key, const QString& name,
                            uint32_t number) {
    return hive.Put(key, Registry::Value{name, Registry::Type::Dword, {}, number});
}

}  // namespace

namespace PopupStore {

PopupSchedule Load(const Profile& profile) {
    const Registry& hive = profile.hive();
    const QString root = profile.KeyPath(kSection);
    PopupClock clock{ReadTime(hive, root, u"ServerTime"_s), ReadTime(hive, root, u"Localtime"_s)};
    std::vector<PopupRecord> records;
    for (const QString& name : hive.SubKeys(root)) {
        if (!IsAcceptablePopupName(name) || records.size() >= size_t{kMaxPopupRecords}) {
            qCDebug(lcPopups) << "a stored pop-up was left out";
            continue;
        }
        const QString key = root + u'\\' + name;
        PopupRecord r;
        r.name = name;
        r.expiry = ReadTime(hive, key, u"Expiry"_s);
        r.displayed = ReadTime(hive, key, u"Displayed"_s);
        r.control = ReadInt(hive, key, u"Control"_s, 0);
        r.freq = ReadInt(hive, key, u"Freq"_s, 0);
        r.cx = ReadInt(hive, key, u"cx"_s, 300);
        r.cy = ReadInt(hive, key, u"cy"_s, 300);
        r.unsaved = false;
        records.push_back(r);
    }
    return PopupSchedule(clock, std::move(records));
}

Registry::Outcome Save(Profile& profile, PopupSchedule& schedule) {
    Registry& hive = profile.hive();
    const QString root = profile.KeyPath(kSection);
    Registry::Outcome outcome =
        PutNumber(hive, root, u"ServerTime"_s, StoredTime(schedule.clock().serverTime));
    if (!outcome.done) {
        return outcome;
    }
    PutNumber(hive, root, u"Localtime"_s, StoredTime(schedule.clock().localTime));
    for (const PopupRecord& r : schedule.records()) {
        if (!r.unsaved || !IsAcceptablePopupName(r.name)) {
            continue;
        }
        const QString key = root + u'\\' + r.name;
        const Registry::Outcome first = PutNumber(hive, key, u"Expiry"_s, StoredTime(r.expiry));
        if (!first.done) {
            return first;
        }
        PutNumber(hive, key, u"Displayed"_s, StoredTime(r.displayed));
        PutNumber(hive, key, u"Control"_s, static_cast<uint32_t>(r.control));
        PutNumber(hive, key, u"Freq"_s, static_cast<uint32_t>(r.freq));
        PutNumber(hive, key, u"cx"_s, static_cast<uint32_t>(r.cx));
        PutNumber(hive, key, u"cy"_s, static_cast<uint32_t>(r.cy));
    }
    schedule.MarkSaved();
    return outcome;
}

void Forget(Profile& profile, const QString& name) {
    if (!IsAcceptablePopupName(name)) {
        qCDebug(lcPopups) << "a pop-up name that names no key of its own was not deleted";
        return;
    }
    const Registry::Outcome outcome =
        profile.hive().Remove(profile.KeyPath(kSection) + u'\\' + name);
    if (!outcome.done) {
        qCDebug(lcPopups) << "an expired pop-up's key stays:" << outcome.error;
    }
}

}  // namespace PopupStore

}  // namespace zuvo
