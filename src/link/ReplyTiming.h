#pragma once

// How the counter link ends the read of a size or calibration reply.
enum class ReplyTiming {
    // As soon as the bytes received form a complete reply (marker,
    // separator, checksum digits, CR LF); a reply that never does ends by
    // the time-out rules, as in Strict.
    Framed,
    // Only by the time-out rules: the buffer is full, the total time-out
    // has passed, or the line has been quiet for the read's interval.
    Strict,
};

// The timing that new counter links take: the one SetDefaultReplyTiming
// chose, otherwise Strict when the environment variable
// KTRSETUP_STRICT_TIMING is 1 (or true, yes, on, in any letter case),
// otherwise Framed. Safe to call from any thread.
ReplyTiming DefaultReplyTiming();
// Chooses the default for the whole process, whatever the environment says
// (for a command-line switch, before any link is made).
void SetDefaultReplyTiming(ReplyTiming timing);
// Whether a value of KTRSETUP_STRICT_TIMING asks for strict timing; null
// (not set) does not.
bool IsStrictTimingValue(const char* value);
