#include "Terminal.h"

#include <cstdio>

namespace {
bool g_progressShown = false;
} // namespace

std::mutex& TerminalMutex() {
    static std::mutex mutex;
    return mutex;
}

void ClearProgressLine() {
    if (!g_progressShown)
        return;
    std::fputs(EraseLineText(), stderr);
    g_progressShown = false;
}

void MarkProgressLine() {
    g_progressShown = true;
}

void PrintError(const std::string& text) {
    std::lock_guard lock(TerminalMutex());
    ClearProgressLine();
    std::fprintf(stderr, "ktrctl: %s\n", text.c_str());
    std::fflush(stderr);
}

void PrintOut(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}
