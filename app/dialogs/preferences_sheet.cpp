#include "app/dialogs/preferences_sheet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/dialogs/dialog_texts.h"
#include "app/dialogs/message_box.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "platform/ids.h"

using namespace Qt::Literals::StringLiterals;

namespace zuvo {

namespace {

// Room for a pasted number far too long to be a port, which then gets the range message.
constexpr int kPortTextLimit = 32;

}  // namespace

CPreferencesSheet::CPreferencesSheet(const PreferencesPage& page, Profile& profile,
                                     PreferencesModel::ApplySink sink, std::function<void()> help,
                                     QWidget* parent)
    : QDialog(parent),
      m_profile(profile),
      m_model(page),
      m_sink(std::move(sink)),
      m_help(std::move(help)) {
    const QString title = StringTable::Global().Text(StringId::PreferencesTitle);
    setWindowTitle(title);
    setModal(true);

    auto* tabs = new QTabWidget(this);
    m_tabs = tabs;
    auto* pageWidget = new QWidget(tabs);
    pageWidget->setObjectName(QString::number(PreferencesCtl::Page));
    tabs->addTab(pageWidget, title);

    m_balance =
        AddCheck(PreferencesCtl::DisplayBalance, StringId::PrefDisplayBalance, page.displayBalance);
    m_minutes =
        AddCheck(PreferencesCtl::DisplayMinutes, StringId::PrefDisplayMinutes, page.displayMinutes);
    m_popups = AddCheck(PreferencesCtl::Popups, StringId::PrefPopups, page.popupsEnabled);
    m_automatic = new QRadioButton(this);
    SetText(m_automatic, StringId::PrefAutomaticPort);
    m_automatic->setObjectName(QString::number(PreferencesCtl::AutomaticPort));
    m_fixed = new QRadioButton(this);
    SetText(m_fixed, StringId::PrefFixedPort);
    m_fixed->setObjectName(QString::number(PreferencesCtl::FixedPort));
    auto* radios = new QButtonGroup(this);
    radios->addButton(m_automatic);
    radios->addButton(m_fixed);
    m_port = new QLineEdit(m_model.PortText(), this);
    m_port->setObjectName(QString::number(PreferencesCtl::Port));
    m_port->setValidator(new QRegularExpressionValidator(QRegularExpression(u"[0-9]*"_s), m_port));
    m_port->setMaxLength(kPortTextLimit);
    m_port->setMaximumWidth(90);
    m_saveOptions =
        AddCheck(PreferencesCtl::SaveOptions, StringId::PrefSaveOptions, page.saveOptions);
    m_lockToAccount =
        AddCheck(PreferencesCtl::LockToAccount, StringId::PrefLockToAccount, page.lockToAccount);
    m_accountButton =
        AddCheck(PreferencesCtl::AccountButton, StringId::PrefAccountButton, page.accountButton);
    m_webLinks = AddCheck(PreferencesCtl::WebLinks, StringId::PrefWebLinks, page.webLinks);
    m_phoneBook = AddCheck(PreferencesCtl::PhoneBook, StringId::PrefPhoneBook, page.phoneBook);

    auto* general = new QGroupBox(pageWidget);
    SetText(general, StringId::PrefGeneralGroup);
    auto* generalLayout = new QVBoxLayout(general);
    for (QCheckBox* box :
         {m_balance, m_minutes, m_popups, m_accountButton, m_webLinks, m_phoneBook}) {
        generalLayout->addWidget(box);
    }
    auto* callShop = new QGroupBox(pageWidget);
    SetText(callShop, StringId::PrefCallShopGroup);
    auto* callShopLayout = new QVBoxLayout(callShop);
    callShopLayout->addWidget(m_saveOptions);
    callShopLayout->addWidget(m_lockToAccount);
    auto* rtp = new QGroupBox(pageWidget);
    SetText(rtp, StringId::PrefRtpGroup);
    auto* rtpLayout = new QVBoxLayout(rtp);
    rtpLayout->addWidget(m_automatic);
    auto* fixedRow = new QHBoxLayout;
    fixedRow->addWidget(m_fixed);
    fixedRow->addWidget(m_port);
    fixedRow->addStretch(1);
    rtpLayout->addLayout(fixedRow);

    auto* pageLayout = new QVBoxLayout(pageWidget);
    pageLayout->addWidget(general);
    pageLayout->addWidget(callShop);
    pageLayout->addWidget(rtp);
    pageLayout->addStretch(1);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QString::number(Cmd::Ok));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QString::number(Cmd::Cancel));
    m_apply = buttons->button(QDialogButtonBox::Apply);
    m_apply->setObjectName(QString::number(PreferencesCtl::Apply));
    m_apply->setEnabled(false);
    if (page.webLinks) {
        QPushButton* helpButton = buttons->addButton(QDialogButtonBox::Help);
        helpButton->setObjectName(QString::number(Cmd::Help));
        connect(helpButton, &QPushButton::clicked, this, [this] {
            if (m_help) {
                m_help();
            }
        });
    }
    SetStandardButtonTexts(buttons);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPreferencesSheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPreferencesSheet::reject);
    connect(m_apply, &QPushButton::clicked, this, [this] {
        if (ApplyPage()) {
            m_apply->setEnabled(false);
        }
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);

    // Page start: what the service offers decides two of the boxes; the radio pair follows the
    // dynamic choice and opens the port box for a fixed port.
    m_minutes->setVisible(page.minutesAvailable);
    m_popups->setVisible(page.popupsAvailable);
    m_automatic->setChecked(page.rtpDynamic);
    m_fixed->setChecked(!page.rtpDynamic);
    m_port->setEnabled(!page.rtpDynamic);

    QWidget* order[] = {m_balance,       m_minutes,  m_popups,      m_automatic,
                        m_fixed,         m_port,     m_saveOptions, m_lockToAccount,
                        m_accountButton, m_webLinks, m_phoneBook};
    for (size_t i = 1; i < std::size(order); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    m_balance->setFocus(Qt::OtherFocusReason);

    connect(m_automatic, &QRadioButton::clicked, this, [this] {
        m_port->setEnabled(false);
        MarkModified();
    });
    connect(m_fixed, &QRadioButton::clicked, this, [this] {
        m_port->setEnabled(true);
        MarkModified();
    });
    connect(m_port, &QLineEdit::textChanged, this, &CPreferencesSheet::MarkModified);
}

CPreferencesSheet::~CPreferencesSheet() = default;

void CPreferencesSheet::AddDesktopPage(const DesktopSettings& settings, DesktopSink sink) {
    m_desktopSink = std::move(sink);
    auto* page = new QWidget(m_tabs);
    page->setObjectName(QString::number(DesktopCtl::Page));
    m_startHidden =
        AddCheck(DesktopCtl::StartHidden, StringId::PrefStartHidden, settings.startHidden);
    m_autostart = AddCheck(DesktopCtl::Autostart, StringId::PrefAutostart, settings.autostart);
    m_notifyIncoming = AddCheck(DesktopCtl::NotifyIncomingCall, StringId::PrefNotifyIncomingCall,
                                settings.notifyIncomingCall);
    m_notifyBalance = AddCheck(DesktopCtl::NotifyLowBalance, StringId::PrefNotifyLowBalance,
                               settings.notifyLowBalance);
    m_dialLinks = AddCheck(DesktopCtl::DialLinks, StringId::PrefDialLinks, settings.dialLinks);
    auto* layout = new QVBoxLayout(page);
    for (QCheckBox* box :
         {m_startHidden, m_autostart, m_notifyIncoming, m_notifyBalance, m_dialLinks}) {
        layout->addWidget(box);
    }
    layout->addStretch(1);
    m_tabs->addTab(page, StringTable::Global().Text(StringId::PrefDesktopPage));
}

QCheckBox* CPreferencesSheet::AddCheck(int id, int textId, bool checked) {
    auto* box = new QCheckBox(this);
    SetText(box, textId);
    box->setObjectName(QString::number(id));
    box->setChecked(checked);
    connect(box, &QCheckBox::clicked, this, &CPreferencesSheet::MarkModified);
    return box;
}

void CPreferencesSheet::MarkModified() {
    m_apply->setEnabled(true);
}

bool CPreferencesSheet::ApplyPage() {
    PreferencesPage controls = m_model.page();
    controls.displayBalance = m_balance->isChecked();
    controls.displayMinutes = m_minutes->isChecked();
    controls.popupsEnabled = m_popups->isChecked();
    controls.rtpDynamic = m_automatic->isChecked();
    controls.saveOptions = m_saveOptions->isChecked();
    controls.lockToAccount = m_lockToAccount->isChecked();
    controls.accountButton = m_accountButton->isChecked();
    controls.webLinks = m_webLinks->isChecked();
    controls.phoneBook = m_phoneBook->isChecked();
    const PreferencesModel::PortCheck check =
        m_model.Apply(controls, m_port->text(), m_profile, m_sink);
    if (check.messageId == 0) {
        if (m_desktopSink) {
            m_desktopSink(DesktopSettings{m_startHidden->isChecked(), m_autostart->isChecked(),
                                          m_notifyIncoming->isChecked(),
                                          m_notifyBalance->isChecked(), m_dialLinks->isChecked()});
        }
        return true;
    }
    ShowMessageBox(this, PreferencesModel::Message(check), MessageIcon::Warning);
    if (m_port->isEnabled()) {
        m_port->selectAll();
        m_port->setFocus(Qt::OtherFocusReason);
    }
    return false;
}

void CPreferencesSheet::accept() {
    if (ApplyPage()) {
        QDialog::accept();
    }
}

}  // namespace zuvo
