#pragma once

#include <QDialog>

#include <functional>

#include "app/core/desktop_settings.h"
#include "app/logic/preferences_model.h"

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace zuvo {

class Profile;

// Controls of the preferences page (dialog 321); a control's object name is its id in decimal.
namespace PreferencesCtl {
inline constexpr int Page = 321;
inline constexpr int DisplayBalance = 1046;
inline constexpr int DisplayMinutes = 1047;
inline constexpr int Popups = 1048;
inline constexpr int AutomaticPort = 1037;
inline constexpr int FixedPort = 1038;
inline constexpr int Port = 118;
inline constexpr int SaveOptions = 1049;
inline constexpr int LockToAccount = 1053;
inline constexpr int AccountButton = 1050;
inline constexpr int WebLinks = 1052;
inline constexpr int PhoneBook = 1051;
inline constexpr int Apply = 0x3021;  // the sheet's Apply button
}  // namespace PreferencesCtl

// Controls of the "Desktop" page, named like those of the first page.
namespace DesktopCtl {
inline constexpr int Page = 1100;
inline constexpr int StartHidden = 1101;
inline constexpr int Autostart = 1102;
inline constexpr int NotifyIncomingCall = 1103;
inline constexpr int NotifyLowBalance = 1104;
inline constexpr int DialLinks = 1105;
}  // namespace DesktopCtl

// The modal "Preferences" sheet (command 32804) with its one page: the check boxes, the audio
// port radio pair and the port edit box (digits only, enabled with "Use the following Port:").
// OK and Apply check the port (strings 61712 and 61714; the sheet stays open on a bad one) and
// apply through the model; Apply is active only after a change. Help is there only when web
// links are on. model() holds the values to take back whatever closed the sheet. Main thread only.
class CPreferencesSheet : public QDialog {
    Q_OBJECT
public:
    CPreferencesSheet(const PreferencesPage& page, Profile& profile,
                      PreferencesModel::ApplySink sink, std::function<void()> help,
                      QWidget* parent = nullptr);
    ~CPreferencesSheet() override;

    const PreferencesModel& model() const { return m_model; }

    // Adds the "Desktop" page (tray, autostart, notifications); OK and Apply hand its values to
    // sink together with the first page's.
    using DesktopSink = std::function<void(const DesktopSettings&)>;
    void AddDesktopPage(const DesktopSettings& settings, DesktopSink sink);

public Q_SLOTS:
    void accept() override;

private:
    QCheckBox* AddCheck(int id, int textId, bool checked);
    void MarkModified();
    // Reads the controls and applies them; false (after telling the user) when the port is bad.
    bool ApplyPage();

    Profile& m_profile;
    PreferencesModel m_model;
    PreferencesModel::ApplySink m_sink;
    std::function<void()> m_help;
    QCheckBox* m_balance = nullptr;
    QCheckBox* m_minutes = nullptr;
    QCheckBox* m_popups = nullptr;
    QRadioButton* m_automatic = nullptr;
    QRadioButton* m_fixed = nullptr;
    QLineEdit* m_port = nullptr;
    QCheckBox* m_saveOptions = nullptr;
    QCheckBox* m_lockToAccount = nullptr;
    QCheckBox* m_accountButton = nullptr;
    QCheckBox* m_webLinks = nullptr;
    QCheckBox* m_phoneBook = nullptr;
    QPushButton* m_apply = nullptr;
    QTabWidget* m_tabs = nullptr;
    DesktopSink m_desktopSink;
    QCheckBox* m_startHidden = nullptr;
    QCheckBox* m_autostart = nullptr;
    QCheckBox* m_notifyIncoming = nullptr;
    QCheckBox* m_notifyBalance = nullptr;
    QCheckBox* m_dialLinks = nullptr;
};

}  // namespace zuvo
