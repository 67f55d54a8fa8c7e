#include "app/logic/config_lock.h"

#include <QLoggingCategory>

#include "app/logic/phone_state.h"
#include "app/strings/string_ids.h"
#include "platform/profile.h"

namespace zuvo {

Q_DECLARE_LOGGING_CATEGORY(lcLogic)

using namespace Qt::Literals::StringLiterals;

ConfigLock::Message ConfigLock::MessageFor(Refusal refusal) {
    switch (refusal) {
        case Refusal::Mismatch:
            return {StringId::PinMismatch, StringId::PinMismatchTitle};
        case Refusal::TooShort:
            return {StringId::PinTooShort, StringId::IllegalPinTitle};
        case Refusal::WrongPin:
            return {StringId::WrongAdminPin, StringId::IllegalPinTitle};
        case Refusal::None:
            break;
    }
    return {};
}

ConfigLock::Refusal ConfigLock::CheckNewPin(const QString& pin, const QString& confirmation) {
    if (pin != confirmation) {
        return Refusal::Mismatch;
    }
    // A PIN the field could not have held is refused like a short one rather than cut.
    if (pin.size() < kMinPinLength || !IsPinText(pin)) {
        return Refusal::TooShort;
    }
    return Refusal::None;
}

bool ConfigLock::IsPinText(const QString& text) {
    if (text.size() > kMaxPinLength) {
        return false;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch.category() == QChar::Other_Control) {
            return false;
        }
        if (ch.isHighSurrogate()) {
            if (i + 1 == text.size() || !text.at(i + 1).isLowSurrogate()) {
                return false;
            }
            ++i;
        } else if (ch.isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

ConfigLock::ConfigLock(PhoneState& state, Profile& profile) : m_state(state), m_profile(profile) {}

bool ConfigLock::IsLocked() const {
    return !m_state.settings.lockPin.isEmpty();
}

ConfigLock::Refusal ConfigLock::Lock(const QString& pin, const QString& confirmation) {
    const Refusal refusal = CheckNewPin(pin, confirmation);
    if (refusal == Refusal::None) {
        Store(pin);
        qCDebug(lcLogic) << "configuration locked";
    }
    return refusal;
}

ConfigLock::Refusal ConfigLock::Unlock(const QString& entered) {
    if (entered != m_state.settings.lockPin) {
        qCDebug(lcLogic) << "unlock refused: not the lock PIN";
        return Refusal::WrongPin;
    }
    Store(QString());
    qCDebug(lcLogic) << "configuration unlocked";
    return Refusal::None;
}

void ConfigLock::Store(const QString& pin) {
    m_state.settings.lockPin = pin;
    m_state.configLocked = !pin.isEmpty();
    // The lock holds in memory even when the store cannot keep it.
    const Registry::Outcome stored = m_profile.PutString(u"Configuration"_s, u"LockPIN"_s, pin);
    if (!stored.done) {
        qCDebug(lcLogic) << "the configuration lock could not be stored:" << stored.error;
    }
}

}  // namespace zuvo
