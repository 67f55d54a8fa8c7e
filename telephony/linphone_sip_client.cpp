#include "telephony/linphone_sip_client.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <linphone/core.h>
#include <linphone/logging.h>
#include <mediastreamer2/msfactory.h>
#include <mediastreamer2/mssndcard.h>

#include "platform/net.h"
#include "telephony/null_sound_card.h"
#include "telephony/provisioning_profile.h"
#include "telephony/rtc_port_manager.h"
#include "telephony/sip_datagram_screen.h"
#include "telephony/sound_server_watch.h"
#include "telephony/telephony_log.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int kIdleIterateMs = 20;
constexpr int kBusyIterateMs = 2;
// With the SIP socket watched, only the engine's own timers are left to the timer; the earliest
// that matters at rest is a registration refresh or a keep-alive, seconds away.
constexpr int kRestIterateMs = 1000;
constexpr int kIntensityMs = 250;
// A registration without any answer by then is given up as an error (a UDP server that never
// answers would otherwise take the whole SIP transaction time-out, 32 s).
constexpr int kRegisterTimeoutMs = 8000;
// A closing request (BYE, CANCEL) that a reachable server answers takes one round trip; SIP sends
// it again after 500 ms when no answer came. Signalling that outlasts this went unanswered at
// least once.
constexpr int kClosingAnsweredMs = 450;
// How long a stop waits for the registrar to answer the unregistrations. The engine's own stop
// waits up to 2 s more for them; both fit in the window's grace for the clean-up.
constexpr int kUnregisterBeforeStopMs = 1500;
constexpr const char* kSystemCaBundle = "/etc/ssl/certs/ca-certificates.crt";

LinphoneSipClient* Owner(LinphoneCore* core) {
    return static_cast<LinphoneSipClient*>(linphone_core_get_user_data(core));
}

void OnGlobalState(LinphoneCore* core, LinphoneGlobalState state, const char*) {
    if (auto* self = Owner(core)) {
        self->HandleGlobalState(state);
    }
}

void OnAccountState(LinphoneCore* core, LinphoneAccount* account, LinphoneRegistrationState state,
                    const char*) {
    if (auto* self = Owner(core)) {
        self->HandleAccountState(account, state);
    }
}

void OnCallState(LinphoneCore* core, LinphoneCall* call, LinphoneCallState state, const char*) {
    if (auto* self = Owner(core)) {
        self->HandleCallState(call, state);
    }
}

void OnDtmf(LinphoneCore* core, LinphoneCall*, int dtmf) {
    if (auto* self = Owner(core)) {
        self->HandleDtmfReceived(static_cast<char>(dtmf));
    }
}

void OnAudioDevices(LinphoneCore* core) {
    if (auto* self = Owner(core)) {
        self->HandleAudioDevicesChanged();
    }
}

void OnLog(LinphoneLoggingService*, const char* domain, LinphoneLogLevel level,
           const char* message) {
    // liblinphone's own complaints (such as "no suitable soundcard" on a machine whose null card
    // is then chosen) are for whoever turns this category's debug output on; the engine reports
    // real failures through its results and events.
    if (level == LinphoneLogLevelFatal || qEnvironmentVariableIntValue("ZUVO_SIP_TRACE") != 0) {
        qCWarning(lcTelephony) << (domain ? domain : "linphone") << message;
    } else {
        qCDebug(lcTelephony) << (domain ? domain : "linphone") << message;
    }
}

QByteArray Utf8(const QString& text) {
    return text.toUtf8();
}

// The failure status of a SIP response, or of a failure without one.
int32_t FailureStatus(const LinphoneErrorInfo* info) {
    if (info == nullptr) {
        return E_FAIL;
    }
    // A failed connection or a server that never answered: the code is made up locally.
    const LinphoneReason reason = linphone_error_info_get_reason(info);
    if (reason == LinphoneReasonIOError || reason == LinphoneReasonNoResponse) {
        return E_FAIL;
    }
    const int code = linphone_error_info_get_protocol_code(info);
    return code >= 300 && code < 700 ? SipStatus(code, true) : E_FAIL;
}

QString HostOf(const QString& address) {
    // "host", "host:port" or "[v6]:port".
    if (address.startsWith(u'[')) {
        return address.mid(1, address.indexOf(u']') - 1);
    }
    const qsizetype colon = address.indexOf(u':');
    return colon < 0 ? address : address.left(colon);
}

}  // namespace

LinphoneSipClient::LinphoneSipClient(QObject* parent) : QObject(parent) {
    m_iterateTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_iterateTimer, &QTimer::timeout, this, &LinphoneSipClient::Iterate);
    connect(&m_intensityTimer, &QTimer::timeout, this, &LinphoneSipClient::SampleIntensity);
    connect(&m_mediaWatchTimer, &QTimer::timeout, this, &LinphoneSipClient::CheckMediaArrived);
    connect(&m_sipReadable, &QSocketNotifier::activated, this, &LinphoneSipClient::Iterate);
}

LinphoneSipClient::~LinphoneSipClient() {
    Shutdown();
}

