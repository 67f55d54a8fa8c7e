#include "app/logic/call_report.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>

namespace zuvo {

using namespace Qt::Literals::StringLiterals;

namespace {

// Started with the process, before main.
struct ProcessClock {
    ProcessClock() {
        timer.start();
        wall = QDateTime::currentDateTimeUtc();
    }
    QElapsedTimer timer;
    QDateTime wall;
};
const ProcessClock g_clock;

constexpr std::array<const char*, kCallStepCount> kStepNames{"sign_in", "registration", "dial",
                                                             "ringing", "answer",       "media"};

QJsonValue Rounded(std::optional<double> value, double scale = 10.0) {
    if (!value || !std::isfinite(*value)) {
        return QJsonValue::Null;
    }
    return std::round(*value * scale) / scale;
}

QJsonValue Milliseconds(std::optional<int64_t> value) {
    return value ? QJsonValue(static_cast<qint64>(*value)) : QJsonValue(QJsonValue::Null);
}

QJsonObject CallObject(const CallStatistics& s) {
    QJsonObject codec{
        {u"name"_s, s.codec},
        {u"clock_rate"_s, s.clockRate},
        {u"channels"_s, s.channels},
        {u"payload_type"_s, s.payloadType},
    };
    return QJsonObject{
        {u"codec"_s, codec},
        {u"encryption"_s, s.encrypted ? u"srtp"_s : u"none"_s},
        {u"packets_sent"_s, static_cast<qint64>(s.packetsSent)},
        {u"packets_received"_s, static_cast<qint64>(s.packetsReceived)},
        {u"packets_lost"_s, static_cast<qint64>(s.packetsLost)},
        {u"loss_percent"_s, Rounded(s.lossPercent, 100.0)},
        {u"late_packets"_s, static_cast<qint64>(s.latePackets)},
        {u"jitter_ms"_s, Rounded(s.jitterMs)},
        {u"jitter_buffer_ms"_s, Rounded(s.jitterBufferMs)},
        {u"round_trip_ms"_s, Rounded(s.roundTripMs)},
        {u"quality"_s, Rounded(s.quality, 100.0)},
        {u"average_quality"_s, Rounded(s.averageQuality, 100.0)},
    };
}

}  // namespace

void CallTimeline::Mark(CallStep step) {
    if (!m_steps.at(static_cast<size_t>(step))) {
        MarkAt(step, Now());
    }
}

void CallTimeline::MarkAt(CallStep step, int64_t milliseconds) {
    m_steps.at(static_cast<size_t>(step)) = milliseconds;
}

std::optional<int64_t> CallTimeline::At(CallStep step) const {
    return m_steps.at(static_cast<size_t>(step));
}

int64_t CallTimeline::Now() {
    return g_clock.timer.elapsed();
}

QDateTime CallTimeline::Started() {
    return g_clock.wall;
}

QString ExitCodeMeaning(ExitCode code) {
    switch (code) {
        case ExitCode::CallHeld:
            return u"the call connected with audio and was held for /C"_s;
        case ExitCode::ConnectedWithoutMedia:
            return u"the call connected but no audio started within /C"_s;
        case ExitCode::EndedAfterMedia:
            return u"the call ended (not busy, not rejected) after audio had started"_s;
        case ExitCode::EndedBeforeMedia:
            return u"the call ended before any audio started, or nothing could be dialled"_s;
        case ExitCode::RingingWithMedia:
            return u"ringing lasted /R with early audio"_s;
        case ExitCode::RingingWithoutMedia:
            return u"ringing lasted /R without early audio"_s;
        case ExitCode::NotStarted:
            return u"the cycle never got going"_s;
        case ExitCode::RegistrationFailed:
            return u"registration rejected or failed"_s;
        case ExitCode::WebServerUnresolved:
            return u"the web server's name did not resolve"_s;
        case ExitCode::NoInternet:
            return u"no Internet connection and the web server did not answer"_s;
        case ExitCode::WebServerSilent:
            return u"a web server did not answer during the scan"_s;
        case ExitCode::CallRejected:
            return u"the call was rejected"_s;
        case ExitCode::NoAnswer:
            return u"neither ringing nor an answer within /U after dialling"_s;
        case ExitCode::LineBusy:
            return u"the line was busy"_s;
        case ExitCode::SignedIn:
        case ExitCode::Dialled:
        case ExitCode::Ringing:
        case ExitCode::Connected:
        case ExitCode::SignOutStep:
            break;
    }
    return u"the cycle stopped before it ended (step %1)"_s.arg(static_cast<int>(code));
}

QByteArray CallReportJson(const CallTimeline& timeline,
                          const std::optional<CallStatistics>& statistics, ExitCode code,
                          int64_t endedMs) {
    QJsonObject steps;
    for (int i = 0; i < kCallStepCount; ++i) {
        steps.insert(QLatin1String(kStepNames.at(static_cast<size_t>(i))),
                     Milliseconds(timeline.At(static_cast<CallStep>(i))));
    }
    const QJsonObject report{
        {u"format"_s, 1},
        {u"started"_s, CallTimeline::Started().toString(Qt::ISODateWithMs)},
        {u"exit_code"_s, static_cast<int>(code)},
        {u"exit_meaning"_s, ExitCodeMeaning(code)},
        {u"steps_ms"_s, steps},
        {u"ended_ms"_s, static_cast<qint64>(endedMs)},
        {u"call"_s, statistics ? QJsonValue(CallObject(*statistics)) : QJsonValue::Null},
    };
    return QJsonDocument(report).toJson(QJsonDocument::Indented);
}

QString CheckReportPath(const QString& path) {
    if (path.isEmpty()) {
        return u"no file name after /J"_s;
    }
    if (QFile::encodeName(path).size() > kMaxReportPathBytes) {
        return u"the report file name is longer than %1 bytes"_s.arg(kMaxReportPathBytes);
    }
    for (const QChar c : path) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) {
            return u"the report file name holds control characters"_s;
        }
    }
    const QFileInfo target(path);
    if (target.exists() || target.isSymLink()) {
        // Only a regular file is replaced; never a folder, a device, a FIFO or a link's target.
        if (target.isSymLink() || !target.isFile()) {
            return u"%1 exists and is not a regular file"_s.arg(path);
        }
    }
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir()) {
        return u"the folder %1 does not exist"_s.arg(folder.filePath());
    }
    if (!folder.isWritable()) {
        return u"the folder %1 cannot be written"_s.arg(folder.filePath());
    }
    return QString();
}

bool WriteCallReport(const QString& path, const QByteArray& json, QString* error) {
    const QString problem = CheckReportPath(path);
    if (!problem.isEmpty()) {
        if (error != nullptr) {
            *error = problem;
        }
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.commit()) {
        if (error != nullptr) {
            *error = file.errorString();
        }
        return false;
    }
    return true;
}

}  // namespace zuvo
