#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The one grammar of a counter's size or calibration reply, used both to
// check a reply and to find the values in it:
//
//   reply := data marker separator ' '* hexdigit+ (CR | LF)*
//
// - data: the values, each followed by one space (leading spaces allowed),
//   so the marker stands first or right after a space;
// - marker: "C/S" in any letter case;
// - separator: any one character (a space on a sound line); further
//   spaces before the digits read as leading zeros;
// - hexdigit: 0-9, A-F in either case; the checksum is the byte sum, modulo
//   2^32, of the data without the space before the marker, with lower-case
//   letters counted as upper case;
// - anything after the digits but CRs and LFs makes the reply malformed.

enum class ReplyVerdict {
    Valid,
    NoMarker,    // no "C/S" in the text
    BadChecksum, // well formed, but the digits do not match the data
    Malformed,   // the marker, separator, digits or line end are not as above
};

// Where the first marker starts, in any letter case; npos when none.
size_t FindReplyMarker(std::string_view text);

ReplyVerdict JudgeReply(std::string_view reply);

// Whether the bytes received so far form a complete reply: they end with
// CR LF, and the grammar finds the marker, the separator, the digits and
// the line end in their places (the checksum may still be wrong; the check
// says so). A sound counter sends nothing after its CR LF, and line ends
// that might still follow change no verdict, so a reader may stop here.
bool IsCompleteReply(std::string_view received);

// Unsigned byte sum of text, modulo 2^32, with a to z counted as A to Z.
uint32_t UpperCaseByteSum(std::string_view text);