HRESULT LinphoneSipClient::Initialize() {
    if (m_core != nullptr) {
        return S_OK;
    }
    LinphoneLoggingService* logging = linphone_logging_service_get();
    // ZUVO_SIP_TRACE=1 lets liblinphone's own messages through (they may show SIP traffic).
    const bool trace = qEnvironmentVariableIntValue("ZUVO_SIP_TRACE") != 0;
    linphone_logging_service_set_log_level_mask(
        logging, trace ? (LinphoneLogLevelMessage | LinphoneLogLevelWarning |
                          LinphoneLogLevelError | LinphoneLogLevelFatal)
                       : (LinphoneLogLevelError | LinphoneLogLevelFatal));
    static const bool logRouted = [logging] {
        LinphoneLoggingServiceCbs* logCbs =
            linphone_factory_create_logging_service_cbs(linphone_factory_get());
        linphone_logging_service_cbs_set_log_message_written(logCbs, OnLog);
        linphone_logging_service_add_callbacks(logging, logCbs);
        linphone_logging_service_cbs_unref(logCbs);
        return true;
    }();
    Q_UNUSED(logRouted);

    // liblinphone silently never registers without a data folder it can use: give it one.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString dataDir = base + u"/zuvo/linphone"_s;
    if (!QDir().mkpath(dataDir)) {
        qCWarning(lcTelephony) << "cannot create" << dataDir;
        return E_FAIL;
    }
    LinphoneFactory* factory = linphone_factory_get();
    // liblinphone appends its file names to these folders as they are: each ends in a separator.
    const QByteArray dir = Utf8(dataDir + u'/');
    linphone_factory_set_data_dir(factory, dir.constData());
    linphone_factory_set_config_dir(factory, dir.constData());
    linphone_factory_set_download_dir(factory, dir.constData());
    // The media plug-ins installed are video outputs (one brings in a whole second Qt): the phone
    // makes audio calls only, so the engine looks for plug-ins in its data folder, which has none.
    linphone_factory_set_msplugins_dir(factory, dir.constData());

    // No configuration file: nothing persists between runs, no stale account, no provisioning URI.
    m_core = linphone_factory_create_core_3(factory, nullptr, nullptr, nullptr);
    if (m_core == nullptr) {
        return E_FAIL;
    }
    linphone_core_set_user_data(m_core, this);
    // Without a sound card a silent stand-in keeps media flowing both ways; added before the
    // core starts so that it is chosen like any other card.
    MSSndCardManager* cards = ms_factory_get_snd_card_manager(linphone_core_get_ms_factory(m_core));
    if (ms_snd_card_manager_get_default_capture_card(cards) == nullptr ||
        ms_snd_card_manager_get_default_playback_card(cards) == nullptr) {
        RegisterNullSoundCard(linphone_core_get_ms_factory(m_core));
    }
    LinphoneConfig* config = linphone_core_get_config(m_core);
    linphone_config_set_int(config, "net", "auto_net_state_mon", 0);
    linphone_config_set_int(config, "sip", "ping_with_options", 0);
    linphone_config_set_int(config, "sip", "use_ipv6", 0);
    linphone_config_set_int(config, "sip", "sip_random_port", 0);
    linphone_config_set_int(config, "sip", "keepalive_period", 30000);
    linphone_config_set_int(config, "sip", "inc_timeout", 3600);
    linphone_config_set_int(config, "misc", "enable_basic_to_client_group_chat_room_migration", 0);
    linphone_config_set_int(config, "misc", "hide_chat_rooms_from_removed_proxies", 1);
    linphone_config_set_string(config, "misc", "config-uri", nullptr);
    linphone_config_set_string(config, "misc", "version_check_url_root", nullptr);
    linphone_config_set_string(config, "misc", "file_transfer_server_url", nullptr);
    linphone_config_set_string(config, "net", "stun_server", nullptr);
    linphone_config_set_int(config, "sound", "echocancellation", 1);
    // The phone keeps its own call history and contacts: none of the engine's databases (chat
    // and conferences, call logs, ZRTP secrets) is created or opened, which shortens the start.
    linphone_config_set_string(config, "storage", "uri", "null");
    linphone_config_set_string(config, "storage", "call_logs_db_uri", "null");
    linphone_config_set_string(config, "storage", "zrtp_secrets_db_uri", "null");

    m_cbs = linphone_factory_create_core_cbs(factory);
    linphone_core_cbs_set_global_state_changed(m_cbs, OnGlobalState);
    linphone_core_cbs_set_account_registration_state_changed(m_cbs, OnAccountState);
    linphone_core_cbs_set_call_state_changed(m_cbs, OnCallState);
    linphone_core_cbs_set_audio_devices_list_updated(m_cbs, OnAudioDevices);
    linphone_core_cbs_set_dtmf_received(m_cbs, OnDtmf);
    linphone_core_add_callbacks(m_core, m_cbs);

    // Nothing listens until a profile names its transport.
    LinphoneTransports* transports = linphone_factory_create_transports(factory);
    linphone_transports_set_udp_port(transports, 0);
    linphone_transports_set_tcp_port(transports, 0);
    linphone_transports_set_tls_port(transports, 0);
    linphone_transports_set_dtls_port(transports, 0);
    linphone_core_set_transports(m_core, transports);
    linphone_transports_unref(transports);

    linphone_core_enable_ipv6(m_core, FALSE);
    LinphoneNatPolicy* nat = linphone_core_create_nat_policy(m_core);
    linphone_nat_policy_enable_stun(nat, FALSE);
    linphone_nat_policy_enable_ice(nat, FALSE);
    linphone_nat_policy_enable_turn(nat, FALSE);
    linphone_nat_policy_enable_upnp(nat, FALSE);
    linphone_core_set_nat_policy(m_core, nat);
    linphone_nat_policy_unref(nat);
    linphone_core_set_stun_server(m_core, nullptr);
    linphone_core_set_media_encryption(m_core, LinphoneMediaEncryptionNone);
    linphone_core_enable_lime_x3dh(m_core, FALSE);
    linphone_core_enable_friend_list_subscription(m_core, FALSE);
    linphone_core_enable_video_capture(m_core, FALSE);
    linphone_core_enable_video_display(m_core, FALSE);
    LinphoneVideoActivationPolicy* video = linphone_factory_create_video_activation_policy(factory);
    linphone_video_activation_policy_set_automatically_initiate(video, FALSE);
    linphone_video_activation_policy_set_automatically_accept(video, FALSE);
    linphone_core_set_video_activation_policy(m_core, video);
    linphone_video_activation_policy_unref(video);
    // Keys travel as RFC 2833 events in the audio stream.
    linphone_core_set_use_rfc2833_for_dtmf(m_core, TRUE);
    linphone_core_set_use_info_for_dtmf(m_core, FALSE);
    linphone_core_set_audio_port(m_core, -1);
    linphone_core_disable_chat(m_core, LinphoneReasonNotAcceptable);
    // Contacts stay plain addresses: a GRUU would name the service's domain, which in-dialog
    // requests would then have to resolve.
    linphone_core_remove_supported_tag(m_core, "gruu");

    // TLS servers are checked against the system's certificate authorities.
    const char* rootCa = linphone_core_get_root_ca(m_core);
    if ((rootCa == nullptr || !QFile::exists(QString::fromUtf8(rootCa))) &&
        QFile::exists(QString::fromLatin1(kSystemCaBundle))) {
        linphone_core_set_root_ca(m_core, kSystemCaBundle);
    }
    linphone_core_verify_server_certificates(m_core, TRUE);
    linphone_core_verify_server_cn(m_core, TRUE);

    if (linphone_core_start(m_core) != 0) {
        qCWarning(lcTelephony) << "liblinphone did not start";
        Shutdown();
        return E_FAIL;
    }
    linphone_core_set_network_reachable(m_core, TRUE);
    ConfigureAudioCodecs();

    // A card without one of the two directions: the stand-in takes the missing one.
    if (linphone_core_get_playback_device(m_core) == nullptr ||
        linphone_core_get_capture_device(m_core) == nullptr) {
        if (linphone_core_get_playback_device(m_core) == nullptr) {
            linphone_core_set_playback_device(m_core, kNullCardId);
            linphone_core_set_ringer_device(m_core, kNullCardId);
        }
        if (linphone_core_get_capture_device(m_core) == nullptr) {
            linphone_core_set_capture_device(m_core, kNullCardId);
        }
    }
    // The stand-in, chosen here or by liblinphone itself when it found nothing better.
    MSFactory* media = linphone_core_get_ms_factory(m_core);
    if (IsNullSoundCard(media, linphone_core_get_playback_device(m_core))) {
        qCWarning(lcTelephony) << "no sound device to play on: calls are silent";
    }
    if (IsNullSoundCard(media, linphone_core_get_capture_device(m_core))) {
        qCWarning(lcTelephony) << "no sound device to record from: the far end hears silence";
    }
    // Files as the last resort: calls still set up, without audio.
    if (linphone_core_get_playback_device(m_core) == nullptr ||
        linphone_core_get_capture_device(m_core) == nullptr) {
        m_usesFiles = true;
        linphone_core_set_use_files(m_core, TRUE);
        linphone_core_set_play_file(m_core, nullptr);
        linphone_core_set_record_file(m_core, nullptr);
    }
    linphone_core_set_ring(m_core, nullptr);
    linphone_core_set_ringback(m_core, nullptr);

    if (!m_usesFiles) {
        m_soundWatch = std::make_unique<SoundServerWatch>();
        connect(m_soundWatch.get(), &SoundServerWatch::Changed, this,
                &LinphoneSipClient::ReloadSoundDevices);
        m_soundWatch->Start();
    }

    // Datagrams that would stall or crash the SIP stack are dropped before it reads them.
    m_screen = std::make_unique<SipDatagramScreen>([this] { return UdpSipPort(); });
    m_screen->GuardReads();
    UpdatePace();
    return S_OK;
}

