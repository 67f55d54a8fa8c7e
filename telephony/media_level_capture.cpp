#include "telephony/media_level_capture.h"

#include <mediastreamer2/msfactory.h>
#include <mediastreamer2/msfilter.h>
#include <mediastreamer2/mssndcard.h>
#include <mediastreamer2/msticker.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "telephony/media_sound_devices.h"
#include "telephony/telephony_log.h"

namespace zuvo {

namespace {

// The peak filter's state: the block being measured and where the result goes.
struct PeakState {
    std::atomic_int* peak = nullptr;
    int blockPeak = 0;
    int blockCount = 0;
};

void PeakProcess(MSFilter* f) {
    auto* state = static_cast<PeakState*>(f->data);
    while (mblk_t* block = ms_queue_get(f->inputs[0])) {
        for (mblk_t* part = block; part != nullptr; part = part->b_cont) {
            const size_t samples = static_cast<size_t>(part->b_wptr - part->b_rptr) / 2;
            for (size_t i = 0; i < samples; ++i) {
                int16_t sample = 0;
                std::memcpy(&sample, part->b_rptr + i * 2, sizeof sample);
                state->blockPeak = std::max(state->blockPeak, std::min(std::abs(sample), 32767));
                if (++state->blockCount == LevelCapture::kBlockSamples) {
                    state->peak->store(state->blockPeak, std::memory_order_relaxed);
                    state->blockPeak = 0;
                    state->blockCount = 0;
                }
            }
        }
        freemsg(block);
    }
}

MSFilterDesc g_peakDesc = [] {
    MSFilterDesc desc{};
    desc.id = MS_FILTER_PLUGIN_ID;
    desc.name = "ZuvoLevelPeak";
    desc.text = "Peak of each block of samples";
    desc.category = MS_FILTER_OTHER;
    desc.ninputs = 1;
    desc.noutputs = 0;
    desc.process = PeakProcess;
    return desc;
}();

}  // namespace

struct MediaLevelCapture::Graph {
    MSFilter* reader = nullptr;
    MSFilter* peak = nullptr;
    MSTicker* ticker = nullptr;
    PeakState state;
    bool linked = false;
    bool attached = false;

    ~Graph() {
        if (attached) {
            ms_ticker_detach(ticker, reader);
        }
        if (linked) {
            ms_filter_unlink(reader, 0, peak, 0);
        }
        if (ticker != nullptr) {
            ms_ticker_destroy(ticker);
        }
        if (peak != nullptr) {
            peak->data = nullptr;
            ms_filter_destroy(peak);
        }
        if (reader != nullptr) {
            ms_filter_destroy(reader);
        }
    }
};

MediaLevelCapture::MediaLevelCapture(const MediaSoundDevices& devices)
    : m_devices(devices), m_peak(std::make_shared<std::atomic_int>(0)) {}

MediaLevelCapture::~MediaLevelCapture() {
    Stop();
}

bool MediaLevelCapture::Start(const QString& captureName) {
    Stop();
    MSSndCard* card = m_devices.CaptureCard(captureName);
    if (card == nullptr) {
        qCDebug(lcTelephony) << "level meter: no capture device" << captureName;
        return false;
    }
    auto graph = std::make_unique<Graph>();
    graph->reader = ms_snd_card_create_reader(card);
    graph->peak = ms_factory_create_filter_from_desc(m_devices.Factory(), &g_peakDesc);
    if (graph->reader == nullptr || graph->peak == nullptr) {
        qCDebug(lcTelephony) << "level meter: cannot open" << captureName;
        return false;
    }
    int rate = kRate;
    int channels = 1;
    ms_filter_call_method(graph->reader, MS_FILTER_SET_SAMPLE_RATE, &rate);
    ms_filter_call_method(graph->reader, MS_FILTER_SET_NCHANNELS, &channels);
    m_peak->store(0);
    graph->state.peak = m_peak.get();
    graph->peak->data = &graph->state;
    ms_filter_link(graph->reader, 0, graph->peak, 0);
    graph->linked = true;
    graph->ticker = ms_ticker_new();
    ms_ticker_set_name(graph->ticker, "Level meter");
    if (ms_ticker_attach(graph->ticker, graph->reader) != 0) {
        qCDebug(lcTelephony) << "level meter: capture did not start on" << captureName;
        return false;
    }
    graph->attached = true;
    m_graph = std::move(graph);
    return true;
}

void MediaLevelCapture::Stop() {
    m_graph.reset();
}

bool MediaLevelCapture::Running() const {
    return m_graph != nullptr;
}

}  // namespace zuvo
