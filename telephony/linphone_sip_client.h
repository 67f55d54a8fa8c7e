#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <map>
#include <memory>
#include <optional>

#include "telephony/sip_client.h"

// liblinphone's C types, kept out of every includer.
typedef struct _LinphoneCore LinphoneCore;
typedef struct _LinphoneCoreCbs LinphoneCoreCbs;
typedef struct _LinphoneAccount LinphoneAccount;
typedef struct _LinphoneAccountParams LinphoneAccountParams;
typedef struct _LinphoneCall LinphoneCall;
typedef struct _LinphoneCallParams LinphoneCallParams;

namespace zuvo {

class SipDatagramScreen;
class SoundServerWatch;

// The product SIP client on liblinphone. The core lives on the creating (main) thread and is
// iterated there: whenever a datagram waits on its UDP SIP socket, every 2 ms while a call or a
// registration is being set up or torn down or the core is shutting down, every 20 ms during a
// call (or always, over TCP and TLS, whose sockets are not watched), and otherwise once a second
// for the engine's own timers (refreshes, keep-alives), so an idle phone hardly wakes up and an
// incoming request is still answered at once. Every event is therefore raised on the main thread.
//
// A profile becomes one liblinphone account (identity = the profile's uri, registrar and proxy =
// its address with its transport, credentials offered to a digest challenge for its realm). A
// session is a call. The client binds only the one transport its profile names (UDP on the local
// address toward the registrar, TCP and TLS without a listening socket), screens what arrives on
// the UDP port (sip_datagram_screen.h), keeps STUN, ICE, remote provisioning and default servers
// off, and uses a silent stand-in sound card (null_sound_card.h) when the machine has none. Keys
// go out as RFC 2833 events. A registration that gets no answer within a few seconds is reported
// as an error. A call whose closing requests went unanswered, or that failed on the transport or
// for want of any response, may have outlived the registrar's memory of the phone (a restarted
// server): once its signalling is over, the registration is refreshed with one REGISTER, which
// raises no event unless it fails.
//
// Audio codecs offered, in order: Opus, G.722 (wideband first), PCMU, PCMA (G.711, which every
// gateway takes), G.729 when the media stack has it (low-bandwidth provider trunks), and
// telephone-event for keys; nothing else. Media is SRTP with SDES keys when the profile's
// signalling is TLS (plain RTP is still accepted unless encryption is required); over UDP or
// TCP no keys are ever offered.
class LinphoneSipClient final : public QObject, public SipClient {
    Q_OBJECT
public:
    explicit LinphoneSipClient(QObject* parent = nullptr);
    ~LinphoneSipClient() override;

    HRESULT Initialize() override;
    HRESULT SetEventFilter(int32_t filter) override;
    HRESULT SetListenForIncomingSessions(int32_t mode) override;
    HRESULT SetPreferredMediaTypes(int32_t types, bool persistent) override;
    HRESULT Advise(SipClientEvents* events) override;
    HRESULT CreateProfile(const QString& text, SipProfileId* profile) override;
    HRESULT EnableProfile(SipProfileId profile, int32_t flags) override;
    HRESULT DisableProfile(SipProfileId profile) override;
    HRESULT GetProfileState(SipProfileId profile, int32_t* state) override;
    void ReleaseProfile(SipProfileId profile) override;
    HRESULT CreateSession(int32_t type, SipSessionId* session) override;
    HRESULT SetPortManager(SipSessionId session, const CRtcPortManager* manager) override;
    HRESULT AddParticipant(SipSessionId session, const QString& address) override;
    HRESULT Terminate(SipSessionId session, int32_t reason) override;
    HRESULT Answer(SipSessionId session) override;
    HRESULT GetSessionType(SipSessionId session, int32_t* type) override;
    HRESULT GetRemoteParticipant(SipSessionId session, QString* uri, QString* name) override;
    void ReleaseSession(SipSessionId session) override;
    HRESULT GetNetworkAddresses(bool tcp, bool external, QStringList* out) override;
    HRESULT SendDtmf(int32_t tone) override;
    HRESULT SetVolume(int32_t device, int32_t volume) override;
    HRESULT GetVolume(int32_t device, int32_t* volume) override;
    HRESULT SetAudioMuted(int32_t device, bool muted) override;
    HRESULT SetPreferredAudioDevice(int32_t device, const QString& name) override;
    HRESULT SetPreferredAec(bool on) override;
    HRESULT GetPreferredAec(bool* on) override;
    HRESULT GetNetworkQuality(int32_t* quality) override;
    HRESULT InvokeTuningWizard() override;
    HRESULT SetClientName(const QString& name) override;
    HRESULT SetMediaEncryptionRequired(bool required) override;
    std::optional<CallStatistics> LastCallStatistics() const override;
    HRESULT PrepareForShutdown() override;
    HRESULT Shutdown() override;

    // Certificate authorities (one PEM file) that TLS servers must chain to, in place of the
    // system's; for a private deployment. Takes effect for connections opened afterwards.
    HRESULT SetTrustedCertificates(const QString& pemFile);
    // RTP packet counts of the current call's audio stream; nullopt without a call with media.
    struct AudioCounts {
        uint64_t sent = 0;
        uint64_t received = 0;
    };
    std::optional<AudioCounts> CurrentAudioCounts() const;
    // Keys the far ends have sent (RFC 2833 events), oldest first.
    QString ReceivedTones() const { return m_receivedTones; }
    // Whether no sound card, not even the silent stand-in, could be used and files stand in.
    bool UsesFiles() const { return m_usesFiles; }
    // Whether the silent stand-in plays the calls (no sound device to play on).
    bool UsesNullCard() const;
    // The names of the devices the media stack uses now (for tests and diagnostics).
    QString OutputDeviceName() const;
    QString InputDeviceName() const;