HRESULT LinphoneSipClient::SetEventFilter(int32_t filter) {
    m_filter = filter;
    return m_core ? S_OK : E_FAIL;
}

HRESULT LinphoneSipClient::SetListenForIncomingSessions(int32_t mode) {
    if (m_core == nullptr) {
        return E_FAIL;
    }
    // Sessions reach us through the registered profile's connection either way; the mode only
    // records whether the client would also take calls on its own listening ports.
    m_listenMode = mode;
    return S_OK;
}

HRESULT LinphoneSipClient::SetPreferredMediaTypes(int32_t types, bool) {
    if (m_core == nullptr) {
        return E_FAIL;
    }
    // Audio only; video stays off whatever is asked.
    return (types & kAudioSendReceive) != 0 ? S_OK : E_FAIL;
}

HRESULT LinphoneSipClient::Advise(SipClientEvents* events) {
    if (m_core == nullptr && events != nullptr) {
        return E_FAIL;
    }
    m_events = events;
    return S_OK;
}

HRESULT LinphoneSipClient::CreateProfile(const QString& text, SipProfileId* profile) {
    if (m_core == nullptr || profile == nullptr) {
        return E_FAIL;
    }
    const std::optional<ProvisioningProfile> parsed = ParseProvisioningProfile(text);
    if (!parsed) {
        return E_FAIL;
    }
    const QString transport = parsed->registrarProtocol.toLower();
    if (transport != u"udp"_s && transport != u"tcp"_s && transport != u"tls"_s) {
        qCWarning(lcTelephony) << "unsupported transport" << parsed->registrarProtocol;
        return E_FAIL;
    }
    LinphoneFactory* factory = linphone_factory_get();
    LinphoneAddress* identity =
        linphone_factory_create_address(factory, Utf8(parsed->uri).constData());
    if (identity == nullptr) {
        return E_FAIL;
    }
    if (!parsed->displayName.isEmpty()) {
        linphone_address_set_display_name(identity, Utf8(parsed->displayName).constData());
    }
    LinphoneAccountParams* params = linphone_core_create_account_params(m_core);
    linphone_account_params_set_identity_address(params, identity);
    linphone_address_unref(identity);

    const QString server = u"sip:"_s + parsed->registrarAddress + u";transport="_s + transport;
    if (linphone_account_params_set_server_addr(params, Utf8(server).constData()) != 0) {
        linphone_account_params_unref(params);
        return E_FAIL;
    }
    const QString proxy = u"sip:"_s + parsed->proxyAddress + u";transport="_s +
                          parsed->proxyProtocol.toLower() + u";lr"_s;
    LinphoneAddress* route = linphone_factory_create_address(factory, Utf8(proxy).constData());
    if (route != nullptr) {
        bctbx_list_t* routes = bctbx_list_append(nullptr, route);
        linphone_account_params_set_routes_addresses(params, routes);
        bctbx_list_free(routes);
        linphone_address_unref(route);
    }
    linphone_account_params_set_register_enabled(params, FALSE);
    linphone_account_params_set_publish_enabled(params, FALSE);
    linphone_account_params_set_quality_reporting_enabled(params, FALSE);
    linphone_account_params_set_push_notification_allowed(params, FALSE);
    linphone_account_params_set_remote_push_notification_allowed(params, FALSE);
    linphone_account_params_set_expires(params, 3600);

    const SipProfileId id = m_nextId++;
    Profile& entry = m_profiles[id];
    entry.params = params;
    entry.transport = transport;
    entry.serverHost = HostOf(parsed->registrarAddress);

    // The fixed credentials answer a digest challenge for the profile's realm (any realm when
    // the profile names none). TLS asks for basic authentication; digest over TLS stands in.
    // liblinphone finds credentials by the identity's user; the digest user is the account.
    const LinphoneAddress* identityAddress = linphone_account_params_get_identity_address(params);
    const char* identityUser =
        identityAddress ? linphone_address_get_username(identityAddress) : nullptr;
    const QByteArray account = Utf8(parsed->account);
    const QByteArray user = identityUser ? QByteArray(identityUser) : account;
    const QByteArray password = Utf8(parsed->password);
    const QByteArray realm = Utf8(parsed->realm);
    LinphoneAuthInfo* auth = linphone_factory_create_auth_info_2(
        factory, user.constData(), account.constData(), password.constData(), nullptr,
        realm.isEmpty() ? nullptr : realm.constData(), nullptr, nullptr);
    linphone_core_clear_all_auth_info(m_core);
    linphone_core_add_auth_info(m_core, auth);
    linphone_auth_info_unref(auth);
    *profile = id;
    return S_OK;
}

