#pragma once

#include <cstddef>
#include <cstdint>

// How the last Read of a line ended.
enum class ReadEnd {
    Count,    // every byte asked for arrived
    Total,    // the total time-out passed
    Interval, // the line was quiet for the interval after a byte
    Framed,   // the bytes received formed a complete message
    Failed,   // the read failed (see LineFault)
};

// Why the last transfer on a line failed, if it did.
enum class LineFault {
    None,
    Stopped, // a stop was requested
    HungUp,  // the device hung up or vanished
    Failed,  // not open, or another error
};

// How long a drain of the line waits. What waits is taken at once; when
// nothing did and no byte comes within waitMs (0: no wait), the line is
// silent and the drain ends. Otherwise it goes on until the line has been
// quiet for quietMs after a byte, or for lineEndQuietMs after a byte that
// ends a line (a reply that has come to its end leaves nothing to wait
// for), for at most limitMs.
struct DrainRule {
    uint32_t waitMs = 0;
    uint32_t quietMs = 0;
    uint32_t lineEndQuietMs = 0;
    uint32_t limitMs = 0;
};

// The byte line that the counter link talks through: a com port, or an
// in-memory line in tests. Reads follow the serial time-out rules: a Read of
// count bytes ends when count bytes arrived, when count + constant ms passed
// since it began, or (interval not 0) when more than interval ms pass after
// a byte without the next one.
class ISerialLine {
public:
    // Whether the bytes received so far form a complete message.
    using FrameTest = bool (*)(const uint8_t* received, size_t count);

    virtual ~ISerialLine() = default;

    virtual bool Write(const uint8_t* bytes, size_t count) = 0;
    // Zero-fills count bytes of buffer, then reads up to count bytes. True
    // however many bytes arrived, none included.
    virtual bool Read(uint8_t* buffer, size_t count) = 0;
    // Read, which also ends as soon as complete (null: never) says that the
    // bytes received so far form a complete message (ReadEnd::Framed). The
    // time-out rules still end a message that never completes. A line that
    // cannot look at the bytes as they come reads as Read does.
    virtual bool ReadFramed(uint8_t* buffer, size_t count, FrameTest complete) {
        (void)complete;
        return Read(buffer, count);
    }
    virtual bool SetReadIntervalTimeout(uint32_t ms) = 0;
    virtual bool SetReadTotalTimeoutConstant(uint32_t ms) = 0;

    // Discards what waits in the receive queue.
    virtual void DiscardInput() = 0;
    // Reads and discards while bytes keep arriving, by rule. False when the
    // line failed meanwhile (LastFault says why).
    virtual bool DrainInput(const DrainRule& rule) = 0;

    virtual ReadEnd LastReadEnd() const = 0;
    // Bytes the last Read received.
    virtual size_t GetLastReadCount() const = 0;
    virtual LineFault LastFault() const = 0;
};
