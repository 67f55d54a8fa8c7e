#include "app/logic/preferences_model.h"

#include <QLoggingCategory>

#include <algorithm>

#include "app/logic/phone_state.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "platform/profile.h"

Q_LOGGING_CATEGORY(lcPreferences, "zuvo.preferences", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

PreferencesPage PreferencesModel::PageFrom(const PhoneState& state) {
    const PhoneSettings& s = state.settings;
    PreferencesPage page;
    page.displayBalance = s.displayBalance;
    page.displayMinutes = s.displayMinutes;
    page.popupsEnabled = s.popupsEnabled;
    page.lockToAccount = s.lockToAccount;
    page.rtpPort = s.rtpPort;
    page.rtpDynamic = s.rtpDynamic;
    page.minutesAvailable = state.service.minutesEnabled;
    page.popupsAvailable = state.service.popupsAvailable;
    page.saveOptions = !s.callShopMode;
    page.accountButton = s.accountButton;
    page.phoneBook = s.phoneBookEnabled;
    page.webLinks = s.webLinks;
    return page;
}

PreferencesModel::PreferencesModel(const PreferencesPage& page)
    : m_page(page), m_portText(QString::number(page.rtpPort)) {
    m_page.rtpPort = std::clamp(page.rtpPort, kMinPort, kMaxPort);
}

PreferencesModel::PortCheck PreferencesModel::CheckPort(const QString& text) {
    PortCheck check;
    const qsizetype digitsFrom = text.startsWith(u'-') ? 1 : 0;
    bool number = text.size() > digitsFrom;
    for (qsizetype i = digitsFrom; i < text.size() && number; ++i) {
        number = text[i] >= u'0' && text[i] <= u'9';
    }
    if (!number) {
        check.messageId = StringId::EnterInteger;
        return check;
    }
    // Bounded digits only: a longer number is out of range whatever it says.
    bool ok = false;
    const qlonglong value = text.size() <= 12 ? text.toLongLong(&ok) : 0;
    if (!ok || value < kMinPort || value > kMaxPort) {
        check.messageId = StringId::EnterIntegerInRange;
        return check;
    }
    check.port = static_cast<int>(value);
    return check;
}

QString PreferencesModel::Message(const PortCheck& check) {
    const QString text = StringTable::Global().Text(check.messageId);
    if (check.messageId == StringId::EnterIntegerInRange) {
        return text.arg(kMinPort).arg(kMaxPort);
    }
    return text;
}

PreferencesModel::PortCheck PreferencesModel::Apply(const PreferencesPage& controls,
                                                    const QString& portText, Profile& profile,
                                                    const ApplySink& sink) {
    const PortCheck check = CheckPort(portText);
    if (check.messageId != 0) {
        return check;
    }
    const bool minutesAvailable = m_page.minutesAvailable;
    const bool popupsAvailable = m_page.popupsAvailable;
    m_page = controls;
    m_page.minutesAvailable = minutesAvailable;
    m_page.popupsAvailable = popupsAvailable;
    m_page.rtpPort = check.port;
    m_portText = QString::number(check.port);
    if (sink) {
        sink(m_page);
    }
    const QString section = u"Network"_s;
    if (!profile.WriteInt(section, u"RTP Dynamic"_s, m_page.rtpDynamic ? 1 : 0) ||
        !profile.WriteInt(section, u"RTP Port"_s, m_page.rtpPort)) {
        // The choice still holds for this run; it is only not kept.
        qCDebug(lcPreferences) << "the audio port choice could not be stored";
    }
    return check;
}

void PreferencesModel::TakeBack(PhoneSettings& settings) const {
    settings.rtpPort = m_page.rtpPort;
    settings.rtpDynamic = m_page.rtpDynamic;
}

}  // namespace zuvo
