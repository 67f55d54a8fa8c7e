#include "audio/level_meter.h"

#include <QPainter>

#include <algorithm>

#include "audio/audio_log.h"
#include "telephony/sound_devices.h"

namespace zuvo {

CLevelMeter::CLevelMeter(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::Box);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &CLevelMeter::Tick);
}

CLevelMeter::~CLevelMeter() {
    Stop();
}

void CLevelMeter::SetReport(std::function<void(uint32_t, WPARAM, LPARAM)> report) {
    m_report = std::move(report);
}

void CLevelMeter::SetGain(std::function<int()> gain) {
    m_gain = std::move(gain);
}

bool CLevelMeter::Start(const SoundDevices& devices, int index) {
    Stop();
    const QString name = devices.List().capture.Name(index);
    if (name.isEmpty()) {
        return false;
    }
    m_capture = devices.NewLevelCapture();
    if (!m_capture->Start(name)) {
        qCDebug(lcAudioWizard) << "level meter: capture did not start on" << name;
        return false;
    }
    m_timer.start();
    return true;
}

void CLevelMeter::Stop() {
    m_timer.stop();
    if (m_capture) {
        m_capture->Stop();
    }
    m_bar = 0;
    m_shownPeak = 0;
    update();
}

void CLevelMeter::Tick() {
    ShowPeak(m_capture ? m_capture->Peak() : 0);
}

void CLevelMeter::ShowPeak(int rawPeak) {
    const int gain = m_gain ? std::clamp(m_gain(), 0, 0xFFFF) : 0xFFFF;
    int peak =
        static_cast<int>(static_cast<int64_t>(std::clamp(rawPeak, 0, 32767)) * gain / 0xFFFF);
    bool tooHigh = false;
    if (peak > kFullScale) {
        peak = kFullScale;
        tooHigh = true;
    } else if (peak > kTooHigh) {
        tooHigh = true;
    }
    const QRect area = contentsRect().adjusted(1, 1, -1, -1);
    m_shownPeak = peak;
    m_bar = area.height() * peak / kFullScale;
    update();
    if (tooHigh && m_report) {
        m_report(WM_LEVEL_TOO_HIGH, 0, 0);
    }
}

void CLevelMeter::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect().adjusted(1, 1, -1, -1);
    painter.fillRect(area, QColor(255, 255, 255));
    const int top = area.top();
    const int bottom = area.bottom() + 1;
    const int mid = bottom - (bottom - top) / 2;
    const int threeQuarter = bottom + ((top - bottom) * 3) / 4;
    const int barTop = bottom - m_bar;
    auto band = [&](int from, int to, const QColor& colour) {
        if (to > from) {
            painter.fillRect(QRect(area.left(), from, area.width(), to - from), colour);
        }
    };
    if (m_bar <= bottom - mid) {
        band(barTop, bottom, QColor(0, 255, 0));
        return;
    }
    band(mid, bottom, QColor(0, 255, 0));
    if (m_bar > bottom - threeQuarter) {
        band(threeQuarter, mid, QColor(255, 255, 0));
        band(barTop, threeQuarter, QColor(255, 0, 0));
    } else {
        band(barTop, mid, QColor(255, 255, 0));
    }
}

}  // namespace zuvo
