#include "telephony/media_sound_devices.h"

#include <mediastreamer2/msfactory.h>
#include <mediastreamer2/mssndcard.h>

#include "telephony/media_level_capture.h"
#include "telephony/media_sound_loop_player.h"
#include "telephony/telephony_log.h"

namespace zuvo {

namespace {

QString CardName(const MSSndCard* card) {
    return QString::fromUtf8(ms_snd_card_get_name(card)).left(AudioDeviceList::kMaxNameLength);
}

MSSndCard* FindCard(MSFactory* factory, const QString& name, unsigned capability) {
    if (factory == nullptr || name.isEmpty()) {
        return nullptr;
    }
    MSSndCardManager* manager = ms_factory_get_snd_card_manager(factory);
    for (const bctbx_list_t* it = ms_snd_card_manager_get_list(manager); it != nullptr;
         it = it->next) {
        auto* card = static_cast<MSSndCard*>(it->data);
        if ((ms_snd_card_get_capabilities(card) & capability) != 0 &&
            CardName(card).compare(name, Qt::CaseInsensitive) == 0) {
            return card;
        }
    }
    return nullptr;
}

}  // namespace

void MediaSoundDevices::FactoryDeleter::operator()(MSFactory* factory) const {
    ms_factory_destroy(factory);
}

// The sound cards are built into the media library; its plug-in folder holds only video
// outputs (one brings in a whole second Qt), which a list of sound devices never needs.
MediaSoundDevices::MediaSoundDevices() : m_factory(ms_factory_new()) {
    if (m_factory) {
        ms_factory_init_voip(m_factory.get());
    }
    Read();
}

MediaSoundDevices::~MediaSoundDevices() = default;

bool MediaSoundDevices::Reload() {
    if (!m_factory) {
        return false;
    }
    ms_snd_card_manager_reload(ms_factory_get_snd_card_manager(m_factory.get()));
    const AudioDevices before = m_list;
    Read();
    return !(before == m_list);
}

void MediaSoundDevices::Read() {
    QStringList playback;
    QStringList capture;
    if (m_factory) {
        MSSndCardManager* manager = ms_factory_get_snd_card_manager(m_factory.get());
        // The manager's order: the sound server's devices as it lists them, then the others.
        for (const bctbx_list_t* it = ms_snd_card_manager_get_list(manager); it != nullptr;
             it = it->next) {
            const auto* card = static_cast<const MSSndCard*>(it->data);
            const unsigned capabilities = ms_snd_card_get_capabilities(card);
            if (capabilities & MS_SND_CARD_CAP_PLAYBACK) {
                playback.append(CardName(card));
            }
            if (capabilities & MS_SND_CARD_CAP_CAPTURE) {
                capture.append(CardName(card));
            }
        }
    } else {
        qCWarning(lcTelephony) << "no media factory: no sound devices";
    }
    m_list = AudioDevices{AudioDeviceList(playback), AudioDeviceList(capture)};
    qCDebug(lcTelephony) << "playback devices" << playback << "capture devices" << capture;
}

MSSndCard* MediaSoundDevices::CaptureCard(const QString& name) const {
    return FindCard(m_factory.get(), name, MS_SND_CARD_CAP_CAPTURE);
}

MSSndCard* MediaSoundDevices::PlaybackCard(const QString& name) const {
    return FindCard(m_factory.get(), name, MS_SND_CARD_CAP_PLAYBACK);
}

MSFactory* MediaSoundDevices::Factory() const {
    return m_factory.get();
}

std::unique_ptr<LevelCapture> MediaSoundDevices::NewLevelCapture() const {
    return std::make_unique<MediaLevelCapture>(*this);
}

std::unique_ptr<SoundLoopPlayer> MediaSoundDevices::NewLoopPlayer() const {
    return std::make_unique<MediaSoundLoopPlayer>(*this);
}

}  // namespace zuvo
