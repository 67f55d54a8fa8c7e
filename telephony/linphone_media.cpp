#include "telephony/linphone_sip_client.h"

#include <linphone/core.h>

#include <array>

#include "telephony/telephony_log.h"

namespace zuvo {

namespace {

struct Codec {
    const char* mime;
    int clockRate;  // 0: any
};

// Wideband first; G.711 for every gateway; G.729 for providers' low-bandwidth trunks; the
// telephone-event payloads carry keys for the codecs of both clock rates.
constexpr std::array kOfferedCodecs{
    Codec{"opus", 48000},
    Codec{"G722", 8000},
    Codec{"PCMU", 8000},
    Codec{"PCMA", 8000},
    Codec{"G729", 8000},
    Codec{"telephone-event", 48000},
    Codec{"telephone-event", 8000},
};

bool Matches(const LinphonePayloadType* type, const Codec& codec) {
    const char* mime = linphone_payload_type_get_mime_type(type);
    return mime != nullptr && qstricmp(mime, codec.mime) == 0 &&
           (codec.clockRate == 0 || linphone_payload_type_get_clock_rate(type) == codec.clockRate);
}

std::optional<double> Positive(double value) {
    return value > 0.0 ? std::optional<double>(value) : std::nullopt;
}

}  // namespace

void LinphoneSipClient::ConfigureAudioCodecs() {
    bctbx_list_t* available = linphone_core_get_audio_payload_types(m_core);
    bctbx_list_t* ordered = nullptr;
    for (const Codec& codec : kOfferedCodecs) {
        for (bctbx_list_t* it = available; it != nullptr; it = bctbx_list_next(it)) {
            auto* type = static_cast<LinphonePayloadType*>(bctbx_list_get_data(it));
            if (Matches(type, codec) && bctbx_list_find(ordered, type) == nullptr) {
                linphone_payload_type_enable(type, TRUE);
                ordered = bctbx_list_append(ordered, type);
            }
        }
    }
    for (bctbx_list_t* it = available; it != nullptr; it = bctbx_list_next(it)) {
        auto* type = static_cast<LinphonePayloadType*>(bctbx_list_get_data(it));
        if (bctbx_list_find(ordered, type) == nullptr) {
            linphone_payload_type_enable(type, FALSE);
            ordered = bctbx_list_append(ordered, type);
        }
    }
    linphone_core_set_audio_payload_types(m_core, ordered);
    bctbx_list_free(ordered);
    bctbx_list_free(available);
}

HRESULT LinphoneSipClient::SetMediaEncryptionRequired(bool required) {
    if (m_core == nullptr) {
        return E_FAIL;
    }
    if (required &&
        !linphone_core_media_encryption_supported(m_core, LinphoneMediaEncryptionSRTP)) {
        qCWarning(lcTelephony) << "encrypted media is required but the media stack has no SRTP";
    }
    m_encryptionRequired = required;
    return S_OK;
}

bool LinphoneSipClient::ApplyMediaEncryption(LinphoneCallParams* params) const {
    bool tls = false;
    if (LinphoneAccount* account = linphone_core_get_default_account(m_core)) {
        tls = linphone_account_params_get_transport(linphone_account_get_params(account)) ==
              LinphoneTransportTls;
    }
    const bool srtp = linphone_core_media_encryption_supported(m_core, LinphoneMediaEncryptionSRTP);
    // SDES keys travel in the SDP: only signalling that nobody on the way can read may carry it.
    if (tls && srtp && m_encryptionRequired) {
        linphone_call_params_set_media_encryption(params, LinphoneMediaEncryptionSRTP);
        linphone_call_params_enable_mandatory_media_encryption(params, TRUE);
        return true;
    }
    if (tls && srtp) {
        // Plain RTP as the offer itself and SRTP as an alternative (RFC 5939): a far end that
        // knows the alternative takes it, any other answers the plain offer, as providers without
        // SRTP do. An offer of SRTP alone would be refused by them.
        linphone_call_params_set_media_encryption(params, LinphoneMediaEncryptionNone);
        linphone_call_params_enable_mandatory_media_encryption(params, FALSE);
        linphone_call_params_enable_capability_negotiations(params, TRUE);
        // No second offer to confirm the choice: far ends that took the keys need none.
        linphone_call_params_enable_capability_negotiation_reinvite(params, FALSE);
        bctbx_list_t* encryptions = bctbx_list_append(
            nullptr, reinterpret_cast<void*>(static_cast<intptr_t>(LinphoneMediaEncryptionSRTP)));
        linphone_call_params_set_supported_encryptions(params, encryptions);
        bctbx_list_free(encryptions);
        return true;
    }
    linphone_call_params_set_media_encryption(params, LinphoneMediaEncryptionNone);
    linphone_call_params_enable_mandatory_media_encryption(params, FALSE);
    if (m_encryptionRequired) {
        // The caller says so on the display; this is for whoever looks into the media stack.
        qCDebug(lcTelephony) << (tls ? "encrypted media is required but SRTP is not available"
                                     : "encrypted media is required but the signalling is not "
                                       "TLS: the call is not placed");
        return false;
    }
    return true;
}

bool LinphoneSipClient::RefusedRequiredEncryption(LinphoneCall* call, int code) const {
    const LinphoneCallParams* current = linphone_call_get_current_params(call);
    if (!m_encryptionRequired || code >= 300 || current == nullptr ||
        linphone_call_params_get_media_encryption(current) != LinphoneMediaEncryptionNone) {
        return false;
    }
    qCWarning(lcTelephony) << "the far end did not accept encrypted media, which is required: "
                              "the call was ended";
    return true;
}

void LinphoneSipClient::SampleStatistics(LinphoneCall* call) {
    if (call == nullptr) {
        return;
    }
    LinphoneCallStats* stats = linphone_call_get_audio_stats(call);
    if (stats == nullptr) {
        return;
    }
    // Once the call ends the stack no longer names its codec: the one seen before stays.
    CallStatistics s = m_lastStatistics.value_or(CallStatistics{});
    if (const LinphoneCallParams* current = linphone_call_get_current_params(call)) {
        if (const LinphonePayloadType* type =
                linphone_call_params_get_used_audio_payload_type(current)) {
            const char* mime = linphone_payload_type_get_mime_type(type);
            s.codec = mime != nullptr ? QString::fromUtf8(mime) : QString();
            s.clockRate = linphone_payload_type_get_clock_rate(type);
            s.channels = linphone_payload_type_get_channels(type);
            s.payloadType = linphone_payload_type_get_number(type);
        }
        s.encrypted =
            linphone_call_params_get_media_encryption(current) == LinphoneMediaEncryptionSRTP;
    }
    if (const rtp_stats_t* rtp = linphone_call_stats_get_rtp_stats(stats)) {
        s.packetsSent = rtp->packet_sent;
        s.packetsReceived = rtp->packet_recv;
        if (rtp->sent_rtcp_packets != m_lossBasis.reports) {
            m_lossBasis = {rtp->sent_rtcp_packets, rtp->packet_recv,
                           std::max<int64_t>(rtp->cum_packet_loss, 0)};
        }
        s.packetsLost = m_lossBasis.lost;
        const double expected = static_cast<double>(m_lossBasis.received) + m_lossBasis.lost;
        s.lossPercent = expected > 0 ? 100.0 * m_lossBasis.lost / expected : 0.0;
        s.latePackets = rtp->outoftime;
        // Jitter is measured for each report we send; the round trip needs the far end's.
        if (rtp->sent_rtcp_packets > 0) {
            s.jitterMs = linphone_call_stats_get_sender_interarrival_jitter(stats);
        }
        if (rtp->recv_rtcp_packets > 0) {
            const std::optional<double> seconds =
                Positive(linphone_call_stats_get_round_trip_delay(stats));
            if (seconds) {
                s.roundTripMs = *seconds * 1000.0;
            }
        }
    }
    s.jitterBufferMs = Positive(linphone_call_stats_get_jitter_buffer_size_ms(stats));
    const rtp_stats_t* rtp = linphone_call_stats_get_rtp_stats(stats);
    const bool farEndReports = rtp != nullptr && rtp->recv_rtcp_packets > 0;
    linphone_call_stats_unref(stats);
    // The estimate rests on the far end's reports; without them the stack's figure means nothing.
    const float quality = linphone_call_get_current_quality(call);
    if (farEndReports && quality >= 0) {
        s.quality = quality;
    }
    const float average = linphone_call_get_average_quality(call);
    if (farEndReports && average >= 0) {
        s.averageQuality = average;
    }
    // Before the streams run, and after they stopped, the stack reports nothing worth keeping.
    if (s.packetsSent == 0 && s.packetsReceived == 0 && m_lastStatistics) {
        return;
    }
    m_lastStatistics = s;
}

std::optional<CallStatistics> LinphoneSipClient::LastCallStatistics() const {
    return m_lastStatistics;
}

}  // namespace zuvo
