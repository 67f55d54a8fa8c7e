#include "app/dialogs/signin_dialog.h"

#include <QBitmap>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

#include "app/core/deployment.h"
#include "app/dialogs/dialog_texts.h"
#include "app/dialogs/message_box.h"
#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "platform/ids.h"
#include "skin/make_region.h"
#include "skin/skin_assets.h"

using namespace Qt::Literals::StringLiterals;

namespace zuvo {

namespace {

constexpr int kMaxTextLength = 60;
constexpr int kCornerRadius = 14;
constexpr int kCardWidth = 340;

// The phone body's colours, so that the card reads as part of the handset.
const QColor kBodyTop(63, 69, 76);
const QColor kBodyBottom(27, 31, 36);
const QColor kBodyEdge(14, 16, 19);
const QColor kAccent(39, 191, 170);
const QColor kLightText(226, 232, 236);
const QColor kMutedText(150, 160, 170);

const QString kPanelStyle =
    uR"(
QFrame#panel { background: #dae6e0; border: 1px solid #0e1013; border-radius: 9px; }
QLabel { color: #2a3038; font-weight: bold; background: transparent; border: none; }
QLineEdit { background: #f6faf8; color: #14181c; border: 1px solid #9fb0a8; border-radius: 5px;
            padding: 5px 8px; selection-background-color: #27bfaa; }
QLineEdit:focus { border: 1px solid #1f9e8c; }
QLineEdit:disabled { background: #c9d6cf; color: #58626a; border: 1px solid #b3c2ba; }
)"_s;

const QString kPrimaryStyle =
    uR"(
QPushButton { background: #27bfaa; color: #0f1a19; border: 1px solid #1c8f80; border-radius: 6px;
              padding: 6px 18px; font-weight: bold; }
QPushButton:hover { background: #35cdb8; }
QPushButton:pressed { background: #1fa391; }
QPushButton:focus { border: 1px solid #e2e8ec; }
)"_s;

const QString kSecondaryStyle =
    uR"(
QPushButton { background: transparent; color: #e2e8ec; border: 1px solid #5a616a;
              border-radius: 6px; padding: 6px 16px; }
QPushButton:hover { background: #3f454c; }
QPushButton:pressed { background: #2a2f35; }
QPushButton:focus { border: 1px solid #27bfaa; }
)"_s;

const QString kLinkStyle =
    uR"(
QPushButton { background: transparent; color: #96a0aa; border: none; padding: 6px 4px;
              text-decoration: underline; }
QPushButton:hover { color: #27bfaa; }
)"_s;

// The brand as the handset prints it: light name, accent full stop.
const QString kBrandMarkup =
    u"<span style='color:#e2e8ec'>%1</span><span style='color:#27bfaa'>.</span>"_s;

QString Caption(const QString& brand) {
    return StringTable::Global().Text(StringId::SigninCaption, brand);
}

}  // namespace

CSigninDialog::CSigninDialog(const SigninDialogData& data, QWidget* parent)
    : CSkinDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_data(data) {
    setObjectName(QString::number(Ctl::Signin::Dialog));
    setModal(true);
    if (!PlatformShapesWindows()) {
        // Outside the rounded card the dialog is left transparent: the mask does not cut it.
        setAttribute(Qt::WA_TranslucentBackground);
    }
    m_brand = Deployment::BrandName();
    m_fontFamily = LoadSkinFonts();
    BuildControls();

    // Initialisation: a remember tick needs something to remember.
    AccountRecord& account = m_data.account;
    if (account.userName.isEmpty()) {
        account.rememberUserName = false;
    }
    if (account.password.isEmpty() || !account.rememberUserName) {
        account.rememberPassword = false;
    }
    m_userName->setText(account.userName);
    m_password->setText(account.password);
    m_rememberUser->setChecked(account.rememberUserName);
    m_rememberPassword->setChecked(account.rememberPassword);

    setWindowTitle(Caption(m_brand));
    Refresh(m_data.lockToAccount, m_data.callShopMode);
    m_tunnel->setVisible(m_data.hasTunnel);
    m_tunnel->setChecked(m_data.tunnelChoice);
    // A longer language widens the card rather than cutting its texts.
    setFixedSize(std::max(kCardWidth, sizeHint().width()), sizeHint().height());
}

CSigninDialog::~CSigninDialog() = default;

void CSigninDialog::BuildControls() {
    QFont base = font();
    if (!m_fontFamily.isEmpty()) {
        base.setFamily(m_fontFamily);
    }
    base.setPixelSize(12);
    setFont(base);

    // Light text on the dark body; Fusion-style tick boxes take their colours from here.
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, kLightText);
    pal.setColor(QPalette::Base, QColor(48, 54, 61));
    pal.setColor(QPalette::Button, QColor(48, 54, 61));
    pal.setColor(QPalette::Text, kAccent);
    pal.setColor(QPalette::Window, kBodyBottom);
    setPalette(pal);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(30, 26, 30, 22);
    root->setSpacing(0);

    auto* brand = new QLabel(this);
    brand->setObjectName(u"brand"_s);
    brand->setTextFormat(Qt::RichText);
    brand->setText(kBrandMarkup.arg(m_brand.toHtmlEscaped()));
    QFont brandFont = base;
    brandFont.setPixelSize(28);
    brandFont.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    brand->setFont(brandFont);
    root->addWidget(brand);

    auto* caption = new QLabel(Caption(m_brand), this);
    caption->setObjectName(u"caption"_s);
    QFont captionFont = base;
    captionFont.setPixelSize(13);
    caption->setFont(captionFont);
    QPalette captionPalette = caption->palette();
    captionPalette.setColor(QPalette::WindowText, kMutedText);
    caption->setPalette(captionPalette);
    root->addWidget(caption);
    root->addSpacing(20);

    auto* panel = new QFrame(this);
    panel->setObjectName(u"panel"_s);
    panel->setStyleSheet(kPanelStyle);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(16, 14, 16, 16);
    panelLayout->setSpacing(5);

    m_userLabel = new QLabel(panel);
    SetText(m_userLabel, StringId::SigninUserLabel);
    m_userLabel->setObjectName(QString::number(Ctl::Signin::UserLabel));
    m_userName = new QLineEdit(panel);
    m_userName->setObjectName(QString::number(Ctl::Signin::UserName));
    m_userName->setMaxLength(kMaxTextLength);
    SetToolTip(m_userName, StringId::TipEnterAccount);
    m_userLabel->setBuddy(m_userName);

    m_passwordLabel = new QLabel(panel);
    SetText(m_passwordLabel, StringId::SigninPasswordLabel);
    m_passwordLabel->setObjectName(QString::number(Ctl::Signin::PasswordLabel));
    m_password = new QLineEdit(panel);
    m_password->setObjectName(QString::number(Ctl::Signin::Password));
    m_password->setMaxLength(kMaxTextLength);
    m_password->setEchoMode(QLineEdit::Password);
    SetToolTip(m_password, StringId::TipEnterPin);
    m_passwordLabel->setBuddy(m_password);

    panelLayout->addWidget(m_userLabel);
    panelLayout->addWidget(m_userName);
    panelLayout->addSpacing(8);
    panelLayout->addWidget(m_passwordLabel);
    panelLayout->addWidget(m_password);
    root->addWidget(panel);
    root->addSpacing(14);

    auto makeTick = [this](int id, int textId) {
        auto* box = new QCheckBox(this);
        SetText(box, textId);
        box->setObjectName(QString::number(id));
        box->setCursor(Qt::PointingHandCursor);
        return box;
    };
    m_rememberUser = makeTick(Ctl::Signin::RememberUser, StringId::SigninRememberUser);
    m_rememberPassword = makeTick(Ctl::Signin::RememberPassword, StringId::SigninRememberPassword);
    m_tunnel = makeTick(Ctl::Signin::UseTunnel, StringId::SigninUseTunnel);
    for (QCheckBox* box : {m_rememberUser, m_rememberPassword, m_tunnel}) {
        root->addWidget(box);
        root->addSpacing(4);
    }
    root->addSpacing(14);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    m_help = new QPushButton(this);
    SetText(m_help, StringId::ButtonHelp);
    m_help->setObjectName(QString::number(Cmd::Help));
    SetToolTip(m_help, StringId::TipHelp);
    m_help->setStyleSheet(kLinkStyle);
    m_help->setAutoDefault(false);
    m_help->setCursor(Qt::PointingHandCursor);
    m_exit = new QPushButton(this);
    SetText(m_exit, StringId::SigninExit);
    m_exit->setObjectName(QString::number(Cmd::Cancel));
    m_exit->setStyleSheet(kSecondaryStyle);
    m_exit->setAutoDefault(false);
    m_signIn = new QPushButton(this);
    SetText(m_signIn, StringId::SigninSignIn);
    m_signIn->setObjectName(QString::number(Cmd::Ok));
    m_signIn->setStyleSheet(kPrimaryStyle);
    m_signIn->setDefault(true);
    buttons->addWidget(m_help);
    buttons->addStretch(1);
    buttons->addWidget(m_exit);
    buttons->addWidget(m_signIn);
    root->addLayout(buttons);

    connect(m_signIn, &QPushButton::clicked, this, &CSigninDialog::OnSignIn);
    connect(m_exit, &QPushButton::clicked, this, &CSigninDialog::OnExit);
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (m_onHelp) {
            m_onHelp();
        }
    });
}

void CSigninDialog::Refresh(bool lockToAccount, bool callShopMode) {
    m_data.lockToAccount = lockToAccount;
    m_data.callShopMode = callShopMode;
    m_rememberUser->hide();
    m_rememberPassword->hide();
    if (lockToAccount) {
        m_userName->setEnabled(false);
        m_password->setEnabled(false);
        return;
    }
    m_userName->setEnabled(true);
    m_password->setEnabled(true);
    QLineEdit* focus = m_userName;
    if (!callShopMode) {
        m_rememberUser->show();
        m_rememberPassword->show();
    }
    if (!m_userName->text().isEmpty()) {
        focus = m_password;
    }
    focus->setFocus(Qt::OtherFocusReason);
}

SigninResult CSigninDialog::Run() {
    m_result = SigninResult::Other;
    exec();
    return m_result;
}

void CSigninDialog::ReadControls() {
    AccountRecord& account = m_data.account;
    account.userName = m_userName->text();
    account.password = m_password->text();
    account.rememberUserName = m_rememberUser->isChecked();
    account.rememberPassword = m_rememberPassword->isChecked();
}

void CSigninDialog::OnSignIn() {
    ReadControls();
    AccountRecord& account = m_data.account;
    account.userName = account.userName.trimmed();
    account.password = account.password.trimmed();
    if (account.userName.isEmpty()) {
        ShowMessageBox(this, StringTable::Global().Text(StringId::IncorrectAccount),
                       MessageIcon::Error);
        m_userName->selectAll();
        m_userName->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (account.password.isEmpty()) {
        ShowMessageBox(this, StringTable::Global().Text(StringId::IncorrectPin),
                       MessageIcon::Error);
        m_password->selectAll();
        m_password->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_data.tunnelChoice = m_tunnel->isChecked();
    m_result = SigninResult::SignIn;
    done(Cmd::Ok);
}

void CSigninDialog::OnExit() {
    ReadControls();
    m_result = SigninResult::Exit;
    done(Cmd::Cancel);
}

void CSigninDialog::reject() {
    // Escape and the window manager's close mean the same as the Exit button.
    OnExit();
}

QRect CSigninDialog::CardRect() const {
    return rect().adjusted(0, 0, -1, -1);
}

void CSigninDialog::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF card = QRectF(CardRect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient body(card.topLeft(), card.bottomLeft());
    body.setColorAt(0.0, kBodyTop);
    body.setColorAt(0.45, QColor(40, 45, 51));
    body.setColorAt(1.0, kBodyBottom);
    painter.setPen(QPen(kBodyEdge, 1.0));
    painter.setBrush(body);
    painter.drawRoundedRect(card, kCornerRadius, kCornerRadius);

    // A faint highlight along the top edge, as on the handset's moulding.
    painter.setPen(QPen(QColor(255, 255, 255, 28), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(card.adjusted(1, 1, -1, -1), kCornerRadius - 1, kCornerRadius - 1);

    // The handset's speaker grille, centred at the bottom.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(70, 77, 85));
    const int dots = 7;
    const qreal spacing = 6.0;
    const qreal left = card.center().x() - (dots - 1) * spacing / 2.0;
    for (int i = 0; i < dots; ++i) {
        painter.drawEllipse(QPointF(left + i * spacing, card.bottom() - 7.0), 1.2, 1.2);
    }
}

void CSigninDialog::resizeEvent(QResizeEvent* event) {
    CSkinDialog::resizeEvent(event);
    QBitmap mask(size());
    mask.fill(Qt::color0);
    QPainter painter(&mask);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::color1);
    painter.drawRoundedRect(rect(), kCornerRadius, kCornerRadius);
    painter.end();
    setMask(mask);
}

void CSigninDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        // The compositor moves the dialog where the platform lets it (Wayland gives a window
        // no position of its own to move to).
        if (windowHandle() != nullptr && windowHandle()->startSystemMove()) {
            event->accept();
            return;
        }
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    if (event->button() == Qt::RightButton) {
        if (m_onContextMenu) {
            m_onContextMenu(event->globalPosition().toPoint());
        }
        event->accept();
        return;
    }
    CSkinDialog::mousePressEvent(event);
}

void CSigninDialog::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    CSkinDialog::mouseMoveEvent(event);
}

void CSigninDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragging = false;
    }
    CSkinDialog::mouseReleaseEvent(event);
}

}  // namespace zuvo