HRESULT LinphoneSipClient::EnableProfile(SipProfileId id, int32_t) {
    auto it = m_profiles.find(id);
    if (m_core == nullptr || it == m_profiles.end() || it->second.account != nullptr) {
        return E_FAIL;
    }
    Profile& profile = it->second;
    ConfigureTransport(profile.transport, profile.serverHost);
    LinphoneAccountParams* params = linphone_account_params_clone(profile.params);
    linphone_account_params_set_register_enabled(params, TRUE);
    profile.account = linphone_core_create_account(m_core, params);
    linphone_account_params_unref(params);
    if (profile.account == nullptr || linphone_core_add_account(m_core, profile.account) != 0) {
        if (profile.account != nullptr) {
            linphone_account_unref(profile.account);
            profile.account = nullptr;
        }
        return E_FAIL;
    }
    linphone_core_set_default_account(m_core, profile.account);
    // The REGISTER goes out on the engine's next turn: now, not a timer interval later.
    TurnSoon();
    UpdatePace();
    return S_OK;
}

HRESULT LinphoneSipClient::DisableProfile(SipProfileId id) {
    auto it = m_profiles.find(id);
    if (m_core == nullptr || it == m_profiles.end()) {
        return E_FAIL;
    }
    Profile& profile = it->second;
    if (profile.account == nullptr || profile.timedOut) {
        return S_OK;  // never registered: nothing to undo
    }
    const LinphoneRegistrationState state = linphone_account_get_state(profile.account);
    if (state == LinphoneRegistrationOk || state == LinphoneRegistrationProgress) {
        profile.unregistering = true;
        RaiseRegistration(RTCRS_UNREGISTERING, 0);
        LinphoneAccountParams* params =
            linphone_account_params_clone(linphone_account_get_params(profile.account));
        linphone_account_params_set_register_enabled(params, FALSE);
        linphone_account_set_params(profile.account, params);
        linphone_account_params_unref(params);
        UpdatePace();
    }
    return S_OK;
}

HRESULT LinphoneSipClient::GetProfileState(SipProfileId id, int32_t* state) {
    auto it = m_profiles.find(id);
    if (it == m_profiles.end() || state == nullptr) {
        return E_FAIL;
    }
    *state = it->second.state;
    return S_OK;
}

void LinphoneSipClient::ReleaseProfile(SipProfileId id) {
    auto it = m_profiles.find(id);
    if (it == m_profiles.end()) {
        return;
    }
    it->second.released = true;
    // An unregistration in flight finishes first; its last state is still reported.
    if (!it->second.unregistering) {
        DropProfile(id);
    }
}

void LinphoneSipClient::DropProfile(SipProfileId id) {
    auto it = m_profiles.find(id);
    if (it == m_profiles.end()) {
        return;
    }
    Profile& profile = it->second;
    if (profile.account != nullptr) {
        // A stopped core has already forgotten its accounts.
        if (m_core != nullptr && linphone_core_get_global_state(m_core) == LinphoneGlobalOn) {
            linphone_core_remove_account(m_core, profile.account);
        }
        linphone_account_unref(profile.account);
    }
    if (profile.params != nullptr) {
        linphone_account_params_unref(profile.params);
    }
    m_profiles.erase(it);
}

SipProfileId LinphoneSipClient::FindProfile(const LinphoneAccount* account) const {
    for (const auto& [id, profile] : m_profiles) {
        if (profile.account == account) {
            return id;
        }
    }
    return 0;
}

