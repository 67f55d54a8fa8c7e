#include "audio/microphone_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include "app/dialogs/dialog_texts.h"
#include "app/strings/string_ids.h"
#include "audio/level_meter.h"
#include "telephony/rtc_engine_interface.h"
#include "telephony/sound_devices.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kVolumeMax = 0xFFFF;
constexpr int kTicks = 8191;
constexpr WPARAM kMicrophoneChosen = 1;

}  // namespace

CMicrophone::CMicrophone(AudioWizardContext& context, QWidget* parent)
    : QWizardPage(parent), m_context(context), m_deviceIndex(context.microphoneIndex) {
    setObjectName(u"316"_s);
    SetPageTitle(this, StringId::AudioMicrophoneTitle);
    auto* layout = new QGridLayout(this);
    auto* text = new QLabel(this);
    SetText(text, StringId::AudioMicrophoneText);
    text->setWordWrap(true);
    layout->addWidget(text, 0, 0, 1, 3);
    m_devices = new QComboBox(this);
    m_devices->setObjectName(QString::number(kDeviceCombo));
    layout->addWidget(m_devices, 1, 0);
    m_meter = new CLevelMeter(this);
    m_meter->setObjectName(QString::number(kLevelMeter));
    m_meter->setFixedWidth(24);
    m_meter->setMinimumHeight(120);
    layout->addWidget(m_meter, 1, 1, 2, 1);
    m_volume = new QSlider(Qt::Vertical, this);
    m_volume->setObjectName(QString::number(kVolumeSlider));
    m_volume->setInvertedAppearance(true);
    layout->addWidget(m_volume, 1, 2, 2, 1);
    layout->setRowStretch(2, 1);

    m_meter->SetGain([this] { return CurrentGain(); });
    m_meter->SetReport([this](uint32_t message, WPARAM, LPARAM) {
        if (message == CLevelMeter::WM_LEVEL_TOO_HIGH) {
            OnLevelTooHigh();
        }
    });
    FillDevices();
    SliderSetup();

    connect(m_volume, &QSlider::valueChanged, this, [this](int position) {
        if (m_context.engine != nullptr) {
            m_context.engine->SetVolume(RTCAD_MICROPHONE, kVolumeMax - position);
        }
    });
    connect(m_devices, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0) {
            return;
        }
        m_deviceIndex = index;
        if (m_context.sendToOwner) {
            m_context.sendToOwner(Msg::AudioDeviceChosen, kMicrophoneChosen, index);
        }
        SliderSetup();
    });
}

CMicrophone::~CMicrophone() {
    m_meter->Stop();
}

void CMicrophone::FillDevices() {
    const QSignalBlocker block(m_devices);
    m_devices->clear();
    const AudioDeviceList& list = m_context.devices->List().capture;
    m_devices->addItems(list.Names());
    m_deviceCount = list.Count();
    m_devices->setCurrentIndex(m_deviceIndex < m_deviceCount ? m_deviceIndex : -1);
}

void CMicrophone::SliderSetup() {
    {
        const QSignalBlocker block(m_volume);
        m_volume->setRange(0, kVolumeMax);
        m_volume->setTickInterval(kTicks);
        m_volume->setTickPosition(QSlider::TicksBothSides);
        m_volume->setValue(0);
    }
    if (m_context.engine != nullptr) {
        m_context.engine->SetVolume(RTCAD_MICROPHONE, kVolumeMax);
    }
    if (m_active) {
        m_meter->Stop();
        m_meter->Start(*m_context.devices, m_deviceIndex);
    }
}

int CMicrophone::CurrentGain() const {
    int32_t volume = kVolumeMax;
    if (m_context.engine != nullptr &&
        !Failed(m_context.engine->GetVolume(RTCAD_MICROPHONE, &volume))) {
        return volume;
    }
    return kVolumeMax - m_volume->value();
}

void CMicrophone::Enter() {
    FillDevices();
    m_meter->Start(*m_context.devices, m_deviceIndex);
    m_active = true;
}

void CMicrophone::Leave() {
    m_meter->Stop();
    m_active = false;
}

void CMicrophone::ShowVolume(int volume) {
    const QSignalBlocker block(m_volume);
    m_volume->setValue(kVolumeMax - std::clamp(volume, 0, kVolumeMax));
}

void CMicrophone::DevicesChanged() {
    FillDevices();
    if (m_deviceIndex >= m_deviceCount) {
        m_deviceIndex = 0;
    }
    {
        const QSignalBlocker block(m_devices);
        m_devices->setCurrentIndex(m_deviceCount > 0 ? m_deviceIndex : -1);
    }
    SliderSetup();
}

void CMicrophone::OnLevelTooHigh() {
    if (m_context.engine == nullptr) {
        return;
    }
    const int current = kVolumeMax - m_volume->value();
    const int lowered = current > kVolumeStep ? current - kVolumeStep : 0;
    {
        const QSignalBlocker block(m_volume);
        m_volume->setValue(kVolumeMax - lowered);
    }
    m_context.engine->SetVolume(RTCAD_MICROPHONE, lowered);
}

}  // namespace zuvo
