#include "audio/speaker_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>

#include "app/dialogs/dialog_texts.h"
#include "app/strings/string_ids.h"
#include "audio/audio_log.h"
#include "audio/test_sound.h"
#include "telephony/rtc_engine_interface.h"
#include "telephony/sound_devices.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kVolumeMax = 0xFFFF;
constexpr int kTicks = 8191;
constexpr WPARAM kSpeakerChosen = 2;

QSlider* MakeVolumeSlider(QWidget* parent) {
    auto* slider = new QSlider(Qt::Vertical, parent);
    slider->setRange(0, kVolumeMax);
    slider->setTickInterval(kTicks);
    slider->setTickPosition(QSlider::TicksBothSides);
    // Position = 65535 - volume, position 0 at the top: the top is the loudest.
    slider->setInvertedAppearance(true);
    return slider;
}

}  // namespace

CSpeaker::CSpeaker(AudioWizardContext& context, QWidget* parent)
    : QWizardPage(parent),
      m_context(context),
      m_echoEngine(context.engine),
      m_deviceIndex(context.speakerIndex) {
    setObjectName(u"317"_s);
    SetPageTitle(this, StringId::AudioSpeakersTitle);
    auto* layout = new QGridLayout(this);
    auto* text = new QLabel(this);
    SetText(text, StringId::AudioSpeakersText);
    text->setWordWrap(true);
    layout->addWidget(text, 0, 0, 1, 2);
    m_devices = new QComboBox(this);
    m_devices->setObjectName(QString::number(kDeviceCombo));
    layout->addWidget(m_devices, 1, 0);
    m_play = new QPushButton(this);
    SetText(m_play, StringId::PlaySound);
    m_play->setObjectName(QString::number(kPlayButton));
    layout->addWidget(m_play, 2, 0, Qt::AlignLeft);
    m_echo = new QCheckBox(this);
    SetText(m_echo, StringId::AudioEcho);
    m_echo->setObjectName(QString::number(kEchoCheck));
    layout->addWidget(m_echo, 3, 0);
    auto* note = new QLabel(this);
    SetText(note, StringId::AudioEchoNote);
    note->setObjectName(QString::number(kEchoNote));
    note->setWordWrap(true);
    layout->addWidget(note, 4, 0);
    m_volume = MakeVolumeSlider(this);
    m_volume->setObjectName(QString::number(kVolumeSlider));
    layout->addWidget(m_volume, 1, 1, 4, 1);

    FillDevices();
    ReadVolume();
    if (m_context.modernPlatform) {
        bool on = false;
        if (m_echoEngine == nullptr || Failed(m_echoEngine->GetEchoCancellation(&on))) {
            m_echo->setEnabled(false);
            m_echoEngine = nullptr;
        } else {
            m_echo->setChecked(on);
        }
    }

    connect(m_volume, &QSlider::valueChanged, this, [this](int position) {
        if (m_context.engine != nullptr) {
            m_context.engine->SetVolume(RTCAD_SPEAKER, kVolumeMax - position);
        }
    });
    connect(m_devices, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0) {
            return;
        }
        m_deviceIndex = index;
        if (m_context.sendToOwner) {
            m_context.sendToOwner(Msg::AudioDeviceChosen, kSpeakerChosen, index);
        }
        if (m_playing) {
            StopSound();
        }
        ReadVolume();
    });
    connect(m_play, &QPushButton::clicked, this, &CSpeaker::TogglePlay);
}

CSpeaker::~CSpeaker() {
    StopSound();
}

void CSpeaker::FillDevices() {
    const QSignalBlocker block(m_devices);
    m_devices->clear();
    const AudioDeviceList& list = m_context.devices->List().playback;
    m_devices->addItems(list.Names());
    m_deviceCount = list.Count();
    m_devices->setCurrentIndex(m_deviceIndex < m_deviceCount ? m_deviceIndex : -1);
}

void CSpeaker::ReadVolume() {
    int32_t volume = 0;
    if (m_context.engine != nullptr &&
        !Failed(m_context.engine->GetVolume(RTCAD_SPEAKER, &volume))) {
        ShowVolume(volume);
    }
}

void CSpeaker::ShowVolume(int volume) {
    const QSignalBlocker block(m_volume);
    m_volume->setValue(kVolumeMax - std::clamp(volume, 0, kVolumeMax));
}

void CSpeaker::DevicesChanged() {
    FillDevices();
    if (m_deviceIndex >= m_deviceCount) {
        m_deviceIndex = 0;
    }
    {
        const QSignalBlocker block(m_devices);
        m_devices->setCurrentIndex(m_deviceCount > 0 ? m_deviceIndex : -1);
    }
    if (m_playing) {
        StopSound();
    }
    ReadVolume();
}

void CSpeaker::Leave() {
    if (m_playing) {
        StopSound();
    }
}

bool CSpeaker::validatePage() {
    if (m_context.modernPlatform && m_echoEngine != nullptr) {
        m_echoEngine->SetEchoCancellation(m_echo->isChecked());
    }
    Leave();
    return true;
}

void CSpeaker::TogglePlay() {
    if (m_playing) {
        StopSound();
        return;
    }
    Play();
    // As the button says: "Stop Sound" from now on, even when nothing could be played.
    SetText(m_play, StringId::StopSound);
    m_playing = true;
}

void CSpeaker::Play() {
    const std::optional<WaveSound> sound = LoadTestSound();
    if (!sound) {
        return;
    }
    const QString name = m_context.devices->List().playback.Name(m_deviceIndex);
    if (!m_player) {
        m_player = m_context.devices->NewLoopPlayer();
    }
    if (!m_player->Play(name, *sound)) {
        qCDebug(lcAudioWizard) << "test sound did not start on" << name;
    }
}

void CSpeaker::StopSound() {
    if (m_player) {
        m_player->Stop();
    }
    SetText(m_play, StringId::PlaySound);
    m_playing = false;
}

}  // namespace zuvo
