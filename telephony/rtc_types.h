#pragma once

// Values of the telephony engine's contract: result codes, states, event kinds and the reports
// behind WM_RTC_EVENT.

#include <cstdint>

#include "platform/ids.h"

namespace zuvo {

using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
// PlaceCall refused because encrypted media is required and this call's could not be encrypted
// (signalling not over TLS, or no SRTP in the media stack): nothing was sent.
inline constexpr HRESULT E_ENCRYPTION_REQUIRED = static_cast<HRESULT>(0x80040301u);
inline constexpr bool Failed(HRESULT hr) {
    return hr < 0;
}

// Status codes carrying a SIP response: 0xEF in bits 16-23, the response in the low 12 bits,
// negative (bit 31) for failure responses.
inline constexpr uint32_t kSipFacility = 0xEF;
inline constexpr int32_t SipStatus(int sipCode, bool failure) {
    const uint32_t v = (kSipFacility << 16) | (static_cast<uint32_t>(sipCode) & 0xFFF);
    return static_cast<int32_t>(failure ? (v | 0x80000000u) : v);
}
inline constexpr int SipCodeOf(int32_t status) {
    return ((static_cast<uint32_t>(status) >> 16) & 0xFF) == kSipFacility
               ? static_cast<int>(static_cast<uint32_t>(status) & 0xFFF)
               : 0;
}

enum RtcRegistrationState : int32_t {
    RTCRS_NOT_REGISTERED = 0,
    RTCRS_REGISTERING = 1,
    RTCRS_REGISTERED = 2,
    RTCRS_REJECTED = 3,
    RTCRS_UNREGISTERING = 4,
    RTCRS_ERROR = 5,
};

enum RtcSessionState : int32_t {
    RTCSS_IDLE = 0,
    RTCSS_INCOMING = 1,
    RTCSS_ANSWERING = 2,
    RTCSS_INPROGRESS = 3,
    RTCSS_CONNECTED = 4,
    RTCSS_DISCONNECTED = 5,
    RTCSS_HOLD = 6,
    RTCSS_REFER = 7,
};

enum RtcClientEventType : int32_t {
    RTCCET_VOLUME_CHANGE = 0,
    RTCCET_DEVICE_CHANGE = 1,
    RTCCET_NETWORK_QUALITY_CHANGE = 2,
    RTCCET_ASYNC_CLEANUP_DONE = 3,
};

enum RtcMediaEventType : int32_t { RTCMET_STOPPED = 0, RTCMET_STARTED = 1, RTCMET_FAILED = 2 };
inline constexpr int32_t RTCMER_NORMAL = 0;

enum RtcAudioDevice : int32_t { RTCAD_SPEAKER = 0, RTCAD_MICROPHONE = 1 };

enum RtcSessionType : int32_t { RTCST_PC_TO_PHONE = 1, RTCST_IM = 3 };

enum RtcTerminateReason : int32_t { RTCTR_NORMAL = 0, RTCTR_BUSY = 2, RTCTR_REJECT = 3 };

enum RtcDtmf : int32_t { RTC_DTMF_STAR = 10, RTC_DTMF_POUND = 11, RTC_DTMF_FLASH = 16 };

// wParam of WM_RTC_EVENT. lParam: 0 for RTC_EVT_CLEANUP_DONE; the client event type itself
// (RTCCET_*) for RTC_EVT_CLIENT; for the other kinds the sequence number under which the engine
// queued the event's report (IRtcEngine::TakeEvent gives it back).
enum RtcEventKind : WPARAM {
    RTC_EVT_CLEANUP_DONE = 1,
    RTC_EVT_REGISTRATION = 2,
    RTC_EVT_SESSION = 3,
    RTC_EVT_MEDIA = 4,
    RTC_EVT_INTENSITY = 5,
    RTC_EVT_CLIENT = 6,
};

struct RtcStateReport {
    int32_t state = 0;
    int32_t statusCode = 0;
};

struct RtcIntensityReport {
    int32_t direction = 0;  // 0 speaker, 1 microphone
    int32_t level = 0;
    int32_t minimum = 0;
    int32_t maximum = 0;
};

struct RtcMediaReport {
    int32_t type = 0;
    int32_t reason = 0;
};

// One engine event as queued for its WM_RTC_EVENT message; the part for its kind is filled.
struct RtcEvent {
    WPARAM kind = 0;
    RtcStateReport state;          // RTC_EVT_REGISTRATION, RTC_EVT_SESSION
    RtcMediaReport media;          // RTC_EVT_MEDIA
    RtcIntensityReport intensity;  // RTC_EVT_INTENSITY
};

// A registration or session event.
inline RtcEvent RtcStateEvent(WPARAM kind, int32_t state, int32_t statusCode) {
    RtcEvent event;
    event.kind = kind;
    event.state = {state, statusCode};
    return event;
}

inline RtcEvent RtcMediaEvent(int32_t type, int32_t reason) {
    RtcEvent event;
    event.kind = RTC_EVT_MEDIA;
    event.media = {type, reason};
    return event;
}

inline RtcEvent RtcIntensityEvent(int32_t direction, int32_t level, int32_t minimum,
                                  int32_t maximum) {
    RtcEvent event;
    event.kind = RTC_EVT_INTENSITY;
    event.intensity = {direction, level, minimum, maximum};
    return event;
}

}  // namespace zuvo
