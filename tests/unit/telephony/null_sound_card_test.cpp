// The silent stand-in sound card on a real media factory: it is found under its id with both
// directions, and its microphone yields silence at the rate and pace the media clock asks for.

#include <gtest/gtest.h>

#include <mediastreamer2/msfactory.h>
#include <mediastreamer2/msfilter.h>
#include <mediastreamer2/mssndcard.h>
#include <mediastreamer2/msticker.h>

#include <memory>

#include "telephony/null_sound_card.h"

namespace zuvo {
namespace {

struct FactoryDeleter {
    void operator()(MSFactory* factory) const { ms_factory_destroy(factory); }
};
struct FilterDeleter {
    void operator()(MSFilter* filter) const { ms_filter_destroy(filter); }
};
using FactoryPtr = std::unique_ptr<MSFactory, FactoryDeleter>;
using FilterPtr = std::unique_ptr<MSFilter, FilterDeleter>;

// Runs the reader for the given ticks of a stand-in clock that moves stepMs between ticks; the
// bytes it produced, all checked to be zero.
size_t ReadTicks(MSFilter* reader, MSTicker* clock, int ticks, int stepMs, bool* silent) {
    MSQueue out;
    ms_queue_init(&out);
    reader->outputs[0] = &out;
    reader->ticker = clock;
    reader->desc->preprocess(reader);
    size_t bytes = 0;
    *silent = true;
    for (int i = 0; i < ticks; ++i) {
        reader->desc->process(reader);
        while (mblk_t* block = ms_queue_get(&out)) {
            for (const uint8_t* p = block->b_rptr; p < block->b_wptr; ++p) {
                *silent = *silent && *p == 0;
            }
            bytes += msgdsize(block);
            freemsg(block);
        }
        clock->time += static_cast<uint64_t>(stepMs);
    }
    reader->outputs[0] = nullptr;
    reader->ticker = nullptr;
    return bytes;
}

TEST(NullSoundCard, CapturesSilenceAtTheClocksPaceAndRate) {
    FactoryPtr factory(ms_factory_new_with_voip());
    ASSERT_TRUE(factory);
    RegisterNullSoundCard(factory.get());
    MSSndCardManager* cards = ms_factory_get_snd_card_manager(factory.get());
    MSSndCard* card = ms_snd_card_manager_get_card(cards, kNullCardId);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(
        ms_snd_card_get_capabilities(card) & (MS_SND_CARD_CAP_CAPTURE | MS_SND_CARD_CAP_PLAYBACK),
        static_cast<unsigned>(MS_SND_CARD_CAP_CAPTURE | MS_SND_CARD_CAP_PLAYBACK));

    FilterPtr reader(ms_snd_card_create_reader(card));
    ASSERT_TRUE(reader);
    MSTicker clock{};
    clock.interval = 10;
    clock.time = 5000;  // the clock need not start at zero

    // 100 ticks of 10 ms at 16 kHz mono: one second, 16000 samples of 16 bits.
    int rate = 16000;
    ASSERT_EQ(ms_filter_call_method(reader.get(), MS_FILTER_SET_SAMPLE_RATE, &rate), 0);
    bool silent = false;
    EXPECT_EQ(ReadTicks(reader.get(), &clock, 100, 10, &silent), 1000u * 16u * 2u);
    EXPECT_TRUE(silent);

    // A late clock (ticks 30 ms apart) is caught up, not dropped: stereo 8 kHz, 280 ms by the
    // last tick (270 ms elapsed, one tick ahead).
    rate = 8000;
    int channels = 2;
    ASSERT_EQ(ms_filter_call_method(reader.get(), MS_FILTER_SET_SAMPLE_RATE, &rate), 0);
    ASSERT_EQ(ms_filter_call_method(reader.get(), MS_FILTER_SET_NCHANNELS, &channels), 0);
    int readBack = 0;
    ASSERT_EQ(ms_filter_call_method(reader.get(), MS_FILTER_GET_NCHANNELS, &readBack), 0);
    EXPECT_EQ(readBack, 2);
    EXPECT_EQ(ReadTicks(reader.get(), &clock, 10, 30, &silent), 280u * 8u * 2u * 2u);
    EXPECT_TRUE(silent);

    FilterPtr writer(ms_snd_card_create_writer(card));
    EXPECT_TRUE(writer);
}

}  // namespace
}  // namespace zuvo
