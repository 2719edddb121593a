#pragma once

#include <string>

// Misbehaviour of one simulated counter. Byte positions count the bytes a
// program sends after the address byte that selected the counter (1-based),
// so the command letter is byte 1 and the first text byte of a programming
// line is byte 2; where a knob says so, 0 is the address byte itself. Every
// fault is off by default.
struct SimFaults {
    // After this many echoed bytes the counter echoes nothing more until it
    // is selected again (-1: never stops).
    int echoStopsAfter = -1;
    // This byte (0: the address byte) is echoed with another value (its
    // lowest bit flipped); -1: never.
    int wrongEchoAt = -1;
    // Size and calibration replies carry a checksum one too high.
    bool badChecksum = false;
    // Size and calibration replies lack the "C/S " marker.
    bool noMarker = false;
    // T, P and K queries get no reply at all (the echoes still come).
    bool noReply = false;
    // Pause between the echo of the query's last byte and the first reply byte.
    int replyDelayMs = 0;
    // Pause of gapMs after the gapAfterByte-th byte of a reply (1-based,
    // noise not counted); -1: no gap.
    int gapAfterByte = -1;
    int gapMs = 0;
    // Bytes sent before each reply (after the delay).
    std::string noise;
    // Extra bytes that make a reply longer than a reader's buffer: leading
    // spaces in the data of a size or calibration reply (the checksum still
    // matches what is sent), '#' characters after the model text of T.
    int overlongBytes = 0;
    // The queries ('T', 'P', 'K') whose replies the reply faults above
    // (noReply, replyDelayMs, the gap, noise, overlongBytes, badChecksum,
    // noMarker) touch; empty: all of them.
    std::string replyFaultsOn;
    // Only the first this many of those replies get the reply faults; the
    // later ones are sound (-1: every one).
    int replyFaultsFor = -1;
    // The echo of this byte (0: the address byte) comes lateEchoMs late; -1: never.
    int lateEchoAt = -1;
    int lateEchoMs = 0;
    // echoNoise is sent right before the echo of this byte (0: the address
    // byte); -1: never.
    int echoNoiseAt = -1;
    std::string echoNoise;
    // Sent after every release byte that ends a selection of the counter.
    std::string releaseNoise;
    // The port hangs up (its device vanishes) when this byte arrives (0: the
    // address byte); -1: never.
    int hangUpAt = -1;
};