void LinphoneSipClient::HandleAccountState(LinphoneAccount* account, int state) {
    const SipProfileId id = FindProfile(account);
    auto it = m_profiles.find(id);
    if (it == m_profiles.end()) {
        return;
    }
    Profile& profile = it->second;
    const bool released = profile.released;
    if (profile.timedOut) {
        // Already reported as an error; only the end of the attempt matters now.
        if (released &&
            (state == LinphoneRegistrationFailed || state == LinphoneRegistrationCleared)) {
            DropProfile(id);
        }
        UpdatePace();
        return;
    }
    switch (state) {
        case LinphoneRegistrationProgress:
            if (!profile.unregistering && !profile.refreshing &&
                profile.state != RTCRS_REGISTERING) {
                profile.state = RTCRS_REGISTERING;
                profile.registeringSince.start();
                RaiseRegistration(RTCRS_REGISTERING, 0);
            }
            break;
        case LinphoneRegistrationOk:
            profile.refreshing = false;
            if (!profile.unregistering && profile.state != RTCRS_REGISTERED) {
                profile.state = RTCRS_REGISTERED;
                RaiseRegistration(RTCRS_REGISTERED, 0);
            }
            break;
        case LinphoneRegistrationCleared:
            profile.refreshing = false;
            profile.state = RTCRS_NOT_REGISTERED;
            profile.unregistering = false;
            RaiseRegistration(RTCRS_NOT_REGISTERED, 0);
            if (released) {
                DropProfile(id);
            }
            break;
        case LinphoneRegistrationFailed: {
            const int32_t status = FailureStatus(linphone_account_get_error_info(account));
            const int32_t rtcState = SipCodeOf(status) != 0 ? RTCRS_REJECTED : RTCRS_ERROR;
            const bool wasUnregistering = profile.unregistering;
            profile.unregistering = false;
            profile.refreshing = false;
            profile.state = wasUnregistering ? RTCRS_NOT_REGISTERED : rtcState;
            RaiseRegistration(profile.state, wasUnregistering ? 0 : status);
            if (released) {
                DropProfile(id);
            } else if (!wasUnregistering) {
                // A rejected profile stays rejected: the caller unregisters or retries.
                LinphoneAccountParams* params =
                    linphone_account_params_clone(linphone_account_get_params(account));
                linphone_account_params_set_register_enabled(params, FALSE);
                linphone_account_set_params(account, params);
                linphone_account_params_unref(params);
            }
            break;
        }
        default:
            break;
    }
    UpdatePace();
}

HRESULT LinphoneSipClient::CreateSession(int32_t type, SipSessionId* session) {
    if (m_core == nullptr || session == nullptr || m_shuttingDown) {
        return E_FAIL;
    }
    if (type == RTCST_IM) {
        return E_FAIL;  // no instant-message sessions
    }
    const SipSessionId id = m_nextId++;
    m_sessions[id].type = type;
    *session = id;
    return S_OK;
}

HRESULT LinphoneSipClient::SetPortManager(SipSessionId id, const CRtcPortManager* manager) {
    auto it = m_sessions.find(id);
    if (it == m_sessions.end() || manager == nullptr || it->second.call != nullptr) {
        return E_FAIL;
    }
    CRtcPortManager::Mapping rtp;
    CRtcPortManager::Mapping rtcp;
    if (Failed(manager->GetMapping(QString(), RTCPT_AUDIO_RTP, &rtp)) ||
        Failed(manager->GetMapping(QString(), RTCPT_AUDIO_RTCP, &rtcp))) {
        return E_FAIL;
    }
    if (rtp.internalPort <= 0 || rtp.internalPort > 65534 ||
        rtcp.internalPort != rtp.internalPort + 1) {
        // The media stack always puts RTCP on the port after RTP.
        return E_FAIL;
    }
    it->second.rtpPort = rtp.internalPort;
    it->second.rtcpPort = rtcp.internalPort;
    it->second.localAddress = rtp.internalAddress;
    return S_OK;
}

HRESULT LinphoneSipClient::AddParticipant(SipSessionId id, const QString& address) {
    auto it = m_sessions.find(id);
    if (m_core == nullptr || it == m_sessions.end() || it->second.call != nullptr ||
        address.isEmpty()) {
        return E_FAIL;
    }
    Session& session = it->second;
    QString target = address;
    if (!target.startsWith(u"sip:"_s, Qt::CaseInsensitive) &&
        !target.startsWith(u"sips:"_s, Qt::CaseInsensitive)) {
        QString domain;
        if (LinphoneAccount* account = linphone_core_get_default_account(m_core)) {
            const LinphoneAddress* identity =
                linphone_account_params_get_identity_address(linphone_account_get_params(account));
            if (identity != nullptr && linphone_address_get_domain(identity) != nullptr) {
                domain = QString::fromUtf8(linphone_address_get_domain(identity));
            }
        }
        // A dotted address is called directly; a number goes to the service's domain.
        target = IsIpv4Address(target) || domain.isEmpty() ? u"sip:"_s + target
                                                           : u"sip:"_s + target + u"@"_s + domain;
    }
    LinphoneAddress* remote = linphone_core_interpret_url(m_core, Utf8(target).constData());
    if (remote == nullptr) {
        return E_FAIL;
    }
    LinphoneCallParams* params = linphone_core_create_call_params(m_core, nullptr);
    linphone_call_params_enable_video(params, FALSE);
    linphone_call_params_enable_early_media_sending(params, FALSE);
    if (!ApplyMediaEncryption(params)) {
        linphone_call_params_unref(params);
        linphone_address_unref(remote);
        return E_ENCRYPTION_REQUIRED;
    }

    LinphoneConfig* config = linphone_core_get_config(m_core);
    if (session.rtpPort != 0) {
        linphone_core_set_audio_port(m_core, session.rtpPort);
        if (!session.localAddress.isEmpty()) {
            linphone_config_set_string(config, "rtp", "bind_address",
                                       Utf8(session.localAddress).constData());
        }
    }
    // The first progress state is raised from inside the invite: bind it to this session.
    m_inviting = id;
    LinphoneCall* call = linphone_core_invite_address_with_params(m_core, remote, params);
    m_inviting = 0;
    if (session.rtpPort != 0) {
        linphone_core_set_audio_port(m_core, -1);
        linphone_config_set_string(config, "rtp", "bind_address", nullptr);
    }
    linphone_call_params_unref(params);
    linphone_address_unref(remote);
    if (call == nullptr) {
        if (session.call != nullptr) {
            linphone_call_unref(session.call);
            session.call = nullptr;
        }
        return E_FAIL;
    }
    if (session.call == nullptr) {
        session.call = linphone_call_ref(call);
    }
    m_lastStatistics.reset();
    m_lossBasis = {};
    UpdatePace();
    return S_OK;
}

