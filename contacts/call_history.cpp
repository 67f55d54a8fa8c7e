#include "contacts/call_history.h"

#include "contacts/call_time.h"
#include "platform/profile.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kSection = u"Call History"_s;
QString NumberName(int i) {
    return u"Nu%1"_s.arg(i);
}
QString DurationName(int i) {
    return u"Tu%1"_s.arg(i);
}
}  // namespace

void CallHistory::Load(const Profile& profile) {
    m_numbers.fill({});
    m_durations.fill({});
    m_count = 0;
    for (int i = 0; i < kSize; ++i) {
        const QString number = profile.GetString(kSection, NumberName(i), {});
        if (number.isEmpty())
            break;
        m_numbers[i] = number;
        m_durations[i] = profile.GetString(kSection, DurationName(i), {});
        m_count = i + 1;
    }
}

Registry::Outcome CallHistory::Save(Profile& profile) const {
    Registry::Outcome result{true, {}};
    const auto keep = [&result](const Registry::Outcome& outcome) {
        if (!outcome.done && result.done) {
            result = outcome;
        }
    };
    for (int i = 0; i < kSize; ++i) {
        keep(profile.PutString(kSection, NumberName(i), m_numbers[i]));
        keep(profile.PutString(kSection, DurationName(i), m_durations[i]));
    }
    return result;
}

void CallHistory::Add(const QString& number) {
    for (int i = kSize - 1; i > 0; --i) {
        m_numbers[i] = m_numbers[i - 1];
        m_durations[i] = m_durations[i - 1];
    }
    m_numbers[0] = number;
    m_durations[0] = u"00:00:00"_s;
    m_count = std::min(m_count + 1, kSize);
}

void CallHistory::SetDuration(int64_t seconds) {
    // A duration without an entry would be saved beside an empty number.
    if (m_count == 0)
        return;
    m_durations[0] = FormatCallTime(seconds);
}

QString CallHistory::Number(int index) const {
    return index >= 0 && index < m_count ? m_numbers[index] : QString();
}

QString CallHistory::Duration(int index) const {
    return index >= 0 && index < m_count ? m_durations[index] : QString();
}

QString CallHistory::JoinedNumbers() const {
    QStringList list;
    for (int i = 0; i < m_count && !m_numbers[i].isEmpty(); ++i)
        list.append(m_numbers[i]);
    return list.join(u',');
}

std::optional<QString> CallHistory::ReadHandover(const Profile& profile) {
    const QString key = profile.KeyPath(kSection);
    if (!profile.hive().KeyExists(key))
        return std::nullopt;
    const auto value = profile.hive().ReadString(key, u"FA"_s);
    if (!value)
        return std::nullopt;
    return value->left(99);
}

}  // namespace zuvo
