#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QProcess>
#include <QTimer>

namespace zuvo {

// Notices sound devices coming and going while the phone runs: the sound server's own event
// stream (pactl subscribe) and the kernel's sound device folder. The media stack does not see a
// device added to the sound server by itself; whoever owns the device list reloads on Changed.
class SoundServerWatch : public QObject {
    Q_OBJECT
public:
    explicit SoundServerWatch(QObject* parent = nullptr);
    ~SoundServerWatch() override;

    void Start();

Q_SIGNALS:
    // Once per burst of changes, after they settle.
    void Changed();

private:
    void ReadEvents();

    QProcess m_events;
    QFileSystemWatcher m_devices;
    QTimer m_settle;
    QByteArray m_pending;
};

}  // namespace zuvo