    // liblinphone callbacks (C linkage trampolines forward here).
    void HandleGlobalState(int state);
    void HandleAccountState(LinphoneAccount* account, int state);
    void HandleCallState(LinphoneCall* call, int state);
    void HandleAudioDevicesChanged();
    // The sound server gained or lost a device: the media stack looks again.
    void ReloadSoundDevices();
    void HandleDtmfReceived(char tone);

private:
    struct Profile {
        LinphoneAccountParams* params = nullptr;
        LinphoneAccount* account = nullptr;
        QString transport;  // lower case: udp, tcp, tls
        QString serverHost;
        int32_t state = RTCRS_NOT_REGISTERED;
        bool unregistering = false;
        bool released = false;
        bool timedOut = false;    // no answer in time: reported as an error, attempt abandoned
        bool refreshing = false;  // a refresh of a registered profile, kept from the caller
        QElapsedTimer registeringSince;
    };
    struct Session {
        int32_t type = RTCST_PC_TO_PHONE;
        LinphoneCall* call = nullptr;  // one reference held while mapped
        int rtpPort = 0;
        int rtcpPort = 0;
        QString localAddress;
        bool incoming = false;
        bool mediaReady = false;    // streams set up: waiting for the far end's first packet
        bool mediaStarted = false;  // RTP from the far end arrived
        bool released = false;
        QElapsedTimer endedSince;  // the call ended; its closing requests may still be out
        bool serverLost = false;   // it failed on the transport or without any response
    };

    bool Wants(int32_t kind) const { return m_events != nullptr && (m_filter & kind) != 0; }
    void RaiseRegistration(int32_t state, int32_t status);
    void RaiseSession(SipSessionId id, int32_t state, int32_t status);
    void RaiseMedia(int32_t type);
    void RaiseClient(int32_t type);
    void Iterate();
    // The engine's own stop unregisters with turns that read the SIP socket unscreened: the
    // accounts are unregistered first, on screened turns, and the stop follows once none is
    // registered any more (or after a while, for a registrar that does not answer).
    void UnregisterBeforeStop();
    void StopWhenUnregistered();
    void UpdatePace();
    // Follows the engine's UDP SIP socket with a notifier (it changes with the transport).
    void WatchSipSocket();
    void StopWatchingSipSocket();
    // One turn of the engine as soon as the event loop is back, on top of the timer's.
    void TurnSoon();
    void ExpireRegistrations();
    // Refreshes every registered profile once (one REGISTER each); see the class comment.
    void RefreshRegistrations();
    void SampleIntensity();
    // Reports media started once RTP from the far end has arrived on a session whose streams
    // are set up; a call whose far end sends nothing never has media.
    void CheckMediaArrived();
    static constexpr int kMediaWatchMs = 20;
    // Listens only on the address the system routes toward the server (UDP), or not at all
    // (TCP, TLS: the connection to the server carries everything).
    void ConfigureTransport(const QString& transport, const QString& serverHost);
    int UdpSipPort() const;
    void ConfigureAudioCodecs();
    // Sets the media encryption of an outgoing call for the profile's transport; false when
    // encryption is required and the signalling cannot carry keys safely.
    bool ApplyMediaEncryption(LinphoneCallParams* params) const;
    // Hands the keys typed so far to the call as one sequence once the previous one is out.
    void SendPendingTones();
    // Whether a failed call ended because its far end answered without the keys that are
    // required (`code`: the SIP response of the failure, 0 or 2xx when the far end answered).
    bool RefusedRequiredEncryption(LinphoneCall* call, int code) const;
    // Keeps the call's audio statistics as the last ones seen.
    void SampleStatistics(LinphoneCall* call);
    void DropProfile(SipProfileId id);
    void DropSession(SipSessionId id);
    SipSessionId FindSession(const LinphoneCall* call) const;
    SipProfileId FindProfile(const LinphoneAccount* account) const;
    LinphoneCall* ActiveCall() const;

    LinphoneCore* m_core = nullptr;
    LinphoneCoreCbs* m_cbs = nullptr;
    SipClientEvents* m_events = nullptr;
    int32_t m_filter = 0;
    int32_t m_listenMode = RTCLM_NONE;
    bool m_usesFiles = false;
    bool m_speakerMuted = false;
    bool m_shuttingDown = false;
    bool m_stopPending = false;
    QElapsedTimer m_stopAskedSince;
    bool m_off = false;
    bool m_encryptionRequired = false;
    std::optional<CallStatistics> m_lastStatistics;
    // The media stack counts lost packets when it sends an RTCP report: the packets received by
    // then go with that count.
    struct LossBasis {
        uint64_t reports = 0;
        uint64_t received = 0;
        int64_t lost = 0;
    };
    LossBasis m_lossBasis;
    QByteArray m_pendingTones;  // keys waiting to go out on the current call
    uint64_t m_nextId = 1;
    SipSessionId m_inviting = 0;  // the session whose invite is being sent
    QString m_receivedTones;
    std::map<SipProfileId, Profile> m_profiles;
    std::map<SipSessionId, Session> m_sessions;
    QTimer m_iterateTimer;
    bool m_turnSoon = false;
    QSocketNotifier m_sipReadable{QSocketNotifier::Read};  // the screened UDP socket, if found
    QTimer m_intensityTimer;
    QTimer m_mediaWatchTimer;
    std::unique_ptr<SoundServerWatch> m_soundWatch;
    std::unique_ptr<SipDatagramScreen> m_screen;
    int m_deviceReports = 0;
};

}  // namespace zuvo
