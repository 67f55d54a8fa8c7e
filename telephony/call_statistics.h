#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace zuvo {

// What the media stack measured on the audio of a call: the last values seen while the call ran,
// kept after it ended. Optional figures are absent when the stack had nothing to measure them
// from (no RTCP from the far end, no quality estimate yet).
struct CallStatistics {
    QString codec;  // MIME subtype as negotiated: "opus", "G722", "PCMU", ...
    int clockRate = 0;
    int channels = 0;
    int payloadType = -1;
    bool encrypted = false;  // SRTP keys were agreed for the audio
    uint64_t packetsSent = 0;
    uint64_t packetsReceived = 0;
    // Packets missing from the far end's sequence (gaps), and that as a share of the expected.
    int64_t packetsLost = 0;
    double lossPercent = 0.0;
    uint64_t latePackets = 0;  // arrived too late for the jitter buffer
    std::optional<double> jitterMs;
    std::optional<double> jitterBufferMs;
    std::optional<double> roundTripMs;
    // The media stack's estimate, 0 (unusable) to 5 (good): now and averaged over the call.
    std::optional<double> quality;
    std::optional<double> averageQuality;
};

}  // namespace zuvo
