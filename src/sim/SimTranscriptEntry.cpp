#include "sim/SimTranscriptEntry.h"

#include <cstdio>
#include <ctime>

int64_t SimMonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::string SimFormatTranscript(const std::vector<SimTranscriptEntry>& entries) {
    std::string text;
    if (entries.empty())
        return text;
    const int64_t start = entries.front().ns;
    for (const SimTranscriptEntry& entry : entries) {
        // Integer arithmetic keeps the text free of the locale's decimal separator.
        const int64_t us = (entry.ns - start) / 1000;
        char line[64];
        std::snprintf(line, sizeof line, "+%7lld.%03lld ms %c %02X",
                      static_cast<long long>(us / 1000), static_cast<long long>(us % 1000),
                      entry.toCounter ? '>' : '<', entry.byte);
        text += line;
        if (entry.byte >= 0x20 && entry.byte < 0x7F) {
            text += ' ';
            text += static_cast<char>(entry.byte);
        }
        text += '\n';
    }
    return text;
}
