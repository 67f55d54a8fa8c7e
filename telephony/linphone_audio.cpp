#include "telephony/linphone_sip_client.h"

#include "telephony/audio_device_list.h"
#include "telephony/telephony_log.h"

#include <algorithm>
#include <cmath>

#include <QLoggingCategory>

#include <linphone/core.h>

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr float kSilentDb = -120.0f;

// Volumes 0..65535 ride on liblinphone's software gains in dB: 65535 is unity gain, 0 silence.
float VolumeToDb(int32_t volume) {
    if (volume <= 0) {
        return kSilentDb;
    }
    return static_cast<float>(20.0 * std::log10(std::min(volume, 0xFFFF) / 65535.0));
}

int32_t DbToVolume(float db) {
    if (db <= kSilentDb + 1.0f) {
        return 0;
    }
    const double v = std::round(65535.0 * std::pow(10.0, db / 20.0));
    return static_cast<int32_t>(std::clamp(v, 0.0, 65535.0));
}

// Level 0..100 from a stream's volume in dB (-60 dB and below is 0).
int32_t DbToLevel(float db) {
    if (!std::isfinite(db)) {
        return 0;
    }
    const double level = (static_cast<double>(db) + 60.0) * 100.0 / 60.0;
    return static_cast<int32_t>(std::clamp(std::round(level), 0.0, 100.0));
}

}  // namespace

void LinphoneSipClient::HandleDtmfReceived(char tone) {
    m_receivedTones.append(QLatin1Char(tone));
}

void LinphoneSipClient::HandleAudioDevicesChanged() {
    ++m_deviceReports;
    RaiseClient(RTCCET_DEVICE_CHANGE);
}

void LinphoneSipClient::ReloadSoundDevices() {
    if (m_core == nullptr || m_shuttingDown) {
        return;
    }
    const int before = m_deviceReports;
    linphone_core_reload_sound_devices(m_core);
    // The list-updated callback reports it; where the stack stays quiet, say it here.
    if (m_deviceReports == before) {
        HandleAudioDevicesChanged();
    }
}

void LinphoneSipClient::CheckMediaArrived() {
    bool waiting = false;
    for (auto& [id, session] : m_sessions) {
        if (!session.mediaReady || session.mediaStarted || session.call == nullptr) {
            continue;
        }
        uint64_t received = 0;
        if (LinphoneCallStats* stats = linphone_call_get_audio_stats(session.call)) {
            if (const rtp_stats_t* rtp = linphone_call_stats_get_rtp_stats(stats)) {
                received = rtp->packet_recv;
            }
            linphone_call_stats_unref(stats);
        }
        if (received > 0) {
            session.mediaStarted = true;
            RaiseMedia(RTCMET_STARTED);
        } else {
            // A call whose far end sends nothing still has figures worth reporting.
            SampleStatistics(session.call);
            waiting = true;
        }
    }
    if (waiting && !m_mediaWatchTimer.isActive()) {
        m_mediaWatchTimer.start(kMediaWatchMs);
    } else if (!waiting) {
        m_mediaWatchTimer.stop();
    }
}

void LinphoneSipClient::SampleIntensity() {
    LinphoneCall* call = ActiveCall();
    if (call == nullptr) {
        return;
    }
    SampleStatistics(call);
    const int32_t speaker = DbToLevel(linphone_call_get_play_volume(call));
    const int32_t microphone = DbToLevel(linphone_call_get_record_volume(call));
    if (Wants(RTCEF_INTENSITY)) {
        m_events->OnIntensityEvent(RTCAD_SPEAKER, speaker, 0, 100);
    }
    if (Wants(RTCEF_INTENSITY)) {
        m_events->OnIntensityEvent(RTCAD_MICROPHONE, microphone, 0, 100);
    }
}

