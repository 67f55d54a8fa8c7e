#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <vector>

#include "tests/support/test_environment.h"

namespace zuvo::test {

// A private PulseAudio sound server for one test: started in the foreground as a child, in user
// mode, with its runtime folder, socket and client configuration in a temporary folder, and
// stopped when the object goes. While it lives, this process (and every child it starts) talks
// to it and to nothing else. Its devices:
//   playback  "Speaker_A" (sink zuvo_speaker_a, the default), "Speaker_B" (zuvo_speaker_b),
//             "Voice_Feed" (zuvo_feed: what is played here is the microphone's input)
//   capture   "Microphone_A" (zuvo_mic, the default: what zuvo_feed plays),
//             "Loud_Sine" (zuvo_loud: a sine tone near full scale)
// Capture streams of a short latency stay open on Microphone_A and on the monitors of both
// speakers while the server runs: a null sink that nobody asks for a short latency renders blocks
// of up to 2 s, so a new capture stream's first samples came that late and a new playback
// stream's first samples waited that long to be taken (a real sound card starts at once).
// The media stack keeps one connection to the sound server for the life of the process: start
// one server per test program, not one per test.
class PulseAudio {
public:
    PulseAudio();
    ~PulseAudio();
    PulseAudio(const PulseAudio&) = delete;
    PulseAudio& operator=(const PulseAudio&) = delete;

    // Starts it and waits until it answers. False (with its output kept) when it does not.
    bool Start();
    QByteArray output() const;

    // pactl with the arguments; its standard output, nullopt when it fails.
    std::optional<QByteArray> Pactl(const QStringList& arguments) const;
    // Loads a module; its index, or -1.
    int LoadModule(const QString& name, const QStringList& arguments);
    bool UnloadModule(int index);
    // The sink name each playback stream of the server plays into.
    QStringList SinksInUse() const;
    // Records the monitor of a sink for the given time into a wave file; false on failure.
    bool RecordMonitor(const QString& sink, int milliseconds, const QString& wavePath) const;
    // Starts recording the monitor of a sink into a wave file; stop it with StopRecording.
    std::unique_ptr<QProcess> StartRecording(const QString& sink, const QString& wavePath) const;
    static void StopRecording(QProcess& recording);
    // Plays a wave file into a sink to its end, running the event loop meanwhile.
    bool Play(const QString& sink, const QString& wavePath) const;
    // The RMS amplitude (0..1) of a wave file as sox reports it; -1 when sox cannot tell.
    static double RmsAmplitude(const QString& wavePath);
    // The dominant frequency (Hz) of a wave file as sox estimates it; -1 when sox cannot tell.
    static double RoughFrequency(const QString& wavePath);
    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    // The environment of a client of this server.
    QProcessEnvironment Environment() const;

private:
    static double SoxStatistic(const QString& wavePath, const QString& name);

    QTemporaryDir m_dir;
    std::unique_ptr<ChildProcess> m_server;
    std::vector<std::unique_ptr<ChildProcess>> m_pacers;  // the short-latency capture streams
    QList<QPair<QByteArray, std::optional<QByteArray>>> m_saved;
};

}  // namespace zuvo::test