HRESULT LinphoneSipClient::Terminate(SipSessionId id, int32_t reason) {
    auto it = m_sessions.find(id);
    if (it == m_sessions.end()) {
        return E_FAIL;
    }
    LinphoneCall* call = it->second.call;
    if (call == nullptr) {
        return S_OK;  // never started, or already over
    }
    const LinphoneCallState state = linphone_call_get_state(call);
    if (state == LinphoneCallEnd || state == LinphoneCallError || state == LinphoneCallReleased) {
        return S_OK;
    }
    SampleStatistics(call);
    int result = 0;
    if (state == LinphoneCallIncomingReceived || state == LinphoneCallIncomingEarlyMedia) {
        result = linphone_call_decline(call, reason == RTCTR_BUSY     ? LinphoneReasonBusy
                                             : reason == RTCTR_REJECT ? LinphoneReasonDeclined
                                                                      : LinphoneReasonBusy);
    } else {
        result = linphone_call_terminate(call);
    }
    UpdatePace();
    return result == 0 ? S_OK : E_FAIL;
}

HRESULT LinphoneSipClient::Answer(SipSessionId id) {
    auto it = m_sessions.find(id);
    if (it == m_sessions.end() || it->second.call == nullptr || !it->second.incoming) {
        return E_FAIL;
    }
    RaiseSession(id, RTCSS_ANSWERING, 0);
    const int result = linphone_call_accept(it->second.call);
    UpdatePace();
    return result == 0 ? S_OK : E_FAIL;
}

HRESULT LinphoneSipClient::GetSessionType(SipSessionId id, int32_t* type) {
    auto it = m_sessions.find(id);
    if (it == m_sessions.end() || type == nullptr) {
        return E_FAIL;
    }
    *type = it->second.type;
    return S_OK;
}

HRESULT LinphoneSipClient::GetRemoteParticipant(SipSessionId id, QString* uri, QString* name) {
    auto it = m_sessions.find(id);
    if (it == m_sessions.end() || it->second.call == nullptr || uri == nullptr || name == nullptr) {
        return E_FAIL;
    }
    const LinphoneAddress* remote = linphone_call_get_remote_address(it->second.call);
    if (remote == nullptr) {
        return E_FAIL;
    }
    char* text = linphone_address_as_string_uri_only(remote);
    *uri = QString::fromUtf8(text);
    bctbx_free(text);
    const char* display = linphone_address_get_display_name(remote);
    *name = display ? QString::fromUtf8(display) : QString();
    return S_OK;
}

void LinphoneSipClient::ReleaseSession(SipSessionId id) {
    auto it = m_sessions.find(id);
    if (it == m_sessions.end()) {
        return;
    }
    it->second.released = true;
    if (it->second.call == nullptr) {
        m_sessions.erase(it);
    }
}

void LinphoneSipClient::DropSession(SipSessionId id) {
    auto it = m_sessions.find(id);
    if (it == m_sessions.end()) {
        return;
    }
    if (it->second.call != nullptr) {
        linphone_call_unref(it->second.call);
        it->second.call = nullptr;
    }
    if (it->second.released) {
        m_sessions.erase(it);
    }
}

SipSessionId LinphoneSipClient::FindSession(const LinphoneCall* call) const {
    for (const auto& [id, session] : m_sessions) {
        if (session.call == call) {
            return id;
        }
    }
    return 0;
}

LinphoneCall* LinphoneSipClient::ActiveCall() const {
    for (const auto& [id, session] : m_sessions) {
        if (session.call != nullptr && session.mediaStarted) {
            const LinphoneCallState state = linphone_call_get_state(session.call);
            if (state != LinphoneCallEnd && state != LinphoneCallError &&
                state != LinphoneCallReleased) {
                return session.call;
            }
        }
    }
    return nullptr;
}

