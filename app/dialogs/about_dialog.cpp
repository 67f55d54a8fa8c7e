#include "app/dialogs/about_dialog.h"

#include <QBitmap>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/core/deployment.h"
#include "app/dialogs/dialog_texts.h"
#include "app/strings/string_ids.h"
#include "platform/ids.h"
#include "skin/dib.h"
#include "skin/make_region.h"

using namespace Qt::Literals::StringLiterals;

namespace zuvo {

CAboutDialog::CAboutDialog(bool webLinks, QWidget* parent) : QDialog(parent) {
    setObjectName(QString::number(Ctl::About::Dialog));
    SetTitle(this, StringId::AboutTitle);
    setModal(true);

    // The logo at the bitmap's own size; the skin's key colour around its rounded corners
    // lets the dialog show through, as it does around the phone.
    m_logo = new QLabel(this);
    m_logo->setObjectName(QString::number(Ctl::About::Logo));
    // The language bundle's logo (its words translated) when it has one, else the program's.
    const QString logoName = QString::number(Ctl::About::LogoBitmap);
    const SkinModule logoModule = QFile::exists(CDib::ResourcePath(SkinModule::Language, logoName))
                                      ? SkinModule::Language
                                      : SkinModule::Program;
    CDib bitmap;
    if (bitmap.Load(logoModule, logoName)) {
        QPixmap picture = QPixmap::fromImage(bitmap.GetImage());
        picture.setMask(picture.createMaskFromColor(QColor(kSkinKeyColour), Qt::MaskInColor));
        m_logo->setPixmap(picture);
        m_logo->setFixedSize(picture.size());
    } else {
        m_logo->setFixedSize(0, 0);
    }

    auto* product = new QLabel(Deployment::BrandName(), this);
    product->setObjectName(QString::number(Ctl::About::ProductLine));
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    auto* versionLabel = new QLabel(this);
    SetText(versionLabel, StringId::AboutVersionLabel);
    auto* version = new QLabel(kVersionText.toString(), this);
    version->setObjectName(QString::number(Ctl::About::Version));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* close = new QPushButton(this);
    SetText(close, StringId::ButtonClose);
    close->setObjectName(QString::number(Cmd::Ok));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &CAboutDialog::accept);
    m_help = new QPushButton(this);
    SetText(m_help, StringId::ButtonHelp);
    m_help->setObjectName(QString::number(Cmd::Help));
    m_help->setVisible(webLinks);
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (m_onHelp) {
            m_onHelp();
        }
    });

    auto* texts = new QGridLayout;
    texts->setHorizontalSpacing(6);
    texts->addWidget(product, 0, 0, 1, 2);
    texts->addWidget(versionLabel, 1, 0);
    texts->addWidget(version, 1, 1);
    texts->setColumnStretch(1, 1);
    texts->setRowStretch(2, 1);

    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(m_logo, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    buttons->addWidget(m_help);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(close, m_help);
    close->setFocus(Qt::OtherFocusReason);
}

CAboutDialog::~CAboutDialog() = default;

}  // namespace zuvo
