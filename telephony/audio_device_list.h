#pragma once

#include <QString>
#include <QStringList>

namespace zuvo {

// The sound devices of one kind as the phone shows and counts them: positions are the device
// indices the settings store, names are what the engine is handed. Plain data, any thread.
class AudioDeviceList {
public:
    // A device name as the capability query gives it: at most this many characters.
    static constexpr int kMaxNameLength = 31;

    AudioDeviceList() = default;
    explicit AudioDeviceList(const QStringList& names) {
        for (const QString& name : names) {
            m_names.append(name.left(kMaxNameLength));
        }
    }

    int Count() const { return static_cast<int>(m_names.size()); }
    bool Contains(int index) const { return index >= 0 && index < Count(); }
    // The name at index; empty when there is no such device.
    QString Name(int index) const { return Contains(index) ? m_names.at(index) : QString(); }
    // The first device named so, ignoring case; -1 when none is.
    int Find(const QString& name) const {
        if (name.isEmpty()) {
            return -1;
        }
        const QString wanted = name.left(kMaxNameLength);
        for (int i = 0; i < Count(); ++i) {
            if (m_names.at(i).compare(wanted, Qt::CaseInsensitive) == 0) {
                return i;
            }
        }
        return -1;
    }
    const QStringList& Names() const { return m_names; }
    bool operator==(const AudioDeviceList&) const = default;

private:
    QStringList m_names;
};

// The wave-out (playback) and wave-in (capture) lists of one moment.
struct AudioDevices {
    AudioDeviceList playback;
    AudioDeviceList capture;
    bool operator==(const AudioDevices&) const = default;
};

}  // namespace zuvo