void LinphoneSipClient::HandleCallState(LinphoneCall* call, int state) {
    SipSessionId id = FindSession(call);
    if (id == 0 && m_inviting != 0 && linphone_call_get_dir(call) == LinphoneCallOutgoing) {
        auto inviting = m_sessions.find(m_inviting);
        if (inviting != m_sessions.end() && inviting->second.call == nullptr) {
            inviting->second.call = linphone_call_ref(call);
            id = m_inviting;
        }
    }
    if (id == 0) {
        if (state != LinphoneCallIncomingReceived) {
            UpdatePace();
            return;
        }
        id = m_nextId++;
        Session& session = m_sessions[id];
        session.type = RTCST_PC_TO_PHONE;
        session.call = linphone_call_ref(call);
        session.incoming = true;
        RaiseSession(id, RTCSS_INCOMING, 0);
        UpdatePace();
        return;
    }
    Session& session = m_sessions[id];
    switch (state) {
        case LinphoneCallOutgoingProgress:
            RaiseSession(id, RTCSS_INPROGRESS, 0);
            break;
        case LinphoneCallOutgoingRinging:
            RaiseSession(id, RTCSS_INPROGRESS, SipStatus(180, false));
            break;
        case LinphoneCallOutgoingEarlyMedia:
            RaiseSession(id, RTCSS_INPROGRESS, SipStatus(183, false));
            session.mediaReady = true;
            CheckMediaArrived();
            break;
        case LinphoneCallConnected:
            RaiseSession(id, RTCSS_CONNECTED, 0);
            break;
        case LinphoneCallStreamsRunning:
            session.mediaReady = true;
            CheckMediaArrived();
            if (m_speakerMuted) {
                linphone_call_set_speaker_muted(call, TRUE);
            }
            break;
        case LinphoneCallEnd:
        case LinphoneCallError: {
            int32_t status = 0;
            const LinphoneErrorInfo* info = linphone_call_get_error_info(call);
            const int code = info ? linphone_error_info_get_protocol_code(info) : 0;
            const LinphoneReason reason =
                info ? linphone_error_info_get_reason(info) : LinphoneReasonNone;
            session.serverLost = session.serverLost || reason == LinphoneReasonIOError ||
                                 reason == LinphoneReasonNoResponse;
            if (!session.endedSince.isValid()) {
                session.endedSince.start();
            }
            if (state == LinphoneCallError) {
                status = FailureStatus(info);
                if (RefusedRequiredEncryption(call, code)) {
                    status = SipStatus(488, true);  // media not acceptable here
                }
            } else if (code >= 300 && code != 487 && code < 700) {
                status = SipStatus(code, true);
            }
            SampleStatistics(call);
            session.mediaReady = false;
            if (session.mediaStarted) {
                session.mediaStarted = false;
                RaiseMedia(RTCMET_STOPPED);
            }
            RaiseSession(id, RTCSS_DISCONNECTED, status);
            break;
        }
        case LinphoneCallReleased: {
            // liblinphone ends a call whose BYE goes unanswered without an error: only the time
            // its signalling took tells.
            const bool late =
                session.endedSince.isValid() && session.endedSince.hasExpired(kClosingAnsweredMs);
            if (session.serverLost || late) {
                qCDebug(lcTelephony)
                    << "call signalling ended" << (late ? "unanswered for a while" : "on a failure")
                    << "- refreshing the registration";
                RefreshRegistrations();
            }
            DropSession(id);
            break;
        }
        default:
            break;  // hold, resume, updates: never reported
    }
    UpdatePace();
}

void LinphoneSipClient::HandleGlobalState(int state) {
    if (state == LinphoneGlobalOff && m_shuttingDown && !m_off) {
        m_off = true;
        m_intensityTimer.stop();
        m_mediaWatchTimer.stop();
        RaiseClient(RTCCET_ASYNC_CLEANUP_DONE);
    }
}

void LinphoneSipClient::RaiseRegistration(int32_t state, int32_t status) {
    if (Wants(RTCEF_REGISTRATION_STATE_CHANGE) && !m_off) {
        m_events->OnRegistrationStateChange(state, status);
    }
}

void LinphoneSipClient::RaiseSession(SipSessionId id, int32_t state, int32_t status) {
    if (Wants(RTCEF_SESSION_STATE_CHANGE) && !m_off) {
        m_events->OnSessionStateChange(id, state, status);
    }
}

void LinphoneSipClient::RaiseMedia(int32_t type) {
    if (Wants(RTCEF_MEDIA) && !m_off) {
        m_events->OnMediaEvent(type, RTCMER_NORMAL);
    }
}

void LinphoneSipClient::RaiseClient(int32_t type) {
    if (Wants(RTCEF_CLIENT)) {
        m_events->OnClientEvent(type);
    }
}

void LinphoneSipClient::Iterate() {
    // Once the engine is off its SIP layer is gone: a turn asked for earlier (TurnSoon, the
    // socket notifier) has nothing left to do and must not reach into it.
    if (m_core == nullptr) {
        return;
    }
    if (m_off) {
        m_iterateTimer.stop();
        StopWatchingSipSocket();
        return;
    }
    if (m_screen != nullptr) {
        m_screen->Screen();
    }
    linphone_core_iterate(m_core);
    StopWhenUnregistered();
    // The engine may have closed or replaced its socket during the turn: the notifier follows
    // before the event loop polls again.
    WatchSipSocket();
    ExpireRegistrations();
    // Often enough to catch each RTCP report with the packets received by then.
    SampleStatistics(ActiveCall());
    SendPendingTones();
    if (m_off) {
        m_iterateTimer.stop();
        StopWatchingSipSocket();
    }
}

void LinphoneSipClient::WatchSipSocket() {
    const int fd = m_screen != nullptr && !m_off ? m_screen->Socket() : -1;
    if (m_sipReadable.isEnabled() == (fd >= 0) && m_sipReadable.socket() == fd) {
        return;
    }
    // Changed from inside its own activation too: the notifier is re-aimed, never deleted.
    m_sipReadable.setSocket(fd);
    m_sipReadable.setEnabled(fd >= 0);
    UpdatePace();
}

void LinphoneSipClient::TurnSoon() {
    if (!m_turnSoon) {
        m_turnSoon = true;
        QTimer::singleShot(0, this, [this] {
            m_turnSoon = false;
            Iterate();
        });
    }
}

void LinphoneSipClient::StopWatchingSipSocket() {
    m_sipReadable.setSocket(-1);
}

void LinphoneSipClient::ExpireRegistrations() {
    for (auto it = m_profiles.begin(); it != m_profiles.end();) {
        Profile& profile = it->second;
        const SipProfileId id = it->first;
        ++it;  // the handlers below may drop the profile
        if ((profile.state != RTCRS_REGISTERING && !profile.refreshing) || profile.unregistering ||
            profile.timedOut || profile.account == nullptr ||
            !profile.registeringSince.hasExpired(kRegisterTimeoutMs)) {
            continue;
        }
        profile.timedOut = true;
        profile.refreshing = false;
        profile.state = RTCRS_ERROR;
        LinphoneAccountParams* params =
            linphone_account_params_clone(linphone_account_get_params(profile.account));
        linphone_account_params_set_register_enabled(params, FALSE);
        linphone_account_set_params(profile.account, params);
        linphone_account_params_unref(params);
        RaiseRegistration(RTCRS_ERROR, E_FAIL);
        if (profile.released) {
            DropProfile(id);
        }
    }
}

