#pragma once

#include <vector>

#include "telephony/rtc_engine_interface.h"

namespace zuvo::test {

// Records every WM_RTC_EVENT with its report, taken back from the engine as soon as it is posted.
class RecordingWindow final : public RtcNotifyWindow {
public:
    struct Event {
        WPARAM kind = 0;
        int32_t a = 0;  // state / type / direction
        int32_t b = 0;  // status code / reason / level
        bool operator==(const Event&) const = default;
    };
    void PostMessage(uint32_t message, WPARAM wParam, LPARAM lParam) override;
    LRESULT SendMessage(uint32_t message, WPARAM wParam, LPARAM lParam) override;
    void Hide() override { ++hidden; }

    // Events of one kind, in order.
    std::vector<Event> Of(WPARAM kind) const;
    bool Has(WPARAM kind, int32_t a) const;

    IRtcEngine* engine = nullptr;  // the engine whose reports are taken
    std::vector<Event> events;
    std::vector<uint32_t> sent;
    int hidden = 0;
};

}  // namespace zuvo::test
