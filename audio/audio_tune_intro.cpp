#include "audio/audio_tune_intro.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/dialogs/dialog_texts.h"
#include "app/strings/string_ids.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

CAudioTuneIntro::CAudioTuneIntro(bool hideAcceleration, QWidget* parent) : QWizardPage(parent) {
    setObjectName(u"296"_s);
    SetPageTitle(this, StringId::AudioIntroTitle);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(this);
    SetText(text, StringId::AudioIntroText);
    text->setWordWrap(true);
    layout->addWidget(text);
    m_acceleration = new QCheckBox(this);
    SetText(m_acceleration, StringId::AudioAcceleration);
    m_acceleration->setObjectName(QString::number(kAccelerationCheck));
    m_note = new QLabel(this);
    SetText(m_note, StringId::AudioAccelerationNote);
    m_note->setObjectName(QString::number(kAccelerationNote));
    layout->addWidget(m_acceleration);
    layout->addWidget(m_note);
    layout->addStretch();
    if (hideAcceleration) {
        // No acceleration switch in this audio stack: the setting is taken as on and not shown.
        m_useAcceleration = 1;
        m_acceleration->hide();
        m_note->hide();
    }
    m_acceleration->setChecked(m_useAcceleration != 0);
}

}  // namespace zuvo
