#pragma once

#include <QString>

#include <functional>

#include "app/core/settings_store.h"

namespace zuvo {

class Profile;
struct PhoneState;

// The decisions of the "Preferences" sheet, without the window: the page values taken from the
// main window, the port clamp at page start, the port check, the apply (options handed to the
// main window, RTP values stored under "Network") and the RTP values taken back when the sheet
// closes. The dialog only moves these values to and from its controls. Main thread only.
class PreferencesModel {
public:
    static constexpr int kMinPort = 1025;
    static constexpr int kMaxPort = 65534;

    // Receives the page on apply, before the RTP values are written (the main window stores the
    // display and account options from it).
    using ApplySink = std::function<void(const PreferencesPage&)>;

    // The page as the main window fills it before the sheet opens.
    static PreferencesPage PageFrom(const PhoneState& state);

    // Page start: the page keeps the port shown in the edit box (PortText) but holds it clamped
    // to kMinPort..kMaxPort, which is what the window takes back if nothing is applied.
    explicit PreferencesModel(const PreferencesPage& page);

    const PreferencesPage& page() const { return m_page; }
    // The text the port edit box starts with: the stored port, not clamped.
    const QString& PortText() const { return m_portText; }

    // The outcome of checking the port edit box: the port, or the string id to show.
    struct PortCheck {
        int port = 0;
        int messageId = 0;  // 0 = the port is good
    };
    // Only an optional "-" and digits make a number ("Please enter an integer." otherwise); a
    // number outside kMinPort..kMaxPort, however long, gets the range message.
    static PortCheck CheckPort(const QString& text);
    // The message for a check that failed, with the bounds filled in.
    static QString Message(const PortCheck& check);

    // Apply with the controls' values (dynamic taken from the radio pair) and the port text:
    // when the port is refused nothing is stored and the page is unchanged; otherwise the page
    // takes the values, the sink gets the page and "Network" \ "RTP Dynamic" and "RTP Port" are
    // written. Returns the check.
    PortCheck Apply(const PreferencesPage& controls, const QString& portText, Profile& profile,
                    const ApplySink& sink);

    // Whatever closed the sheet, the window's in-memory RTP values follow the page.
    void TakeBack(PhoneSettings& settings) const;

private:
    PreferencesPage m_page;
    QString m_portText;
};

}  // namespace zuvo
