#pragma once

#include "link/ISerialLine.h"

#include <cstdint>
#include <deque>
#include <map>
#include <string>

// A line in memory with one counter behind it, for tests and fuzzing of the
// counter link without a terminal or any waiting: every byte written is
// echoed at once, except the release byte; after the identification query
// T, or a query line P or K ended by CR LF, the reply set for that letter
// is queued. A read takes what is queued; it ends by its count, or as if by
// the interval after the last queued byte, or by the total time-out when
// nothing was queued. A framed read takes the queued bytes one at a time, as
// they would come on a paced line, and stops as soon as they form a complete
// message, leaving the rest queued. It counts the discards and drains the
// link asks for.
class CMemoryLine : public ISerialLine {
public:
    // The reply to the query letter (T, P or K); none set: no reply.
    void SetReply(char query, std::string reply);
    // An absent counter echoes and answers nothing.
    void SetPresent(bool present) { m_present = present; }
    // Bytes queued right before the echo of each of the next times address bytes.
    void StrayBeforeAddressEchoes(std::string bytes, int times = 1);
    // The line fails with fault from the write after the next count writes on.
    void FailAfterWrites(int count, LineFault fault);

    // Bytes the program wrote, in order.
    const std::string& Written() const { return m_written; }
    int Discards() const { return m_discards; }
    int Drains() const { return m_drains; }

    bool Write(const uint8_t* bytes, size_t count) override;
    bool Read(uint8_t* buffer, size_t count) override;
    bool ReadFramed(uint8_t* buffer, size_t count, FrameTest complete) override;
    bool SetReadIntervalTimeout(uint32_t) override { return true; }
    bool SetReadTotalTimeoutConstant(uint32_t) override { return true; }
    void DiscardInput() override;
    bool DrainInput(const DrainRule&) override;

    ReadEnd LastReadEnd() const override { return m_lastEnd; }
    size_t GetLastReadCount() const override { return m_lastCount; }
    LineFault LastFault() const override { return m_fault; }

private:
    void Receive(uint8_t byte);
    bool Failing();

    std::map<char, std::string> m_replies;
    std::deque<uint8_t> m_queue;
    std::string m_written;
    std::string m_line;
    std::string m_stray;
    int m_strayTimes = 0;
    bool m_present = true;
    int m_writesLeft = -1;
    LineFault m_failWith = LineFault::None;
    LineFault m_fault = LineFault::None;
    ReadEnd m_lastEnd = ReadEnd::Total;
    size_t m_lastCount = 0;
    int m_discards = 0;
    int m_drains = 0;
};
