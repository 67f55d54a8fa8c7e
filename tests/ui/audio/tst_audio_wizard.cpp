// The "Audio Tune" wizard's pages over a private sound server and an engine double: what each
// page shows, what it hands the window and the engine, the test sound and the level meter.

#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "app/strings/string_ids.h"
#include "app/strings/string_table.h"
#include "audio/audio_tune_intro.h"
#include "audio/audio_wizard.h"
#include "audio/level_meter.h"
#include "audio/microphone_page.h"
#include "audio/speaker_page.h"
#include "telephony/media_sound_devices.h"
#include "tests/support/pulse_audio.h"
#include "tests/unit/logic/logic_fakes.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo;

namespace {

template <typename T>
T* Control(QWidget* page, int id) {
    return page->findChild<T*>(QString::number(id));
}

QStringList Items(QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) {
        items << combo->itemText(i);
    }
    return items;
}

}  // namespace

class TestAudioWizard : public QObject {
    Q_OBJECT

    std::unique_ptr<test::PulseAudio> m_pulse;
    std::unique_ptr<test::TestEnvironment> m_env;
    std::unique_ptr<SoundDevices> m_devices;
    test::FakeEngine m_engine;
    QList<QPair<WPARAM, LPARAM>> m_chosen;
    int m_helps = 0;

    AudioWizardContext Context(bool help = false) {
        AudioWizardContext context;
        context.devices = m_devices.get();
        context.engine = &m_engine;
        context.speakerIndex = 0;
        context.microphoneIndex = 0;
        context.helpEnabled = help;
        context.sendToOwner = [this](uint32_t message, WPARAM w, LPARAM l) -> LRESULT {
            if (message == Msg::AudioDeviceChosen) {
                m_chosen.append({w, l});
            }
            return 0;
        };
        context.help = [this] { ++m_helps; };
        return context;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(StringTable::Global().Load());
        m_pulse = std::make_unique<test::PulseAudio>();
        QVERIFY2(m_pulse->Start(), m_pulse->output().constData());
        m_devices = std::make_unique<MediaSoundDevices>();
    }
    void cleanupTestCase() {
        m_devices.reset();
        m_pulse.reset();
    }
    void init() {
        m_env = std::make_unique<test::TestEnvironment>();
        m_engine = test::FakeEngine();
        m_engine.volumes = {{RTCAD_SPEAKER, 40000}, {RTCAD_MICROPHONE, 20000}};
        m_chosen.clear();
        m_helps = 0;
    }

