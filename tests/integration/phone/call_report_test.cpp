// The call-quality report of the unattended test call (/J): a real call whose far end leaves out a
// known share of its RTP packets, and report paths that cannot be used.

#include <gtest/gtest.h>

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <iostream>
#include <memory>
#include <vector>

#include "tests/support/file_system_limits.h"
#include "tests/support/phone_peers.h"

using namespace Qt::Literals::StringLiterals;
using namespace zuvo::test;

namespace {

const QStringList kCaller{u"/T"_s, u"/B12345"_s, u"/P9876"_s, u"/N4412345"_s};

// Writes a capture of `count` PCMU packets of 20 ms (one RTP stream, Ethernet framing) from which
// every packet whose sequence number modulo `every` is 3 is left out. Returns how many were left
// out.
int WriteLossyCapture(const QString& path, int count, int every) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return -1;
    }
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint32(0xa1b2c3d4) << quint16(2) << quint16(4) << qint32(0) << quint32(0)
        << quint32(65535) << quint32(1);
    int left = 0;
    for (int seq = 0; seq < count; ++seq) {
        if (seq % every == 3) {
            ++left;
            continue;
        }
        QByteArray frame;
        QDataStream f(&frame, QIODevice::WriteOnly);
        f.setByteOrder(QDataStream::BigEndian);
        const int payload = 160;
        const int udpLength = 8 + 12 + payload;
        // Ethernet, IPv4 (127.0.0.1 to itself), UDP; SIPp puts in the real ports.
        f.writeRawData("\0\0\0\0\0\0\0\0\0\0\0\0", 12);
        f << quint16(0x0800);
        f << quint8(0x45) << quint8(0) << quint16(20 + udpLength) << quint16(seq) << quint16(0)
          << quint8(64) << quint8(17) << quint16(0) << quint32(0x7f000001) << quint32(0x7f000001);
        f << quint16(6000) << quint16(6002) << quint16(udpLength) << quint16(0);
        f << quint8(0x80) << quint8(0) << quint16(seq) << quint32(seq * 160) << quint32(0x5eed);
        frame.append(QByteArray(payload, '\xff'));  // PCMU silence
        const qint64 micros = static_cast<qint64>(seq) * 20000;
        out << quint32(micros / 1000000) << quint32(micros % 1000000) << quint32(frame.size())
            << quint32(frame.size());
        out.writeRawData(frame.constData(), static_cast<int>(frame.size()));
    }
    return file.error() == QFileDevice::NoError ? left : -1;
}

QJsonObject ReadReport(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(file.readAll()).object();
}

// The far end leaves out one packet in eight: the report gives that loss, the codec both sides
// share, packets both ways, and the times of every step of the call in order.
TEST(CallReportTest, ReportsTheLossOfAFarEndThatLeavesPacketsOut) {
    TestEnvironment env;
    PhonePeers::Options options;
    options.scenario = SourcePath(u"deploy/sipp/uas_ring_answer_play_pcap.xml"_s);
    PhonePeers peers(env.path(u"peers"_s), options);
    constexpr int kPackets = 500;
    constexpr int kEvery = 8;
    ASSERT_EQ(WriteLossyCapture(env.path(u"peers/logs/far_end_audio.pcap"_s), kPackets, kEvery),
              (kPackets + kEvery - 4) / kEvery);
    ASSERT_TRUE(peers.Start()) << peers.error().toStdString();

    const QString report = env.path(u"report.json"_s);
    ProgramResult run =
        RunProgram(u"zuvo"_s, kCaller + QStringList{u"/C9"_s, u"/R5"_s, u"/J"_s + report},
                   peers.Environment(), std::chrono::seconds(60));
    ASSERT_EQ(run.code, 0) << run.output.right(3000).constData() << peers.Logs().constData();

    const QJsonObject json = ReadReport(report);
    ASSERT_FALSE(json.isEmpty()) << run.output.right(3000).constData();
    EXPECT_EQ(json[u"exit_code"_s].toInt(-1), 0);
    EXPECT_EQ(json[u"exit_meaning"_s].toString(),
              u"the call connected with audio and was held for /C"_s);
    EXPECT_FALSE(json[u"started"_s].toString().isEmpty());

    const QJsonObject steps = json[u"steps_ms"_s].toObject();
    qint64 previous = -1;
    for (const char* step : {"sign_in", "registration", "dial", "ringing", "answer", "media"}) {
        const QJsonValue at = steps[QLatin1String(step)];
        ASSERT_TRUE(at.isDouble()) << step << ' ' << QJsonDocument(json).toJson().constData();
        EXPECT_GE(at.toInteger(), previous) << step;
        previous = at.toInteger();
    }
    EXPECT_GE(json[u"ended_ms"_s].toInteger(), previous);

    const QJsonObject call = json[u"call"_s].toObject();
    EXPECT_EQ(call[u"codec"_s].toObject()[u"name"_s].toString(), u"PCMU"_s);
    EXPECT_EQ(call[u"codec"_s].toObject()[u"clock_rate"_s].toInt(), 8000);
    EXPECT_EQ(call[u"encryption"_s].toString(), u"none"_s);
    EXPECT_GT(call[u"packets_sent"_s].toInteger(), 50);
    const qint64 received = call[u"packets_received"_s].toInteger();
    const qint64 lost = call[u"packets_lost"_s].toInteger();
    EXPECT_GT(received, 50);
    EXPECT_GT(lost, 0);
    // One packet in eight: 12.5 %; the ends of the stream may cut one gap more or less. The
    // figure is that of the phone's last RTCP report (the call lasts long enough for one).
    const double loss = call[u"loss_percent"_s].toDouble(-1);
    EXPECT_NEAR(loss, 100.0 / kEvery, 2.5) << QJsonDocument(json).toJson().constData();
    EXPECT_LE(lost, received);
    // This far end sends no RTCP: nothing to estimate the quality or the round trip from.
    EXPECT_TRUE(call[u"quality"_s].isNull());
    EXPECT_TRUE(call[u"round_trip_ms"_s].isNull());
    EXPECT_TRUE(call.contains(u"jitter_ms"_s));
    EXPECT_TRUE(call.contains(u"round_trip_ms"_s));
    // Nothing but the report is left in its folder (the temporary file was renamed).
    EXPECT_EQ(QDir(env.root())
                  .entryList({u"report.json*"_s, u".report.json*"_s}, QDir::Files | QDir::Hidden),
              QStringList{u"report.json"_s});
}

