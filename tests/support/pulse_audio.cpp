#include "tests/support/pulse_audio.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace zuvo::test {

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kSocket = u"native"_s;
// Stream names of the short-latency capture streams, followed by their source.
const QString kPacerName = u"zuvo-pacer-"_s;

constexpr auto kConfig = R"(load-module module-native-protocol-unix auth-anonymous=1 socket=%1
load-module module-null-sink sink_name=zuvo_speaker_a rate=8000 channels=1 sink_properties=device.description=Speaker_A
load-module module-null-sink sink_name=zuvo_speaker_b rate=8000 channels=1 sink_properties=device.description=Speaker_B
load-module module-null-sink sink_name=zuvo_feed rate=8000 channels=1 sink_properties=device.description=Voice_Feed
load-module module-remap-source source_name=zuvo_mic master=zuvo_feed.monitor source_properties=device.description=Microphone_A
load-module module-sine-source source_name=zuvo_loud rate=11025 frequency=440 source_properties=device.description=Loud_Sine
set-source-volume zuvo_loud 81264
set-default-sink zuvo_speaker_a
set-default-source zuvo_mic
)";

// Names of the environment this process gives its sound clients.
const QList<QByteArray> kVariables = {"PULSE_SERVER", "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH",
                                      "PULSE_CLIENTCONFIG", "PULSE_COOKIE"};

}  // namespace

PulseAudio::PulseAudio() {
    for (const QByteArray& name : kVariables) {
        m_saved.append({name, qEnvironmentVariableIsSet(name.constData())
                                  ? std::optional<QByteArray>(qgetenv(name.constData()))
                                  : std::nullopt});
    }
}

PulseAudio::~PulseAudio() {
    for (const auto& pacer : m_pacers) {
        pacer->Stop();
    }
    if (m_server) {
        m_server->Stop();
    }
    for (const auto& [name, value] : m_saved) {
        if (value) {
            qputenv(name.constData(), *value);
        } else {
            qunsetenv(name.constData());
        }
    }
}

QProcessEnvironment PulseAudio::Environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"PULSE_SERVER"_s, u"unix:"_s + path(kSocket));
    environment.insert(u"PULSE_RUNTIME_PATH"_s, path(u"runtime"_s));
    environment.insert(u"PULSE_STATE_PATH"_s, path(u"state"_s));
    environment.insert(u"PULSE_CLIENTCONFIG"_s, path(u"client.conf"_s));
    environment.insert(u"PULSE_COOKIE"_s, path(u"cookie"_s));
    environment.insert(u"XDG_RUNTIME_DIR"_s, path(u"runtime"_s));
    environment.insert(u"XDG_CONFIG_HOME"_s, path(u"config"_s));
    environment.insert(u"HOME"_s, m_dir.path());
    return environment;
}

bool PulseAudio::Start() {
    QFile config(path(u"server.pa"_s));
    QFile client(path(u"client.conf"_s));
    if (!m_dir.isValid() || !config.open(QIODevice::WriteOnly) ||
        !client.open(QIODevice::WriteOnly)) {
        return false;
    }
    config.write(QString::fromUtf8(kConfig).arg(path(kSocket)).toUtf8());
    config.close();
    // Nothing here may start a sound server of its own.
    client.write("autospawn = no\n");
    client.close();

    QProcessEnvironment environment = Environment();
    // The server is a private one of this test: no system or session settings, no D-Bus.
    environment.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
    m_server = std::make_unique<ChildProcess>(
        u"pulseaudio"_s,
        QStringList{u"--system=no"_s, u"--daemonize=no"_s, u"--disallow-exit"_s,
                    u"--exit-idle-time=-1"_s, u"--use-pid-file=no"_s, u"--log-target=stderr"_s,
                    u"--disable-shm=yes"_s, u"-n"_s, u"-F"_s, path(u"server.pa"_s)},
        environment);
    if (!m_server->Start()) {
        return false;
    }
    // This process's own sound clients (the phone's media stack) use it from now on.
    for (const QByteArray& name : kVariables) {
        qputenv(name.constData(), environment.value(QString::fromLatin1(name)).toUtf8());
    }
    if (!WaitUntil([this] { return Pactl({u"info"_s}).has_value(); }, std::chrono::seconds(10))) {
        return false;
    }
    for (const QString& source :
         {u"zuvo_mic"_s, u"zuvo_speaker_a.monitor"_s, u"zuvo_speaker_b.monitor"_s}) {
        const QString name = kPacerName + source;
        auto pacer = std::make_unique<ChildProcess>(
            u"parec"_s,
            QStringList{u"--raw"_s, u"--device="_s + source, u"--latency-msec=10"_s,
                        u"--stream-name="_s + name},
            Environment());
        pacer->process().setStandardOutputFile(QProcess::nullDevice());
        if (!pacer->Start()) {
            return false;
        }
        m_pacers.push_back(std::move(pacer));
        if (!WaitUntil(
                [&] {
                    const auto outputs = Pactl({u"list"_s, u"source-outputs"_s});
                    return outputs && outputs->contains(name.toUtf8());
                },
                std::chrono::seconds(10))) {
            return false;
        }
    }
    return true;
}