    void pagesControlsAndButtons() {
        CConfig wizard(Context(), nullptr);
        QCOMPARE(wizard.windowTitle(), u"Audio Tune"_s);
        QCOMPARE(wizard.pageIds(), (QList<int>{0, 1, 2}));
        QCOMPARE(wizard.page(0)->title(), u"Audio Settings"_s);
        QCOMPARE(wizard.page(1)->title(), u"Audio Settings - Speakers"_s);
        QCOMPARE(wizard.page(2)->title(), u"Audio Settings - Microphone"_s);
        QVERIFY(!wizard.testOption(QWizard::HaveHelpButton));
        wizard.show();

        // Intro: no acceleration switch on this platform; Next only.
        CAudioTuneIntro* intro = wizard.intro();
        QVERIFY(Control<QCheckBox>(intro, 1045)->isHidden());
        QVERIFY(Control<QLabel>(intro, 1025)->isHidden());
        QCOMPARE(intro->useAcceleration(), 1);
        QVERIFY(!wizard.button(QWizard::BackButton)->isVisible());
        QVERIFY(wizard.button(QWizard::NextButton)->isVisible());

        // Speaker: the sound server's playback devices by name; the slider upside down.
        wizard.next();
        CSpeaker* speaker = wizard.speaker();
        auto* devices = Control<QComboBox>(speaker, CSpeaker::kDeviceCombo);
        QCOMPARE(Items(devices).mid(0, 3),
                 (QStringList{u"Speaker_A"_s, u"Speaker_B"_s, u"Voice_Feed"_s}));
        QCOMPARE(devices->currentIndex(), 0);
        auto* volume = Control<QSlider>(speaker, CSpeaker::kVolumeSlider);
        QCOMPARE(volume->orientation(), Qt::Vertical);
        QCOMPARE(volume->maximum(), 65535);
        QCOMPARE(volume->tickInterval(), 8191);
        QVERIFY(volume->invertedAppearance());
        QCOMPARE(volume->value(), 65535 - 40000);
        QVERIFY(Control<QCheckBox>(speaker, CSpeaker::kEchoCheck)->isEnabled());
        QVERIFY(Control<QLabel>(speaker, CSpeaker::kEchoNote)->text().contains(u"headset"_s));
        QVERIFY(wizard.button(QWizard::BackButton)->isVisible());
        QVERIFY(wizard.button(QWizard::NextButton)->isVisible());

        // Microphone: capture devices; full volume at once; Back and Finish.
        wizard.next();
        CMicrophone* microphone = wizard.microphone();
        QCOMPARE(Items(Control<QComboBox>(microphone, CMicrophone::kDeviceCombo)).mid(0, 2),
                 (QStringList{u"Microphone_A"_s, u"Loud_Sine"_s}));
        QCOMPARE(Control<QSlider>(microphone, CMicrophone::kVolumeSlider)->value(), 0);
        QCOMPARE(m_engine.volumes[RTCAD_MICROPHONE], 65535);
        QVERIFY(microphone->active());
        QVERIFY(microphone->meter()->Running());
        QVERIFY(wizard.button(QWizard::FinishButton)->isVisible());
        QVERIFY(!wizard.button(QWizard::NextButton)->isVisible());

        // Back stops the meter.
        wizard.back();
        QVERIFY(!microphone->active());
        QVERIFY(!microphone->meter()->Running());
        wizard.reject();
    }

    void helpOnlyWithWebLinks() {
        CConfig wizard(Context(true), nullptr);
        QVERIFY(wizard.testOption(QWizard::HaveHelpButton));
        wizard.show();
        wizard.button(QWizard::HelpButton)->click();
        QCOMPARE(m_helps, 1);
        wizard.reject();
    }

    void speakerChoiceVolumeAndEcho() {
        CConfig wizard(Context(), nullptr);
        wizard.show();
        wizard.next();
        CSpeaker* speaker = wizard.speaker();
        auto* devices = Control<QComboBox>(speaker, CSpeaker::kDeviceCombo);
        devices->setCurrentIndex(1);
        QCOMPARE(m_chosen, (QList<QPair<WPARAM, LPARAM>>{{2, 1}}));
        QCOMPARE(speaker->deviceIndex(), 1);

        // Moving the slider sets the volume; a volume from the engine only moves the slider.
        auto* volume = Control<QSlider>(speaker, CSpeaker::kVolumeSlider);
        volume->setValue(10000);
        QCOMPARE(m_engine.volumes[RTCAD_SPEAKER], 55535);
        const int calls = m_engine.setVolumeCalls;
        wizard.VolumeChanged(RTCAD_SPEAKER, 30000);
        QCOMPARE(volume->value(), 35535);
        QCOMPARE(m_engine.setVolumeCalls, calls);
        wizard.VolumeChanged(RTCAD_MICROPHONE, 1000);
        QCOMPARE(Control<QSlider>(wizard.microphone(), CMicrophone::kVolumeSlider)->value(), 64535);
        QCOMPARE(m_engine.setVolumeCalls, calls);

        // Next applies the echo tick.
        Control<QCheckBox>(speaker, CSpeaker::kEchoCheck)->setChecked(true);
        wizard.next();
        QCOMPARE(m_engine.echoSet, QList<bool>{true});
        wizard.reject();

        // Echo cancellation that cannot be read: the box is off and never applied.
        m_engine.echoResult = E_FAIL;
        m_engine.echoSet.clear();
        CConfig second(Context(), nullptr);
        second.show();
        second.next();
        QVERIFY(!Control<QCheckBox>(second.speaker(), CSpeaker::kEchoCheck)->isEnabled());
        second.next();
        QVERIFY(m_engine.echoSet.isEmpty());
        second.reject();

        // No engine at all: the box is off too, and nothing is called.
        AudioWizardContext noEngine = Context();
        noEngine.engine = nullptr;
        CConfig third(noEngine, nullptr);
        QVERIFY(!Control<QCheckBox>(third.speaker(), CSpeaker::kEchoCheck)->isEnabled());
    }

