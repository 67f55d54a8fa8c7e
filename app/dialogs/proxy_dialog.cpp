#include "app/dialogs/proxy_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/dialogs/dialog_texts.h"
#include "app/dialogs/message_box.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "platform/ids.h"
#include "platform/profile.h"

using namespace Qt::Literals::StringLiterals;

namespace zuvo {

namespace {

constexpr int kNoProxy = Ctl::Proxy::NoProxy;
constexpr int kDesktopProxy = Ctl::Proxy::DesktopProxy;
constexpr int kExplicitProxy = Ctl::Proxy::ExplicitProxy;
constexpr int kMinPort = 1;
constexpr int kMaxPort = 65535;

const QString kSection = u"Network\\Proxy"_s;

QLineEdit* MakeEdit(QWidget* parent, int id, const QString& text) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::number(id));
    return edit;
}

QLabel* MakeLabel(QWidget* parent, int textId) {
    auto* label = new QLabel(parent);
    SetText(label, textId);
    return label;
}

std::optional<int> ParsePort(const QString& text) {
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    if (ok && port >= kMinPort && port <= kMaxPort) {
        return port;
    }
    return std::nullopt;
}

}  // namespace

CProxyDialog::CProxyDialog(const service::ProxySettings& current, Profile& profile, QWidget* parent)
    : QDialog(parent), m_profile(profile), m_settings(current), m_mode(current.mode) {
    SetTitle(this, StringId::ProxyTitle);
    setModal(true);

    m_question = new QLabel(this);
    m_question->setWordWrap(true);
    m_question->hide();
    QLabel* heading = MakeLabel(this, StringId::ProxyHeading);
    m_modes = new QButtonGroup(this);
    auto addRadio = [this](int id, int textId) {
        auto* radio = new QRadioButton(this);
        SetText(radio, textId);
        radio->setObjectName(QString::number(id));
        m_modes->addButton(radio, id);
        return radio;
    };
    QRadioButton* none = addRadio(kNoProxy, StringId::ProxyNone);
    QRadioButton* desktop = addRadio(kDesktopProxy, StringId::ProxyDesktop);
    QRadioButton* explicitProxy = addRadio(kExplicitProxy, StringId::ProxyExplicit);

    m_address = MakeEdit(this, Ctl::Proxy::Address, current.address);
    m_httpPort = MakeEdit(this, Ctl::Proxy::HttpPort, QString::number(current.httpPort));
    m_httpsPort = MakeEdit(this, Ctl::Proxy::HttpsPort, QString::number(current.httpsPort));
    m_userName = MakeEdit(this, Ctl::Proxy::UserName, current.userName);
    m_password = MakeEdit(this, Ctl::Proxy::Password, current.password);
    m_password->setEchoMode(QLineEdit::Password);
    for (QLineEdit* port : {m_httpPort, m_httpsPort}) {
        port->setMaxLength(5);
        port->setMaximumWidth(80);
    }

    auto* fields = new QGridLayout;
    fields->setContentsMargins(24, 0, 0, 0);
    fields->setHorizontalSpacing(10);
    fields->addWidget(MakeLabel(this, StringId::ProxyAddress), 0, 0);
    fields->addWidget(m_address, 0, 1, 1, 3);
    fields->addWidget(MakeLabel(this, StringId::ProxyHttpPort), 1, 0);
    fields->addWidget(m_httpPort, 1, 1);
    fields->addWidget(MakeLabel(this, StringId::ProxyHttpsPort), 1, 2);
    fields->addWidget(m_httpsPort, 1, 3);
    fields->addWidget(MakeLabel(this, StringId::ProxyUserName), 2, 0);
    fields->addWidget(m_userName, 2, 1, 1, 3);
    fields->addWidget(MakeLabel(this, StringId::ProxyPassword), 3, 0);
    fields->addWidget(m_password, 3, 1, 1, 3);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);

    QDialogButtonBox* buttons = MakeOkCancelButtons(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_question);
    layout->addWidget(heading);
    layout->addWidget(none);
    layout->addWidget(desktop);
    layout->addWidget(explicitProxy);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addWidget(buttons);

    switch (current.mode) {
        case service::ProxySettings::System:
            desktop->setChecked(true);
            break;
        case service::ProxySettings::Explicit:
            explicitProxy->setChecked(true);
            break;
        default:
            none->setChecked(true);
            break;
    }
    ApplyMode(current.mode);
    connect(m_modes, &QButtonGroup::idClicked, this, [this](int id) {
        m_mode = id - kNoProxy;
        ApplyMode(m_mode);
    });
}

CProxyDialog::~CProxyDialog() = default;

void CProxyDialog::AskForCredentials(const QString& proxy) {
    m_askingCredentials = true;
    m_question->setText(DialogText(StringId::ProxyAsksCredentials).arg(proxy));
    m_question->show();
    ApplyMode(m_mode);
    QLineEdit* first = m_userName->text().isEmpty() ? m_userName : m_password;
    first->setFocus(Qt::OtherFocusReason);
    first->selectAll();
}

void CProxyDialog::ApplyMode(int mode) {
    const bool explicitProxy = mode == service::ProxySettings::Explicit;
    for (QLineEdit* edit : {m_address, m_httpPort, m_httpsPort}) {
        edit->setEnabled(explicitProxy);
    }
    for (QLineEdit* edit : {m_userName, m_password}) {
        edit->setEnabled(explicitProxy || m_askingCredentials);
    }
}

std::optional<int> CProxyDialog::ReadPort(QLineEdit* edit) {
    if (const std::optional<int> port = ParsePort(edit->text())) {
        return port;
    }
    ShowMessageBox(
        this, StringTable::Global().Text(StringId::EnterIntegerInRange).arg(kMinPort).arg(kMaxPort),
        MessageIcon::Warning);
    edit->selectAll();
    edit->setFocus(Qt::OtherFocusReason);
    return std::nullopt;
}

void CProxyDialog::accept() {
    service::ProxySettings next = m_settings;
    next.mode = m_mode;
    if (m_mode == service::ProxySettings::Explicit) {
        const std::optional<int> http = ReadPort(m_httpPort);
        if (!http) {
            return;
        }
        const std::optional<int> https = ReadPort(m_httpsPort);
        if (!https) {
            return;
        }
        next.httpPort = *http;
        next.httpsPort = *https;
    } else {
        // The port fields cannot be reached in these modes: a bad value is kept as it was
        // rather than refused in a field the user cannot correct.
        next.httpPort = ParsePort(m_httpPort->text()).value_or(m_settings.httpPort);
        next.httpsPort = ParsePort(m_httpsPort->text()).value_or(m_settings.httpsPort);
    }
    next.address = m_address->text().trimmed();
    next.userName = m_userName->text().trimmed();
    next.password = m_password->text().trimmed();

    m_profile.WriteInt(kSection, u"Status"_s, next.mode);
    m_profile.WriteString(kSection, u"Address"_s, next.address);
    m_profile.WriteString(kSection, u"Username"_s, next.userName);
    m_profile.WriteString(kSection, u"Password"_s, next.password);
    m_profile.WriteInt(kSection, u"HTTP"_s, next.httpPort);
    m_profile.WriteInt(kSection, u"HTTPS"_s, next.httpsPort);
    m_settings = next;
    QDialog::accept();
}

}  // namespace zuvo