QByteArray PulseAudio::output() const {
    return m_server ? m_server->output() : QByteArray();
}

std::optional<QByteArray> PulseAudio::Pactl(const QStringList& arguments) const {
    QProcess pactl;
    pactl.setProcessEnvironment(Environment());
    pactl.start(u"pactl"_s, arguments);
    if (!pactl.waitForFinished(10000) || pactl.exitStatus() != QProcess::NormalExit ||
        pactl.exitCode() != 0) {
        return std::nullopt;
    }
    return pactl.readAllStandardOutput();
}

int PulseAudio::LoadModule(const QString& name, const QStringList& arguments) {
    const auto out = Pactl(QStringList{u"load-module"_s, name} + arguments);
    if (!out) {
        return -1;
    }
    bool ok = false;
    const int index = out->trimmed().toInt(&ok);
    return ok ? index : -1;
}

bool PulseAudio::UnloadModule(int index) {
    return Pactl({u"unload-module"_s, QString::number(index)}).has_value();
}

QStringList PulseAudio::SinksInUse() const {
    const auto sinks = Pactl({u"list"_s, u"short"_s, u"sinks"_s});
    const auto inputs = Pactl({u"list"_s, u"short"_s, u"sink-inputs"_s});
    if (!sinks || !inputs) {
        return {};
    }
    QMap<QString, QString> names;  // index -> name
    for (const QByteArray& line : sinks->split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() > 1) {
            names[QString::fromUtf8(fields[0])] = QString::fromUtf8(fields[1]);
        }
    }
    QStringList used;
    for (const QByteArray& line : inputs->split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() > 1) {
            used.append(names.value(QString::fromUtf8(fields[1])));
        }
    }
    return used;
}

std::unique_ptr<QProcess> PulseAudio::StartRecording(const QString& sink,
                                                     const QString& wavePath) const {
    auto record = std::make_unique<QProcess>();
    record->setProcessEnvironment(Environment());
    record->start(u"parecord"_s,
                  {u"--device="_s + sink + u".monitor"_s, u"--rate=8000"_s, u"--channels=1"_s,
                   u"--format=s16le"_s, u"--file-format=wav"_s, wavePath});
    record->waitForStarted(5000);
    return record;
}

void PulseAudio::StopRecording(QProcess& recording) {
    // parecord finishes its file on SIGTERM.
    recording.terminate();
    if (!recording.waitForFinished(5000)) {
        recording.kill();
        recording.waitForFinished(2000);
    }
}

bool PulseAudio::RecordMonitor(const QString& sink, int milliseconds,
                               const QString& wavePath) const {
    const auto record = StartRecording(sink, wavePath);
    if (record->state() != QProcess::Running) {
        return false;
    }
    WaitUntil([] { return false; }, std::chrono::milliseconds(milliseconds));
    StopRecording(*record);
    return QFile::exists(wavePath);
}

bool PulseAudio::Play(const QString& sink, const QString& wavePath) const {
    QProcess play;
    play.setProcessEnvironment(Environment());
    play.start(u"paplay"_s, {u"--device="_s + sink, wavePath});
    if (!play.waitForStarted(5000)) {
        return false;
    }
    WaitUntil([&] { return play.state() == QProcess::NotRunning; }, std::chrono::seconds(30));
    return play.state() == QProcess::NotRunning && play.exitCode() == 0;
}

double PulseAudio::RmsAmplitude(const QString& wavePath) {
    return SoxStatistic(wavePath, u"RMS\\s+amplitude"_s);
}

double PulseAudio::RoughFrequency(const QString& wavePath) {
    return SoxStatistic(wavePath, u"Rough\\s+frequency"_s);
}

double PulseAudio::SoxStatistic(const QString& wavePath, const QString& name) {
    QProcess sox;
    sox.start(u"sox"_s, {wavePath, u"-n"_s, u"stat"_s});
    if (!sox.waitForFinished(10000)) {
        return -1;
    }
    // sox prints its statistics on the error channel: "RMS     amplitude:     0.123456"
    const QString text = QString::fromUtf8(sox.readAllStandardError());
    const QRegularExpression rms(name + uR"(:\s+([0-9.eE+-]+))"_s);
    const auto match = rms.match(text);
    bool ok = false;
    const double value = match.hasMatch() ? match.captured(1).toDouble(&ok) : -1;
    return ok ? value : -1;
}

}  // namespace zuvo::test