    void testSoundPlaysOnTheChosenSpeakerUntilTheUserLeavesThePage() {
        CConfig wizard(Context(), nullptr);
        wizard.show();
        wizard.next();
        CSpeaker* speaker = wizard.speaker();
        Control<QComboBox>(speaker, CSpeaker::kDeviceCombo)->setCurrentIndex(1);
        auto* play = Control<QPushButton>(speaker, CSpeaker::kPlayButton);
        const QString playText = StringTable::Global().Text(StringId::PlaySound);
        const QString stopText = StringTable::Global().Text(StringId::StopSound);
        QCOMPARE(play->text(), playText);
        play->click();
        QCOMPARE(play->text(), stopText);
        QVERIFY(speaker->soundStarted());
        QVERIFY(test::WaitUntil([&] { return !m_pulse->SinksInUse().isEmpty(); }));
        QCOMPARE(m_pulse->SinksInUse(), QStringList{u"zuvo_speaker_b"_s});

        // Stop, play again, then another device stops it.
        play->click();
        QCOMPARE(play->text(), playText);
        QVERIFY(test::WaitUntil([&] { return m_pulse->SinksInUse().isEmpty(); }));
        play->click();
        Control<QComboBox>(speaker, CSpeaker::kDeviceCombo)->setCurrentIndex(0);
        QCOMPARE(play->text(), playText);
        QVERIFY(!speaker->soundStarted());

        // Leaving the page stops it: Next, Back and Cancel alike.
        play->click();
        QVERIFY(speaker->soundStarted());
        wizard.next();
        QVERIFY(!speaker->soundStarted());
        wizard.back();
        play->click();
        wizard.back();
        QVERIFY(!speaker->soundStarted());
        wizard.next();
        play->click();
        wizard.reject();
        QVERIFY(!speaker->soundStarted());
        QVERIFY(test::WaitUntil([&] { return m_pulse->SinksInUse().isEmpty(); }));
    }

    void meterEdgesAndTheReductionSteps() {
        CConfig wizard(Context(), nullptr);
        CMicrophone* microphone = wizard.microphone();
        CLevelMeter* meter = microphone->meter();
        meter->resize(24, 122);
        auto* volume = Control<QSlider>(microphone, CMicrophone::kVolumeSlider);
        QCOMPARE(m_engine.volumes[RTCAD_MICROPHONE], 65535);

        meter->ShowPeak(25000);
        QCOMPARE(m_engine.volumes[RTCAD_MICROPHONE], 65535);
        meter->ShowPeak(25001);
        QCOMPARE(m_engine.volumes[RTCAD_MICROPHONE], 65535 - 4095);
        QCOMPARE(volume->value(), 4095);
        // The meter's own capture does not pass the engine's gain: the peak is scaled by it, so
        // the same input is no longer too loud once the volume is down.
        meter->ShowPeak(25001);
        QCOMPARE(m_engine.volumes[RTCAD_MICROPHONE], 65535 - 4095);

        microphone->DevicesChanged();  // starts over at full volume
        QCOMPARE(m_engine.volumes[RTCAD_MICROPHONE], 65535);
        meter->ShowPeak(32767);
        QCOMPARE(meter->ShownPeak(), 30000);
        QCOMPARE(meter->BarHeight(), meter->contentsRect().height() - 2);
        microphone->OnLevelTooHigh();
        microphone->OnLevelTooHigh();
        QCOMPARE(m_engine.volumes[RTCAD_MICROPHONE], 53250);

        volume->setValue(65535 - 4095);
        QCOMPARE(m_engine.volumes[RTCAD_MICROPHONE], 4095);
        microphone->OnLevelTooHigh();
        QCOMPARE(m_engine.volumes[RTCAD_MICROPHONE], 0);
        QCOMPARE(volume->value(), 65535);

        // Choosing a microphone starts it at full volume again and tells the window.
        Control<QComboBox>(microphone, CMicrophone::kDeviceCombo)->setCurrentIndex(1);
        QCOMPARE(m_engine.volumes[RTCAD_MICROPHONE], 65535);
        QCOMPARE(m_chosen.last(), (QPair<WPARAM, LPARAM>{1, 1}));
    }

