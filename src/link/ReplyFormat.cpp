#include "link/ReplyFormat.h"

#include <algorithm>

namespace {

constexpr std::string_view kMarker = "C/S";
// More significant digits than a 32-bit sum can have.
constexpr size_t kMaxDigits = 8;

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = Upper(c);
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// The digits' value; false when it needs more than 32 bits.
bool HexValue(std::string_view digits, uint32_t& value) {
    const size_t first = digits.find_first_not_of('0');
    if (first != std::string_view::npos && digits.size() - first > kMaxDigits)
        return false;
    value = 0;
    for (char c : digits)
        value = (value << 4) | static_cast<uint32_t>(HexDigit(c));
    return true;
}

} // namespace

size_t FindReplyMarker(std::string_view text) {
    for (size_t i = 0; i + kMarker.size() <= text.size(); ++i) {
        if (Upper(text[i]) == kMarker[0] && text[i + 1] == kMarker[1] &&
            Upper(text[i + 2]) == kMarker[2])
            return i;
    }
    return std::string_view::npos;
}

ReplyVerdict JudgeReply(std::string_view reply) {
    const size_t marker = FindReplyMarker(reply);
    if (marker == std::string_view::npos)
        return ReplyVerdict::NoMarker;
    if (marker > 0 && reply[marker - 1] != ' ')
        return ReplyVerdict::Malformed;
    std::string_view rest = reply.substr(marker + kMarker.size());
    if (rest.empty())
        return ReplyVerdict::Malformed;
    rest.remove_prefix(1); // the separator
    rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
    size_t digits = 0;
    while (digits < rest.size() && HexDigit(rest[digits]) >= 0)
        ++digits;
    if (digits == 0)
        return ReplyVerdict::Malformed;
    for (char c : rest.substr(digits))
        if (!IsLineEnd(c))
            return ReplyVerdict::Malformed;
    uint32_t value = 0;
    const std::string_view data = reply.substr(0, marker > 0 ? marker - 1 : 0);
    if (!HexValue(rest.substr(0, digits), value) || value != UpperCaseByteSum(data))
        return ReplyVerdict::BadChecksum;
    return ReplyVerdict::Valid;
}

bool IsCompleteReply(std::string_view received) {
    if (!received.ends_with("\r\n"))
        return false;
    const ReplyVerdict verdict = JudgeReply(received);
    return verdict == ReplyVerdict::Valid || verdict == ReplyVerdict::BadChecksum;
}

uint32_t UpperCaseByteSum(std::string_view text) {
    uint32_t sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(Upper(c));
    return sum;
}
