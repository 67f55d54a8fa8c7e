#include "telephony/sound_server_watch.h"

#include <QFileInfo>
#include <QStandardPaths>

#include "telephony/telephony_log.h"

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

// A sink or source is loaded in steps (module, sink, its monitor): one reload for all of them.
constexpr int kSettleMs = 300;
// Lines of the event stream are short; a longer one is not the sound server's.
constexpr qsizetype kMaxLine = 512;

bool IsDeviceEvent(const QByteArray& line) {
    // "Event 'new' on sink #2", "Event 'remove' on source #3", "Event 'change' on card #0"
    const bool addedOrRemoved = line.contains("'new'") || line.contains("'remove'");
    return addedOrRemoved &&
           (line.contains(" sink #") || line.contains(" source #") || line.contains(" card #"));
}

}  // namespace

SoundServerWatch::SoundServerWatch(QObject* parent) : QObject(parent) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &SoundServerWatch::Changed);
    connect(&m_events, &QProcess::readyReadStandardOutput, this, &SoundServerWatch::ReadEvents);
    connect(&m_events, &QProcess::errorOccurred, this, [](QProcess::ProcessError error) {
        qCDebug(lcTelephony) << "sound server events unavailable:" << error;
    });
    connect(&m_events, &QProcess::finished, this, [](int code) {
        qCDebug(lcTelephony) << "sound server events ended (pactl" << code << ")";
    });
    connect(&m_devices, &QFileSystemWatcher::directoryChanged, this, [this] { m_settle.start(); });
}

SoundServerWatch::~SoundServerWatch() {
    if (m_events.state() != QProcess::NotRunning) {
        m_events.disconnect(this);
        m_events.kill();
        m_events.waitForFinished(1000);
    }
}

void SoundServerWatch::Start() {
    if (QFileInfo(u"/dev/snd"_s).isDir()) {
        m_devices.addPath(u"/dev/snd"_s);
    }
    const QString pactl = QStandardPaths::findExecutable(u"pactl"_s);
    if (pactl.isEmpty()) {
        qCDebug(lcTelephony) << "no pactl: sound server devices are not watched";
        return;
    }
    m_events.setProcessChannelMode(QProcess::SeparateChannels);
    m_events.setStandardErrorFile(QProcess::nullDevice());
    m_events.start(pactl, {u"subscribe"_s});
}

void SoundServerWatch::ReadEvents() {
    m_pending += m_events.readAllStandardOutput();
    qsizetype end = 0;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QByteArray line = m_pending.left(end);
        m_pending.remove(0, end + 1);
        if (IsDeviceEvent(line)) {
            m_settle.start();
        }
    }
    if (m_pending.size() > kMaxLine) {
        qCDebug(lcTelephony) << "sound server event line too long; dropped";
        m_pending.clear();
    }
}

}  // namespace zuvo
