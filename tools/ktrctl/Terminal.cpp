#include "Terminal.h"

#include "link/LinkResult.h"
#include "res/StringTable.h"

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

void PrintRefusal(const LinkResult& result) {
    const std::string caption = LoadString(IDS_APP_NAME);
    std::lock_guard lock(TerminalMutex());
    ClearProgressLine();
    for (const LinkMessage& message : result.messages) {
        const bool ended = !message.text.empty() && message.text.back() == '\n';
        std::fprintf(stderr, "%s: %s%s", caption.c_str(), message.text.c_str(), ended ? "" : "\n");
    }
    std::fflush(stderr);
}
