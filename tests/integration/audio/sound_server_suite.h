#pragma once

#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

#include "tests/support/pulse_audio.h"

namespace zuvo::test {

// One private sound server for every test of a program: the media stack keeps one connection to
// the server for the whole process, so the server must outlive each test.
class SoundServerSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QCoreApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "zuvo_audio_test";
            static char* argv[] = {name, nullptr};
            static QApplication app(argc, argv);
        }
        s_pulse = std::make_unique<PulseAudio>();
        s_started = s_pulse->Start();
    }
    static void TearDownTestSuite() { s_pulse.reset(); }

    void SetUp() override { ASSERT_TRUE(s_started) << s_pulse->output().constData(); }

    static inline std::unique_ptr<PulseAudio> s_pulse;
    static inline bool s_started = false;
};

}  // namespace zuvo::test
