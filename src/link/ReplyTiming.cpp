#include "link/ReplyTiming.h"

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <string>

namespace {

// The process-wide choice; -1 while the environment decides.
std::atomic<int> g_chosen{-1};

} // namespace

ReplyTiming DefaultReplyTiming() {
    const int chosen = g_chosen.load();
    if (chosen >= 0)
        return static_cast<ReplyTiming>(chosen);
    return IsStrictTimingValue(std::getenv("KTRSETUP_STRICT_TIMING")) ? ReplyTiming::Strict
                                                                      : ReplyTiming::Framed;
}

void SetDefaultReplyTiming(ReplyTiming timing) {
    g_chosen.store(static_cast<int>(timing));
}

bool IsStrictTimingValue(const char* value) {
    if (!value)
        return false;
    std::string lower(value);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower == "1" || lower == "true" || lower == "yes" || lower == "on";
}