void LinphoneSipClient::RefreshRegistrations() {
    if (m_shuttingDown || m_off) {
        return;
    }
    for (auto& [id, profile] : m_profiles) {
        if (profile.account == nullptr || profile.state != RTCRS_REGISTERED ||
            profile.unregistering || profile.timedOut || profile.refreshing) {
            continue;
        }
        profile.refreshing = true;
        profile.registeringSince.start();
        linphone_account_refresh_register(profile.account);
    }
    TurnSoon();
    UpdatePace();
}

void LinphoneSipClient::UpdatePace() {
    if (m_core == nullptr || m_off) {
        return;
    }
    bool busy = m_shuttingDown;
    bool media = false;
    for (const auto& [id, session] : m_sessions) {
        if (session.call == nullptr) {
            continue;
        }
        const LinphoneCallState state = linphone_call_get_state(session.call);
        if (state == LinphoneCallStreamsRunning || state == LinphoneCallIncomingReceived ||
            state == LinphoneCallPaused || state == LinphoneCallPausedByRemote) {
            media = media || state == LinphoneCallStreamsRunning;
        } else {
            busy = true;
        }
    }
    // Traffic on an unwatched socket (TCP, TLS, or UDP before its socket is found) is only
    // seen on a turn of the timer.
    bool unwatched = false;
    for (const auto& [id, profile] : m_profiles) {
        busy = busy || profile.unregistering || profile.refreshing ||
               profile.state == RTCRS_REGISTERING;
        unwatched = unwatched || (profile.account != nullptr &&
                                  (profile.transport != u"udp"_s || !m_sipReadable.isEnabled()));
    }
    const int interval = busy                               ? kBusyIterateMs
                         : !m_sessions.empty() || unwatched ? kIdleIterateMs
                                                            : kRestIterateMs;
    if (interval == kBusyIterateMs && m_iterateTimer.interval() != interval) {
        TurnSoon();  // a call or a registration just began: its first message goes out now
    }
    if (m_iterateTimer.interval() != interval || !m_iterateTimer.isActive()) {
        m_iterateTimer.setTimerType(interval == kRestIterateMs ? Qt::CoarseTimer
                                                               : Qt::PreciseTimer);
        m_iterateTimer.start(interval);
    }
    if (media && !m_intensityTimer.isActive()) {
        m_intensityTimer.start(kIntensityMs);
    } else if (!media) {
        m_intensityTimer.stop();
    }
}

HRESULT LinphoneSipClient::SetClientName(const QString& name) {
    if (m_core == nullptr || name.isEmpty()) {
        return E_FAIL;
    }
    const QByteArray text = Utf8(name);
    linphone_core_set_user_agent(m_core, text.constData(), nullptr);
    return S_OK;
}

HRESULT LinphoneSipClient::PrepareForShutdown() {
    if (m_core == nullptr || m_shuttingDown) {
        return E_FAIL;
    }
    m_shuttingDown = true;
    UnregisterBeforeStop();
    StopWhenUnregistered();
    UpdatePace();
    return S_OK;
}

void LinphoneSipClient::UnregisterBeforeStop() {
    for (auto& [id, profile] : m_profiles) {
        if (profile.account == nullptr) {
            continue;
        }
        const LinphoneRegistrationState state = linphone_account_get_state(profile.account);
        if (state != LinphoneRegistrationOk && state != LinphoneRegistrationProgress) {
            continue;
        }
        LinphoneAccountParams* params =
            linphone_account_params_clone(linphone_account_get_params(profile.account));
        linphone_account_params_set_register_enabled(params, FALSE);
        linphone_account_set_params(profile.account, params);
        linphone_account_params_unref(params);
    }
    m_stopPending = true;
    m_stopAskedSince.start();
    TurnSoon();
}

void LinphoneSipClient::StopWhenUnregistered() {
    if (!m_stopPending || m_core == nullptr) {
        return;
    }
    bool registered = false;
    for (const auto& [id, profile] : m_profiles) {
        if (profile.account != nullptr) {
            const LinphoneRegistrationState state = linphone_account_get_state(profile.account);
            registered = registered || state == LinphoneRegistrationOk ||
                         state == LinphoneRegistrationProgress;
        }
    }
    if (registered && !m_stopAskedSince.hasExpired(kUnregisterBeforeStopMs)) {
        return;
    }
    qCDebug(lcTelephony) << "stopping the engine;"
                         << (registered ? "a registrar did not answer" : "") << "unregistering took"
                         << m_stopAskedSince.elapsed() << "ms";
    m_stopPending = false;
    linphone_core_stop_async(m_core);
    TurnSoon();
}

HRESULT LinphoneSipClient::Shutdown() {
    m_soundWatch.reset();
    StopWatchingSipSocket();
    m_screen.reset();
    m_iterateTimer.stop();
    m_intensityTimer.stop();
    m_events = nullptr;
    if (m_core == nullptr) {
        return S_OK;
    }
    if (linphone_core_get_global_state(m_core) != LinphoneGlobalOff) {
        linphone_core_stop(m_core);
    }
    for (auto& [id, session] : m_sessions) {
        if (session.call != nullptr) {
            linphone_call_unref(session.call);
        }
    }
    m_sessions.clear();
    for (auto& [id, profile] : m_profiles) {
        if (profile.account != nullptr) {
            linphone_account_unref(profile.account);
        }
        if (profile.params != nullptr) {
            linphone_account_params_unref(profile.params);
        }
    }
    m_profiles.clear();
    linphone_core_remove_callbacks(m_core, m_cbs);
    linphone_core_cbs_unref(m_cbs);
    m_cbs = nullptr;
    linphone_core_set_user_data(m_core, nullptr);
    linphone_core_unref(m_core);
    m_core = nullptr;
    return S_OK;
}

bool LinphoneSipClient::UsesNullCard() const {
    const char* playback = m_core != nullptr ? linphone_core_get_playback_device(m_core) : nullptr;
    return m_core != nullptr && IsNullSoundCard(linphone_core_get_ms_factory(m_core), playback);
}

}  // namespace zuvo
