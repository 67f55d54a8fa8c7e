#include "app/ui/bus_guard.h"

#include <array>

#include "platform/local_bus.h"

namespace zuvo {

namespace {

struct Admitted {
    uint32_t message;
    bool keepsWParam;
    bool keepsLParam;
};

// The messages meant to come from outside. A parameter that is not kept arrives as 0.
constexpr std::array kFromOutside = {
    Admitted{Msg::DialHandover, true, false},            // a second start: wParam = dial at once
    Admitted{LocalBus::kActivateMessage, false, false},  // a second start: come to the front
    Admitted{Msg::SpeedDialTooltip, true, false},        // the speed-dial manager: wParam = key
    Admitted{Wm::Command, true, false},                  // control programs: command id and code
    Admitted{Wm::Close, false, false},                   // taken through the window's own close
};

}  // namespace

std::optional<BusMessage> AdmitFromBus(uint32_t message, WPARAM wParam, LPARAM lParam,
                                       std::initializer_list<uint32_t> registered) {
    for (const uint32_t number : registered) {
        // The external-control protocol: wParam is the request, lParam the client's bus window.
        if (number != 0 && number == message) {
            return BusMessage{message, wParam, lParam};
        }
    }
    for (const Admitted& entry : kFromOutside) {
        if (entry.message == message) {
            return BusMessage{message, entry.keepsWParam ? wParam : 0,
                              entry.keepsLParam ? lParam : 0};
        }
    }
    return std::nullopt;
}

}  // namespace zuvo
