#include "CTranscriptWriter.h"

#include "sim/CSimNetwork.h"

#include <stdexcept>

namespace {
// The writer sees every byte; the ports need keep only a few themselves.
constexpr size_t kKeptEntries = 4096;
} // namespace

CTranscriptWriter::CTranscriptWriter(const std::string& path) : m_startNs(SimMonotonicNs()) {
    m_file = std::fopen(path.c_str(), "w");
    if (!m_file)
        throw std::runtime_error(path + ": cannot be created");
}

CTranscriptWriter::~CTranscriptWriter() {
    std::fclose(m_file);
}

void CTranscriptWriter::Attach(CSimNetwork& network) {
    for (int comNumber : network.PortNumbers()) {
        CSimPort* port = network.Port(comNumber);
        port->SetTranscriptLimit(kKeptEntries);
        port->SetTranscriptListener(
            [this, comNumber](const SimTranscriptEntry& entry) { Write(comNumber, entry); });
    }
}

// Integer arithmetic keeps the text free of the locale's decimal separator.
void CTranscriptWriter::Write(int comNumber, const SimTranscriptEntry& entry) {
    const long long us = (entry.ns - m_startNs) / 1000;
    std::lock_guard lock(m_mutex);
    std::fprintf(m_file, "COM%d +%7lld.%03lld ms %c %02X", comNumber, us / 1000, us % 1000,
                 entry.toCounter ? '>' : '<', entry.byte);
    if (entry.byte >= 0x20 && entry.byte < 0x7F)
        std::fprintf(m_file, " %c", char(entry.byte));
    std::fputc('\n', m_file);
    std::fflush(m_file);
}