std::optional<LinphoneSipClient::AudioCounts> LinphoneSipClient::CurrentAudioCounts() const {
    LinphoneCall* call = ActiveCall();
    if (call == nullptr) {
        return std::nullopt;
    }
    LinphoneCallStats* stats = linphone_call_get_audio_stats(call);
    if (stats == nullptr) {
        return std::nullopt;
    }
    AudioCounts counts;
    if (const rtp_stats_t* rtp = linphone_call_stats_get_rtp_stats(stats)) {
        counts.sent = rtp->packet_sent;
        counts.received = rtp->packet_recv;
    }
    linphone_call_stats_unref(stats);
    return counts;
}

void LinphoneSipClient::SendPendingTones() {
    if (m_pendingTones.isEmpty()) {
        return;
    }
    LinphoneCall* call = ActiveCall();
    if (call == nullptr || linphone_call_get_state(call) != LinphoneCallStreamsRunning) {
        qCDebug(lcTelephony) << "keys not sent, the call is over:" << m_pendingTones;
        m_pendingTones.clear();
        return;
    }
    // Refused while an earlier sequence is still going out: tried again on the next iteration.
    if (linphone_call_send_dtmfs(call, m_pendingTones.constData()) == 0) {
        m_pendingTones.clear();
    }
}

HRESULT LinphoneSipClient::SendDtmf(int32_t tone) {
    if (m_core == nullptr) {
        return E_FAIL;
    }
    char digit = 0;
    if (tone >= 0 && tone <= 9) {
        digit = static_cast<char>('0' + tone);
    } else if (tone == RTC_DTMF_STAR) {
        digit = '*';
    } else if (tone == RTC_DTMF_POUND) {
        digit = '#';
    } else if (tone >= 12 && tone <= 15) {
        digit = static_cast<char>('A' + (tone - 12));
    } else if (tone == RTC_DTMF_FLASH) {
        // liblinphone has no flash event to send: the tone is accepted and does nothing.
        return S_OK;
    } else {
        return E_FAIL;
    }
    if (LinphoneCall* call = ActiveCall();
        call != nullptr && linphone_call_get_state(call) == LinphoneCallStreamsRunning) {
        // The stream sends one key at a time and drops a key pressed while another is still
        // going out: keys typed quickly wait their turn.
        m_pendingTones.append(digit);
        SendPendingTones();
        return S_OK;
    }
    // Outside a call the key is only heard locally.
    linphone_core_play_dtmf(m_core, digit, 150);
    return S_OK;
}

HRESULT LinphoneSipClient::SetVolume(int32_t device, int32_t volume) {
    if (m_core == nullptr || volume < 0 || volume > 0xFFFF) {
        return E_FAIL;
    }
    if (device == RTCAD_SPEAKER) {
        linphone_core_set_playback_gain_db(m_core, VolumeToDb(volume));
    } else if (device == RTCAD_MICROPHONE) {
        linphone_core_set_mic_gain_db(m_core, VolumeToDb(volume));
    } else {
        return E_FAIL;
    }
    RaiseClient(RTCCET_VOLUME_CHANGE);
    return S_OK;
}

HRESULT LinphoneSipClient::GetVolume(int32_t device, int32_t* volume) {
    if (m_core == nullptr || volume == nullptr) {
        return E_FAIL;
    }
    if (device == RTCAD_SPEAKER) {
        *volume = DbToVolume(linphone_core_get_playback_gain_db(m_core));
    } else if (device == RTCAD_MICROPHONE) {
        *volume = DbToVolume(linphone_core_get_mic_gain_db(m_core));
    } else {
        return E_FAIL;
    }
    return S_OK;
}

HRESULT LinphoneSipClient::SetAudioMuted(int32_t device, bool muted) {
    if (m_core == nullptr) {
        return E_FAIL;
    }
    if (device == RTCAD_MICROPHONE) {
        linphone_core_enable_mic(m_core, !muted);
        return S_OK;
    }
    if (device == RTCAD_SPEAKER) {
        m_speakerMuted = muted;
        for (const auto& [id, session] : m_sessions) {
            if (session.call != nullptr && session.mediaStarted) {
                linphone_call_set_speaker_muted(session.call, muted);
            }
        }
        return S_OK;
    }
    return E_FAIL;
}

