#pragma once

#include <QDialog>

#include <optional>

#include "service/proxy_settings.h"

class QButtonGroup;
class QLabel;
class QLineEdit;

namespace zuvo {

class Profile;

// The modal "HTTP Proxy Server Settings" dialog (command 32810): the proxy mode radios 1037,
// 1038, 1039 and the edits 118 address, 1000 HTTP port, 1001 HTTPS port, 1003 user name, 1004
// password; the edits are enabled only for mode 2.
//
// OK validates both ports (1..65535; a bad one is refused with 61714 and the dialog stays),
// trims address, user name and password, writes "Network\Proxy" through the profile and closes;
// settings() then holds the new values. Cancel writes nothing. Main thread only.
class CProxyDialog : public QDialog {
    Q_OBJECT
public:
    CProxyDialog(const service::ProxySettings& current, Profile& profile,
                 QWidget* parent = nullptr);
    ~CProxyDialog() override;

    // Opened because the proxy (host:port) asked for credentials: the user name and password are
    // open for entry whatever the mode, and the user name (or, when it is filled, the password)
    // has the focus. OK stores and confirms as always.
    void AskForCredentials(const QString& proxy);

    // The settings as confirmed by OK (the opening values until then).
    const service::ProxySettings& settings() const { return m_settings; }

public Q_SLOTS:
    void accept() override;

private:
    void ApplyMode(int mode);
    // The port in an edit, or nothing (after telling the user) when it is not in 1..65535.
    std::optional<int> ReadPort(QLineEdit* edit);

    Profile& m_profile;
    service::ProxySettings m_settings;
    int m_mode = service::ProxySettings::System;
    bool m_askingCredentials = false;
    QButtonGroup* m_modes = nullptr;
    QLabel* m_question = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_httpPort = nullptr;
    QLineEdit* m_httpsPort = nullptr;
    QLineEdit* m_userName = nullptr;
    QLineEdit* m_password = nullptr;
};

}  // namespace zuvo
