#include "telephony/media_sound_loop_player.h"

#include <mediastreamer2/msfactory.h>
#include <mediastreamer2/msfilter.h>
#include <mediastreamer2/mssndcard.h>
#include <mediastreamer2/msticker.h>

#include <algorithm>
#include <cstring>

#include "telephony/media_sound_devices.h"
#include "telephony/telephony_log.h"
#include "telephony/wave_file.h"

namespace zuvo {

namespace {

// The loop source's state: 16-bit samples and where the next block starts.
struct LoopState {
    QByteArray samples;  // signed 16-bit, interleaved
    int rate = 8000;
    int channels = 1;
    qsizetype position = 0;
    uint64_t startMs = 0;
    uint64_t framesOut = 0;
    bool started = false;
};

// Hands out the samples in step with the ticker, wrapping at the end.
void LoopProcess(MSFilter* f) {
    auto* state = static_cast<LoopState*>(f->data);
    if (state == nullptr || state->samples.isEmpty()) {
        return;
    }
    if (!state->started) {
        state->started = true;
        state->startMs = f->ticker->time;
    }
    const uint64_t due = (f->ticker->time - state->startMs + f->ticker->interval) *
                         static_cast<uint64_t>(state->rate) / 1000;
    if (due <= state->framesOut) {
        return;
    }
    const size_t frameBytes = 2 * static_cast<size_t>(state->channels);
    const size_t bytes = static_cast<size_t>(due - state->framesOut) * frameBytes;
    mblk_t* block = allocb(bytes, 0);
    size_t written = 0;
    while (written < bytes) {
        const size_t chunk =
            std::min(bytes - written, static_cast<size_t>(state->samples.size() - state->position));
        std::memcpy(block->b_wptr + written, state->samples.constData() + state->position, chunk);
        written += chunk;
        state->position = (state->position + static_cast<qsizetype>(chunk)) % state->samples.size();
    }
    block->b_wptr += bytes;
    ms_queue_put(f->outputs[0], block);
    state->framesOut = due;
}

MSFilterDesc g_loopDesc = [] {
    MSFilterDesc desc{};
    desc.id = MS_FILTER_PLUGIN_ID;
    desc.name = "ZuvoSoundLoop";
    desc.text = "A sound played over and over";
    desc.category = MS_FILTER_OTHER;
    desc.ninputs = 0;
    desc.noutputs = 1;
    desc.process = LoopProcess;
    return desc;
}();

}  // namespace

struct MediaSoundLoopPlayer::Graph {
    MSFilter* source = nullptr;
    MSFilter* writer = nullptr;
    MSTicker* ticker = nullptr;
    LoopState state;
    bool linked = false;
    bool attached = false;

    ~Graph() {
        if (attached) {
            ms_ticker_detach(ticker, source);
        }
        if (linked) {
            ms_filter_unlink(source, 0, writer, 0);
        }
        if (ticker != nullptr) {
            ms_ticker_destroy(ticker);
        }
        if (source != nullptr) {
            source->data = nullptr;
            ms_filter_destroy(source);
        }
        if (writer != nullptr) {
            ms_filter_destroy(writer);
        }
    }
};

MediaSoundLoopPlayer::MediaSoundLoopPlayer(const MediaSoundDevices& devices) : m_devices(devices) {}

MediaSoundLoopPlayer::~MediaSoundLoopPlayer() {
    Stop();
}

bool MediaSoundLoopPlayer::Play(const QString& playbackName, const WaveSound& sound) {
    Stop();
    MSSndCard* card = m_devices.PlaybackCard(playbackName);
    if (card == nullptr) {
        qCDebug(lcTelephony) << "test sound: no playback device" << playbackName;
        return false;
    }
    auto graph = std::make_unique<Graph>();
    graph->state.samples = ToSigned16(sound);
    graph->state.rate = sound.rate;
    graph->state.channels = sound.channels;
    if (graph->state.samples.size() < 2 * sound.channels) {
        return false;
    }
    graph->writer = ms_snd_card_create_writer(card);
    graph->source = ms_factory_create_filter_from_desc(m_devices.Factory(), &g_loopDesc);
    if (graph->writer == nullptr || graph->source == nullptr) {
        qCDebug(lcTelephony) << "test sound: cannot open" << playbackName;
        return false;
    }
    int rate = sound.rate;
    int channels = sound.channels;
    ms_filter_call_method(graph->writer, MS_FILTER_SET_SAMPLE_RATE, &rate);
    ms_filter_call_method(graph->writer, MS_FILTER_SET_NCHANNELS, &channels);
    graph->source->data = &graph->state;
    ms_filter_link(graph->source, 0, graph->writer, 0);
    graph->linked = true;
    graph->ticker = ms_ticker_new();
    ms_ticker_set_name(graph->ticker, "Test sound");
    if (ms_ticker_attach(graph->ticker, graph->source) != 0) {
        qCDebug(lcTelephony) << "test sound: playback did not start on" << playbackName;
        return false;
    }
    graph->attached = true;
    m_graph = std::move(graph);
    return true;
}

void MediaSoundLoopPlayer::Stop() {
    m_graph.reset();
}

bool MediaSoundLoopPlayer::Playing() const {
    return m_graph != nullptr;
}

}  // namespace zuvo
