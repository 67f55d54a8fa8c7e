#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

#include "platform/ids.h"

namespace zuvo {

// A window message as the phone window is to receive it.
struct BusMessage {
    uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// What other processes may ask of the phone window. Only the messages listed in bus_guard.cpp
// pass, each with only the parameters it is meant to carry; everything else is dropped, so no
// message that carries a pointer, and no handler added later, is reachable from the bus unless it
// is listed there. registered: the numbers of the two registered messages (0 = not yet known).
std::optional<BusMessage> AdmitFromBus(uint32_t message, WPARAM wParam, LPARAM lParam,
                                       std::initializer_list<uint32_t> registered);

}  // namespace zuvo
