#include "telephony/null_sound_card.h"

#include <mediastreamer2/msfilter.h>
#include <mediastreamer2/mssndcard.h>
#include <mediastreamer2/msticker.h>

#include <cstring>
#include <memory>

namespace zuvo {

namespace {

struct NullFormat {
    int rate = 8000;
    int channels = 1;
    uint64_t startMs = 0;
    uint64_t samplesOut = 0;
    bool started = false;
};

NullFormat* FormatOf(MSFilter* f) {
    return static_cast<NullFormat*>(f->data);
}

// The filter's data slot holds the format from init to uninit.
void NullInit(MSFilter* f) {
    f->data = std::make_unique<NullFormat>().release();
}

void NullUninit(MSFilter* f) {
    std::unique_ptr<NullFormat> owned(FormatOf(f));
    f->data = nullptr;
}

void NullReadPreprocess(MSFilter* f) {
    NullFormat* format = FormatOf(f);
    format->started = false;
    format->samplesOut = 0;
}

// Silence in step with the ticker, so the encoder sees a real-time stream.
void NullReadProcess(MSFilter* f) {
    NullFormat* format = FormatOf(f);
    if (!format->started) {
        format->started = true;
        format->startMs = f->ticker->time;
    }
    const uint64_t due =
        (f->ticker->time - format->startMs + f->ticker->interval) * format->rate / 1000;
    if (due <= format->samplesOut) {
        return;
    }
    const size_t samples = static_cast<size_t>(due - format->samplesOut);
    const size_t bytes = samples * 2 * static_cast<size_t>(format->channels);
    mblk_t* block = allocb(bytes, 0);
    std::memset(block->b_wptr, 0, bytes);
    block->b_wptr += bytes;
    ms_queue_put(f->outputs[0], block);
    format->samplesOut = due;
}

void NullWriteProcess(MSFilter* f) {
    ms_queue_flush(f->inputs[0]);
}

int SetRate(MSFilter* f, void* arg) {
    FormatOf(f)->rate = *static_cast<int*>(arg);
    return 0;
}

int GetRate(MSFilter* f, void* arg) {
    *static_cast<int*>(arg) = FormatOf(f)->rate;
    return 0;
}

int SetChannels(MSFilter* f, void* arg) {
    FormatOf(f)->channels = *static_cast<int*>(arg);
    return 0;
}

int GetChannels(MSFilter* f, void* arg) {
    *static_cast<int*>(arg) = FormatOf(f)->channels;
    return 0;
}

MSFilterMethod g_methods[] = {{MS_FILTER_SET_SAMPLE_RATE, SetRate},
                              {MS_FILTER_GET_SAMPLE_RATE, GetRate},
                              {MS_FILTER_SET_NCHANNELS, SetChannels},
                              {MS_FILTER_GET_NCHANNELS, GetChannels},
                              {0, nullptr}};

MSFilterDesc g_readDesc = {MS_FILTER_PLUGIN_ID,
                           "ZuvoNullRead",
                           "Silence in place of a microphone",
                           MS_FILTER_OTHER,
                           nullptr,
                           0,
                           1,
                           NullInit,
                           NullReadPreprocess,
                           NullReadProcess,
                           nullptr,
                           NullUninit,
                           g_methods,
                           0};

MSFilterDesc g_writeDesc = {MS_FILTER_PLUGIN_ID,
                            "ZuvoNullWrite",
                            "Drops what a speaker would play",
                            MS_FILTER_OTHER,
                            nullptr,
                            1,
                            0,
                            NullInit,
                            nullptr,
                            NullWriteProcess,
                            nullptr,
                            NullUninit,
                            g_methods,
                            0};

MSFilter* CreateReader(MSSndCard* card) {
    return ms_factory_create_filter_from_desc(ms_snd_card_get_factory(card), &g_readDesc);
}

MSFilter* CreateWriter(MSSndCard* card) {
    return ms_factory_create_filter_from_desc(ms_snd_card_get_factory(card), &g_writeDesc);
}

void Detect(MSSndCardManager* manager);

MSSndCardDesc g_cardDesc = [] {
    MSSndCardDesc desc{};
    desc.driver_type = "Null";
    desc.detect = Detect;
    desc.create_reader = CreateReader;
    desc.create_writer = CreateWriter;
    return desc;
}();

void Detect(MSSndCardManager* manager) {
    MSSndCard* card = ms_snd_card_new_with_name(&g_cardDesc, "Silence");
    card->capabilities = MS_SND_CARD_CAP_CAPTURE | MS_SND_CARD_CAP_PLAYBACK;
    ms_snd_card_manager_add_card(manager, card);
}

}  // namespace

void RegisterNullSoundCard(MSFactory* factory) {
    ms_snd_card_manager_register_desc(ms_factory_get_snd_card_manager(factory), &g_cardDesc);
}

bool IsNullSoundCard(MSFactory* factory, const char* id) {
    if (factory == nullptr || id == nullptr) {
        return false;
    }
    MSSndCard* card = ms_snd_card_manager_get_card(ms_factory_get_snd_card_manager(factory), id);
    return card != nullptr && card->desc == &g_cardDesc;
}

}  // namespace zuvo
