#include "audio/test_sound.h"

#include <QFile>
#include "audio/audio_log.h"

// The sound is compiled into this static library; make sure its initialiser is linked in.
static void InitSoundResources() {
    Q_INIT_RESOURCE(zuvo_audio_sounds);
}

Q_LOGGING_CATEGORY(lcAudioWizard, "zuvo.audio", QtWarningMsg)

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

// Far more than a few seconds of 8 kHz sound.
constexpr qint64 kMaxSoundBytes = 1 << 20;

}  // namespace

std::optional<WaveSound> LoadTestSound() {
    InitSoundResources();
    QFile file(u":/sounds/TestWav.wav"_s);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSoundBytes) {
        qCDebug(lcAudioWizard) << "test sound missing";
        return std::nullopt;
    }
    auto sound = ParseWave(file.readAll());
    if (!sound) {
        qCDebug(lcAudioWizard) << "test sound is not a PCM wave file";
    }
    return sound;
}

}  // namespace zuvo