    void loudSourceIsTurnedDownToASaneLevelAndAQuietOneIsLeftAlone() {
        CConfig wizard(Context(), nullptr);
        wizard.show();
        wizard.next();
        wizard.next();
        CMicrophone* microphone = wizard.microphone();
        QVERIFY(microphone->meter()->Running());
        // The silent microphone: full volume stays.
        test::WaitUntil([] { return false; }, std::chrono::milliseconds(1000));
        QCOMPARE(m_engine.volumes[RTCAD_MICROPHONE], 65535);

        // A sine near full scale: down in 4095 steps until the level is no longer too high.
        Control<QComboBox>(microphone, CMicrophone::kDeviceCombo)->setCurrentIndex(1);
        QVERIFY(microphone->meter()->Running());
        QVERIFY(test::WaitUntil([&] { return m_engine.volumes[RTCAD_MICROPHONE] < 65535; },
                                std::chrono::seconds(5)));
        // Settled: no step during five meter ticks.
        int settled = -1;
        for (int round = 0; round < 15; ++round) {
            const int before = m_engine.volumes[RTCAD_MICROPHONE];
            test::WaitUntil([] { return false; },
                            std::chrono::milliseconds(5 * CLevelMeter::kTickMs));
            if (m_engine.volumes[RTCAD_MICROPHONE] == before) {
                settled = before;
                break;
            }
        }
        QCOMPARE((65535 - settled) % 4095, 0);
        QVERIFY2(settled >= 65535 - 4 * 4095, qPrintable(QString::number(settled)));
        QVERIFY(settled > 0);
        wizard.reject();
        QVERIFY(!microphone->meter()->Running());
    }

    void devicesComingAndGoingReListThePages() {
        CConfig wizard(Context(), nullptr);
        wizard.show();
        wizard.next();
        const int module = m_pulse->LoadModule(
            u"module-null-sink"_s,
            {u"sink_name=zuvo_speaker_c"_s, u"sink_properties=device.description=Speaker_C"_s});
        QVERIFY(module >= 0);
        QVERIFY(m_devices->Reload());
        wizard.DevicesChanged();
        auto* devices = Control<QComboBox>(wizard.speaker(), CSpeaker::kDeviceCombo);
        QVERIFY(Items(devices).contains(u"Speaker_C"_s));
        devices->setCurrentIndex(static_cast<int>(Items(devices).indexOf(u"Speaker_C"_s)));
        QVERIFY(m_pulse->UnloadModule(module));
        QVERIFY(m_devices->Reload());
        wizard.DevicesChanged();
        QVERIFY(!Items(devices).contains(u"Speaker_C"_s));
        // Its place is past the end now... or taken by another device; never out of range.
        QVERIFY(devices->currentIndex() >= 0);
        QVERIFY(wizard.speaker()->deviceIndex() < devices->count());
        wizard.reject();
    }
};

QTEST_MAIN(TestAudioWizard)
#include "tst_audio_wizard.moc"
