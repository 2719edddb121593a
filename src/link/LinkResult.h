#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What an operation of the counter link came to.
enum class LinkStatus {
    Done,
    NoEcho,       // a byte written got no echo within its wait
    WrongEcho,    // a byte came back as another byte
    NoReply,      // the counter sent nothing after a query
    BadChecksum,  // a reply whose checksum does not match its data
    NoMarker,     // a reply without "C/S"
    BadReply,     // a reply not in the reply format, or without values
    NotSupported, // the model is not in the supported-models file
    Refused,      // validation refused the table; nothing was sent
    PortGone,     // the device hung up or vanished
    Stopped,      // a stop was requested
    PortFailed,   // the port is not open, or a read or write failed otherwise
};

// The part of an exchange where it happened.
enum class LinkStep {
    None,
    Address,         // the address byte
    Command,         // the command letter
    SizeText,        // the text of a size table being programmed
    CalibrationText, // the text of a calibration curve being programmed
    FlashText,       // "o0001" or "o0000" with CR LF
    LineEnd,         // the CR (byte 1) or LF (byte 2) that ends a command line
    ModelReply,
    SizesReply,
    CalibrationReply,
};

// The table rule that refused a table or a value (TableRules.h).
enum class TableRule {
    None,
    Count,      // too few or too many values
    Range,      // a value outside its field's range
    Order,      // values not strictly ascending
    FieldWidth, // a size that the counter's 3-character field cannot carry
    ReplySize,  // a curve whose reply would not fit the counter's buffer
};

// A message for the user: its string-table id and its text.
struct LinkMessage {
    unsigned id = 0;
    std::string text;
};

struct LinkResult {
    LinkStatus status = LinkStatus::Done;
    LinkStep step = LinkStep::None;
    // Echo failures: the 1-based position of the byte within its step, the
    // byte written and, for a wrong echo, the byte that came back.
    int byte = 0;
    uint8_t sent = 0;
    uint8_t received = 0;
    // Operations that retry: the attempts made.
    int attempts = 0;
    // NotSupported: the model text, stripped.
    std::string model;
    // Refused: the rule, and what to show, in order.
    TableRule rule = TableRule::None;
    std::vector<LinkMessage> messages;

    bool Ok() const { return status == LinkStatus::Done; }
    // A stop or a vanished device ends every operation at once: no retry,
    // no release byte, no waiting for the line to calm down.
    bool EndsTheWork() const {
        return status == LinkStatus::Stopped || status == LinkStatus::PortGone;
    }
};

// The result in words, e.g. "no echo at byte 12 of the size text (3 attempts)".
std::string DescribeLinkResult(const LinkResult& result);
