#include "audio/audio_tune_intro.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

CAudioTuneIntro::CAudioTuneIntro(bool hideAcceleration, QWidget* parent) : QWizardPage(parent) {
    setObjectName(u"296"_s);
    setTitle(u"Audio Settings"_s);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(
        u"This wizard helps you set up the speakers and the microphone for your calls.\n\n"
        "On the next pages, choose the device you listen on and the one you speak into, and "
        "set their volumes. Every change takes effect at once."_s,
        this);
    text->setWordWrap(true);
    layout->addWidget(text);
    m_acceleration = new QCheckBox(u"Check here for Direct Sound Acceleration."_s, this);
    m_acceleration->setObjectName(QString::number(kAccelerationCheck));
    m_note = new QLabel(u"Note: This should be checked by default."_s, this);
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
