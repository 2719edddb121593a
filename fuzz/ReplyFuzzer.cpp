// Arbitrary bytes as the reply to a size or calibration query, through the
// counter link over an in-memory line, read with strict timing and framed:
// nothing crashes, a failure leaves the sensor's list as it was, a reply the
// link accepts is one whose checksum is right and whose values are exactly
// the data before its marker, and both timings come to the same result
// wherever the bytes after a complete ending are line ends only.

#include "FuzzCheck.h"
#include "link/CCounterLink.h"
#include "link/IProgressIndicator.h"
#include "link/ReplyFormat.h"
#include "link/ReplyTiming.h"
#include "model/CSensor.h"
#include "support/CMemoryLine.h"

#include <cctype>
#include <cstdint>
#include <string>

namespace {

constexpr double kSentinel = 7;

// The text the link sees: up to the first zero byte, at most the buffer.
std::string Seen(const std::string& reply, size_t capacity) {
    std::string text = reply.substr(0, capacity);
    return text.substr(0, text.find('\0'));
}

size_t FindMarker(const std::string& text) {
    for (size_t i = 0; i + 3 <= text.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) == 'C' && text[i + 1] == '/' &&
            std::toupper(static_cast<unsigned char>(text[i + 2])) == 'S')
            return i;
    return std::string::npos;
}

// Tokens a space ends, after the leading spaces of data.
int Tokens(const std::string& data) {
    const size_t first = data.find_first_not_of(' ');
    int tokens = 0;
    for (size_t i = first; first != std::string::npos && i < data.size(); ++i)
        tokens += data[i] == ' ' ? 1 : 0;
    return tokens;
}

// The checksum digits after the marker, its separator and any spaces, read
// with the C library, against the upper-cased byte sum of the data.
bool ChecksumRight(const std::string& text, size_t marker) {
    size_t at = marker + 4;
    while (at < text.size() && text[at] == ' ')
        ++at;
    size_t end = at;
    while (end < text.size() && std::isxdigit(static_cast<unsigned char>(text[end])))
        ++end;
    if (end == at)
        return false;
    while (at + 1 < end && text[at] == '0')
        ++at;
    const std::string digits = text.substr(at, end - at);
    if (digits.size() > 16)
        return false;
    const unsigned long long value = std::strtoull(digits.c_str(), nullptr, 16);
    unsigned long long sum = 0;
    for (size_t i = 0; i + 1 < marker; ++i)
        sum += static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(text[i])));
    return value == (sum & 0xFFFFFFFFull) && value == sum;
}

struct Read {
    LinkResult result;
    CSensor sensor;
};

// One read of reply under timing, into a record whose lists hold a sentinel.
Read ReadReply(const std::string& reply, bool sizes, ReplyTiming timing) {
    CMemoryLine line;
    line.SetReply(sizes ? 'P' : 'K', reply);
    CNullProgress progress;
    CCounterLink link(&line, &progress);
    link.SetReplyTiming(timing);
    Read read;
    read.sensor.SetAddress(3);
    read.sensor.GetSizes().AddTail(kSentinel);
    read.sensor.GetCalCurve().AddTail(CCalPoint(kSentinel, kSentinel));
    read.result = sizes ? link.ReadSizes(read.sensor) : link.ReadCalibration(read.sensor);
    const std::string query = std::string("\x83") + (sizes ? "P" : "K") + "\r\n";
    std::string written;
    for (int i = 0; i < read.result.attempts; ++i)
        written += query;
    FUZZ_CHECK(read.result.attempts >= 1 && read.result.attempts <= CCounterLink::kAttempts);
    FUZZ_CHECK(line.Written() == written + "\xBF");
    return read;
}

// A failure leaves the lists alone; an accepted text has a right checksum
// and exactly the values before its marker.
void CheckOutcome(const Read& read, const std::string& text, bool sizes) {
    const int sizeCount = read.sensor.GetSizes().GetCount();
    const int pointCount = read.sensor.GetCalCurve().GetCount();
    if (!read.result.Ok()) {
        FUZZ_CHECK(sizeCount == 1);
        const CSizeList& list = read.sensor.GetSizes();
        FUZZ_CHECK(list.GetAt(list.GetHeadPosition()) == kSentinel);
        FUZZ_CHECK(pointCount == 1);
        return;
    }
    const size_t marker = FindMarker(text);
    FUZZ_CHECK(marker != std::string::npos);
    FUZZ_CHECK(marker == 0 || text[marker - 1] == ' ');
    FUZZ_CHECK(ChecksumRight(text, marker));
    const int tokens = Tokens(text.substr(0, marker));
    if (sizes)
        FUZZ_CHECK(sizeCount == tokens && pointCount == 1);
    else
        FUZZ_CHECK(pointCount == tokens / 2 && sizeCount == 1);
}

// Where a framed read of text stops: its first prefix that ends in CR LF and
// that the reply grammar judges whole; the whole text when none.
size_t FramedLength(const std::string& text) {
    for (size_t length = 2; length <= text.size(); ++length)
        if (text[length - 2] == '\r' && text[length - 1] == '\n' &&
            IsCompleteReply(std::string_view(text).substr(0, length)))
            return length;
    return text.size();
}

std::string Tables(const CSensor& sensor) {
    std::string text;
    for (auto pos = sensor.GetSizes().GetHeadPosition(); pos;)
        text += std::to_string(sensor.GetSizes().GetNext(pos)) + " ";
    for (auto pos = sensor.GetCalCurve().GetHeadPosition(); pos;) {
        const CCalPoint& p = sensor.GetCalCurve().GetNext(pos);
        text += std::to_string(p.m_size) + "/" + std::to_string(p.m_voltage) + " ";
    }
    return text;
}

} // namespace

// Strict and framed reads of the same reply agree, unless the reply goes on
// after a complete ending with something other than line ends, which a
// framed read no longer sees.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const bool sizes = (data[0] & 1) == 0;
    const std::string reply(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::string text =
        Seen(reply, sizes ? CCounterLink::kSizesReplySize : CCounterLink::kCalibrationReplySize);
    const size_t framedLength = FramedLength(text);

    const Read strict = ReadReply(reply, sizes, ReplyTiming::Strict);
    CheckOutcome(strict, text, sizes);
    const Read framed = ReadReply(reply, sizes, ReplyTiming::Framed);
    CheckOutcome(framed, text.substr(0, framedLength), sizes);

    const bool onlyLineEnds = text.find_first_not_of("\r\n", framedLength) == std::string::npos;
    if (onlyLineEnds) {
        FUZZ_CHECK(framed.result.status == strict.result.status);
        FUZZ_CHECK(framed.result.attempts == strict.result.attempts);
        FUZZ_CHECK(Tables(framed.sensor) == Tables(strict.sensor));
    }
    return 0;
}
