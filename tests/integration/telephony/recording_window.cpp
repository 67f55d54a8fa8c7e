#include "tests/integration/telephony/recording_window.h"

#include <QDebug>

#include "telephony/rtc_types.h"

namespace zuvo::test {

void RecordingWindow::PostMessage(uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (message != Msg::RtcEvent) {
        return;
    }
    Event event{wParam, 0, 0};
    switch (wParam) {
        case RTC_EVT_REGISTRATION:
        case RTC_EVT_SESSION:
        case RTC_EVT_MEDIA:
        case RTC_EVT_INTENSITY: {
            const std::optional<RtcEvent> report =
                engine != nullptr ? engine->TakeEvent(wParam, lParam) : std::nullopt;
            if (!report) {
                // Recorded as it came, so that a comparison of the events shows it.
                qWarning() << "no report for event" << wParam << lParam;
                event.a = -1;
                event.b = static_cast<int32_t>(lParam);
                break;
            }
            if (wParam == RTC_EVT_MEDIA) {
                event.a = report->media.type;
                event.b = report->media.reason;
            } else if (wParam == RTC_EVT_INTENSITY) {
                event.a = report->intensity.direction;
                event.b = report->intensity.level;
            } else {
                event.a = report->state.state;
                event.b = report->state.statusCode;
            }
            break;
        }
        default:
            event.a = static_cast<int32_t>(lParam);
            break;
    }
    events.push_back(event);
}

LRESULT RecordingWindow::SendMessage(uint32_t message, WPARAM, LPARAM) {
    sent.push_back(message);
    return 0;
}

std::vector<RecordingWindow::Event> RecordingWindow::Of(WPARAM kind) const {
    std::vector<Event> result;
    for (const Event& event : events) {
        if (event.kind == kind) {
            result.push_back(event);
        }
    }
    return result;
}

bool RecordingWindow::Has(WPARAM kind, int32_t a) const {
    for (const Event& event : events) {
        if (event.kind == kind && event.a == a) {
            return true;
        }
    }
    return false;
}

}  // namespace zuvo::test