HRESULT LinphoneSipClient::SetPreferredAudioDevice(int32_t device, const QString& name) {
    if (m_core == nullptr || (device != RTCAD_SPEAKER && device != RTCAD_MICROPHONE)) {
        return E_FAIL;
    }
    const LinphoneAudioDeviceCapabilities wanted = device == RTCAD_SPEAKER
                                                       ? LinphoneAudioDeviceCapabilityPlay
                                                       : LinphoneAudioDeviceCapabilityRecord;
    bctbx_list_t* devices = linphone_core_get_extended_audio_devices(m_core);
    HRESULT result = E_FAIL;
    for (bctbx_list_t* it = devices; it != nullptr; it = it->next) {
        auto* candidate = static_cast<LinphoneAudioDevice*>(it->data);
        // The phone knows a device by its name as listed (at most 31 characters), in any case.
        const QString deviceName =
            QString::fromUtf8(linphone_audio_device_get_device_name(candidate))
                .left(AudioDeviceList::kMaxNameLength);
        const QString deviceId = QString::fromUtf8(linphone_audio_device_get_id(candidate));
        const bool named =
            !name.isEmpty() && (deviceName.compare(name.left(AudioDeviceList::kMaxNameLength),
                                                   Qt::CaseInsensitive) == 0 ||
                                deviceId == name);
        if (!named || !linphone_audio_device_has_capability(candidate, wanted)) {
            continue;
        }
        if (device == RTCAD_SPEAKER) {
            linphone_core_set_default_output_audio_device(m_core, candidate);
            linphone_core_set_output_audio_device(m_core, candidate);
            // Key tones and ringing come from the phone's speaker too, not the system's default.
            linphone_core_set_ringer_device(m_core, linphone_audio_device_get_id(candidate));
        } else {
            linphone_core_set_default_input_audio_device(m_core, candidate);
            linphone_core_set_input_audio_device(m_core, candidate);
        }
        result = S_OK;
        break;
    }
    bctbx_list_free_with_data(devices,
                              reinterpret_cast<bctbx_list_free_func>(linphone_audio_device_unref));
    return result;
}

QString LinphoneSipClient::OutputDeviceName() const {
    if (m_core == nullptr) {
        return {};
    }
    // The call's device while there is one, else the one the next call takes.
    const LinphoneAudioDevice* device = linphone_core_get_output_audio_device(m_core);
    if (device == nullptr) {
        device = linphone_core_get_default_output_audio_device(m_core);
    }
    return device ? QString::fromUtf8(linphone_audio_device_get_device_name(device)) : QString();
}

QString LinphoneSipClient::InputDeviceName() const {
    if (m_core == nullptr) {
        return {};
    }
    const LinphoneAudioDevice* device = linphone_core_get_input_audio_device(m_core);
    if (device == nullptr) {
        device = linphone_core_get_default_input_audio_device(m_core);
    }
    return device ? QString::fromUtf8(linphone_audio_device_get_device_name(device)) : QString();
}

HRESULT LinphoneSipClient::SetPreferredAec(bool on) {
    if (m_core == nullptr) {
        return E_FAIL;
    }
    linphone_core_enable_echo_cancellation(m_core, on);
    return S_OK;
}

HRESULT LinphoneSipClient::GetPreferredAec(bool* on) {
    if (m_core == nullptr || on == nullptr) {
        return E_FAIL;
    }
    *on = linphone_core_echo_cancellation_enabled(m_core);
    return S_OK;
}

HRESULT LinphoneSipClient::GetNetworkQuality(int32_t* quality) {
    if (m_core == nullptr || quality == nullptr) {
        return E_FAIL;
    }
    // liblinphone rates a call 0..5; without a call the network is taken as good.
    LinphoneCall* call = ActiveCall();
    const float rating = call ? linphone_call_get_current_quality(call) : 5.0f;
    *quality = static_cast<int32_t>(std::clamp(std::lround(rating * 20.0f), 0L, 100L));
    return S_OK;
}

HRESULT LinphoneSipClient::InvokeTuningWizard() {
    return E_FAIL;  // the phone has its own audio wizard
}

}  // namespace zuvo
