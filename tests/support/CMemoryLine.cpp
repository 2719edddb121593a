#include "support/CMemoryLine.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kRelease = 0xBF;

bool IsAddress(uint8_t byte) {
    return byte >= 0x80 && byte <= 0x9F;
}

} // namespace

void CMemoryLine::SetReply(char query, std::string reply) {
    m_replies[query] = std::move(reply);
}

void CMemoryLine::StrayBeforeAddressEchoes(std::string bytes, int times) {
    m_stray = std::move(bytes);
    m_strayTimes = times;
}

void CMemoryLine::FailAfterWrites(int count, LineFault fault) {
    m_writesLeft = count;
    m_failWith = fault;
}

// Once failed, the line stays failed, as a vanished device does.
bool CMemoryLine::Failing() {
    m_fault = m_writesLeft == 0 ? m_failWith : LineFault::None;
    return m_fault != LineFault::None;
}

bool CMemoryLine::Write(const uint8_t* bytes, size_t count) {
    if (Failing())
        return false;
    if (m_writesLeft > 0)
        --m_writesLeft;
    for (size_t i = 0; i < count; ++i)
        Receive(bytes[i]);
    return true;
}

void CMemoryLine::Receive(uint8_t byte) {
    m_written.push_back(static_cast<char>(byte));
    if (byte == kRelease || IsAddress(byte))
        m_line.clear();
    if (byte == kRelease || !m_present)
        return;
    if (IsAddress(byte)) {
        if (m_strayTimes > 0) {
            --m_strayTimes;
            m_queue.insert(m_queue.end(), m_stray.begin(), m_stray.end());
        }
        m_queue.push_back(byte);
        return;
    }
    m_queue.push_back(byte);
    m_line.push_back(static_cast<char>(byte));
    const bool query = m_line == "T" || m_line == "P\r\n" || m_line == "K\r\n";
    const auto reply = m_replies.find(m_line[0]);
    if (query && reply != m_replies.end())
        m_queue.insert(m_queue.end(), reply->second.begin(), reply->second.end());
}

bool CMemoryLine::Read(uint8_t* buffer, size_t count) {
    return ReadFramed(buffer, count, nullptr);
}

bool CMemoryLine::ReadFramed(uint8_t* buffer, size_t count, FrameTest complete) {
    std::memset(buffer, 0, count);
    m_lastCount = 0;
    if (Failing())
        return false;
    while (m_lastCount < count && !m_queue.empty()) {
        buffer[m_lastCount++] = m_queue.front();
        m_queue.pop_front();
        if (complete && complete(buffer, m_lastCount)) {
            m_lastEnd = ReadEnd::Framed;
            return true;
        }
    }
    m_lastEnd = m_lastCount == count ? ReadEnd::Count
                : m_lastCount > 0    ? ReadEnd::Interval
                                     : ReadEnd::Total;
    return true;
}

void CMemoryLine::DiscardInput() {
    ++m_discards;
    m_queue.clear();
}

bool CMemoryLine::DrainInput(const DrainRule&) {
    ++m_drains;
    m_queue.clear();
    return !Failing();
}