struct PathCase {
    QString name;
    QString argument;    // after /J
    QString complaint;   // expected in the phone's output; empty: the report is written
    QString reportPath;  // where a written report is looked for
};

// Reports that cannot be written are said on standard error and leave the exit code as it would
// be without /J: here no web service answers, so every phone ends with 33.
TEST(CallReportTest, UnusablePathsAreReportedAndLeaveTheExitCodeAlone) {
    TestEnvironment env;
    EnsureApplication();
    const QString locked = env.path(u"locked.json"_s);
    {
        QFile file(locked);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("{}");
    }
    ImmutableFile immutable(locked);
    ASSERT_TRUE(QDir().mkpath(env.path(u"folder.json"_s)));

    std::vector<PathCase> cases{
        {u"written"_s, env.path(u"ok.json"_s), QString(), env.path(u"ok.json"_s)},
        {u"no name"_s, QString(), u"no file name after /J"_s, QString()},
        {u"a folder"_s, env.path(u"folder.json"_s), u"is not a regular file"_s, QString()},
        {u"missing folder"_s, env.path(u"nowhere/r.json"_s), u"does not exist"_s, QString()},
        {u"control characters"_s, env.path(u"a"_s + QChar(7) + u"b.json"_s),
         u"control characters"_s, QString()},
        {u"too long"_s, env.path(QString(5000, u'x')), u"longer than 4096"_s, QString()},
    };
    if (immutable.ok()) {
        cases.push_back({u"unchangeable file"_s, locked, u"call report not written"_s, QString()});
    } else {
        std::cerr << "not checked: an unchangeable report file (" << immutable.error().toStdString()
                  << ")\n";
    }

    PhonePeers::Options nothing;
    nothing.simulator = false;
    nothing.registrar = false;
    struct Run {
        std::unique_ptr<PhonePeers> peers;
        std::unique_ptr<ChildProcess> phone;
    };
    std::vector<Run> runs(cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        runs[i].peers = std::make_unique<PhonePeers>(env.path(QString::number(i)), nothing);
        ASSERT_TRUE(runs[i].peers->Start());
        runs[i].phone = std::make_unique<ChildProcess>(
            BinaryPath(u"zuvo"_s), kCaller + QStringList{u"/C1"_s, u"/J"_s + cases[i].argument},
            runs[i].peers->Environment());
        ASSERT_TRUE(runs[i].phone->Start());
    }
    for (size_t i = 0; i < cases.size(); ++i) {
        const PathCase& c = cases[i];
        const int code = runs[i].phone->WaitForExit(std::chrono::seconds(60));
        const QByteArray output = runs[i].phone->output();
        EXPECT_EQ(code, 33) << c.name.toStdString() << '\n' << output.right(2000).constData();
        if (c.complaint.isEmpty()) {
            const QJsonObject json = ReadReport(c.reportPath);
            EXPECT_EQ(json[u"exit_code"_s].toInt(-1), 33) << c.name.toStdString();
            EXPECT_EQ(json[u"exit_meaning"_s].toString(),
                      u"a web server did not answer during the scan"_s);
            EXPECT_TRUE(json[u"call"_s].isNull());
            EXPECT_TRUE(json[u"steps_ms"_s].toObject()[u"registration"_s].isNull());
        } else {
            EXPECT_TRUE(output.contains(c.complaint.toUtf8())) << c.name.toStdString() << '\n'
                                                               << output.right(2000).constData();
        }
    }
    EXPECT_EQ(ReadReport(locked), QJsonObject());
    EXPECT_FALSE(QFile::exists(env.path(u"nowhere"_s)));
}

}  // namespace
