// The telephony library's loader: the built library loads and hands out working objects; a
// missing, foreign or wrong library gives no module and says why instead of ending the phone.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <atomic>
#include <thread>

#include "app/core/telephony_loader.h"
#include "telephony/sound_devices.h"
#include "telephony/telephony_module.h"
#include "telephony/wave_file.h"
#include "tests/support/test_environment.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;
using namespace zuvo::test;

namespace {

// build/lib/<relative>
QString LibraryPath(const QString& relative) {
    return QDir::cleanPath(QFileInfo(BinaryPath(u"zuvo"_s)).absolutePath() + u"/../lib/"_s +
                           relative);
}

}  // namespace

TEST(TelephonyLoader, TheBuiltLibraryGivesAClientAndTheSoundDevices) {
    TelephonyLoader loader;
    loader.Start(LibraryPath(u"zuvo/zuvo-engine.so"_s));
    // A second start is no second load.
    loader.Start(u"/nonexistent/zuvo-engine.so"_s);
    const TelephonyModule* module = loader.Wait();
    ASSERT_NE(module, nullptr) << loader.Error().toStdString();
    EXPECT_TRUE(loader.Error().isEmpty());
    EXPECT_EQ(loader.Wait(), module);
    EXPECT_NE(module->NewSipClient(), nullptr);
    const std::unique_ptr<SoundDevices> devices = module->NewSoundDevices();
    // The list read on the loading thread is handed over once.
    EXPECT_NE(loader.TakeSoundDevices(), nullptr);
    EXPECT_EQ(loader.TakeSoundDevices(), nullptr);
    ASSERT_NE(devices, nullptr);
    // The meter and the test sound run on the library's own media stack.
    const std::unique_ptr<LevelCapture> capture = devices->NewLevelCapture();
    ASSERT_NE(capture, nullptr);
    EXPECT_FALSE(capture->Start(u"No such microphone"_s));
    EXPECT_FALSE(capture->Running());
    const std::unique_ptr<SoundLoopPlayer> player = devices->NewLoopPlayer();
    ASSERT_NE(player, nullptr);
    const WaveSound sound{8000, 1, 16, QByteArray(1600, '\0')};
    EXPECT_FALSE(player->Play(u"No such speaker"_s, sound));
    EXPECT_FALSE(player->Playing());
}

TEST(TelephonyLoader, WhatIsNotTheLibraryGivesNoModuleAndSaysWhy) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile text(dir.filePath(u"zuvo-engine.so"_s));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a library\n");
    text.close();

    struct Case {
        QString path;
        QString said;
    };
    const Case cases[] = {
        {dir.filePath(u"missing.so"_s), u"is not there"_s},
        // Only a path of the phone's own folder is ever loaded: never one relative to elsewhere.
        {u"lib/zuvo/zuvo-engine.so"_s, u"is not there"_s},
        {dir.path(), u"is not there"_s},
        {text.fileName(), u"zuvo-engine.so"_s},
        // A library of ours, but another kind of plug-in.
        {LibraryPath(u"zuvo_handset_evdev.so"_s), u"has no entry point"_s},
    };
    for (const Case& c : cases) {
        TelephonyLoader loader;
        loader.Start(c.path);
        EXPECT_EQ(loader.Wait(), nullptr) << c.path.toStdString();
        EXPECT_TRUE(loader.Error().contains(c.said))
            << c.path.toStdString() << ": " << loader.Error().toStdString();
    }
}

// The window brings the engine up when this says loading has ended: exactly once, whether it
// asked before or after, and never after it withdrew.
TEST(TelephonyLoader, SaysOnceWhenLoadingHasEnded) {
    TelephonyLoader loader;
    std::atomic<int> told{0};
    std::atomic<int> replaced{0};
    std::thread::id teller;
    loader.WhenFinished([&] { ++replaced; });
    loader.WhenFinished([&] {
        ++told;
        teller = std::this_thread::get_id();
    });
    loader.Start(u"/nonexistent/zuvo-engine.so"_s);
    EXPECT_EQ(loader.Wait(), nullptr);
    // Told on the loading thread, before the wait ended.
    EXPECT_EQ(told, 1);
    EXPECT_EQ(replaced, 0);
    EXPECT_NE(teller, std::this_thread::get_id());

    int late = 0;
    loader.WhenFinished([&] { ++late; });
    EXPECT_EQ(late, 1);
    EXPECT_EQ(told, 1);

    TelephonyLoader withdrawn;
    int cancelled = 0;
    withdrawn.WhenFinished([&] { ++cancelled; });
    withdrawn.WhenFinished(nullptr);
    withdrawn.Start(u"/nonexistent/zuvo-engine.so"_s);
    EXPECT_EQ(withdrawn.Wait(), nullptr);
    EXPECT_EQ(cancelled, 0);
}
