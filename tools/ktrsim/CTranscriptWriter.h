#pragma once

#include "sim/SimTranscriptEntry.h"

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

class CSimNetwork;

// Writes every byte on the simulated lines to a file as it passes, one
// line per byte: "COM1 +   12.345 ms > 85", with the character when it is
// printable. ">" marks bytes from the program, "<" bytes from a counter.
// Must outlive the network it listens to.
class CTranscriptWriter {
public:
    // Throws std::runtime_error when the file cannot be created.
    explicit CTranscriptWriter(const std::string& path);
    CTranscriptWriter(const CTranscriptWriter&) = delete;
    CTranscriptWriter& operator=(const CTranscriptWriter&) = delete;
    ~CTranscriptWriter();

    // Starts listening to every port of the network.
    void Attach(CSimNetwork& network);

private:
    void Write(int comNumber, const SimTranscriptEntry& entry);

    std::mutex m_mutex;
    std::FILE* m_file = nullptr;
    int64_t m_startNs;
};
