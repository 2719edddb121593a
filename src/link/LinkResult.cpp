#include "link/LinkResult.h"

#include <cstdio>

namespace {

std::string Hex(uint8_t byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

// Text from a counter as it may be shown on a terminal: bytes outside
// printable ASCII as \xNN.
std::string Printable(const std::string& text) {
    std::string shown;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '\\') {
            shown += c;
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
        shown += escaped;
    }
    return shown;
}

const char* TableOf(LinkStep step) {
    switch (step) {
    case LinkStep::ModelReply:
        return "identification";
    case LinkStep::SizesReply:
        return "size query";
    case LinkStep::CalibrationReply:
        return "calibration query";
    default:
        return "command";
    }
}

const char* ReplyName(LinkStep step) {
    switch (step) {
    case LinkStep::ModelReply:
        return "model reply";
    case LinkStep::SizesReply:
        return "size reply";
    case LinkStep::CalibrationReply:
        return "calibration reply";
    default:
        return "reply";
    }
}

// "of the address byte", "at byte 12 of the size text", ...
std::string Place(const LinkResult& r) {
    switch (r.step) {
    case LinkStep::Address:
        return "of the address byte";
    case LinkStep::Command:
        return std::string("of the command letter ") + static_cast<char>(r.sent);
    case LinkStep::SizeText:
        return "at byte " + std::to_string(r.byte) + " of the size text";
    case LinkStep::CalibrationText:
        return "at byte " + std::to_string(r.byte) + " of the calibration text";
    case LinkStep::FlashText:
        return "at byte " + std::to_string(r.byte) + " of the flash command";
    case LinkStep::LineEnd:
        return r.byte == 1 ? "of the CR that ends the line" : "of the LF that ends the line";
    default:
        return "";
    }
}

std::string Reason(const LinkResult& r) {
    switch (r.status) {
    case LinkStatus::Done:
        return "done";
    case LinkStatus::NoEcho:
        if (r.step == LinkStep::Address)
            return "no counter answers (no echo of the address byte)";
        return "no echo " + Place(r);
    case LinkStatus::WrongEcho:
        return "wrong echo " + Place(r) + " (" + Hex(r.received) + " came back for " + Hex(r.sent) +
               ")";
    case LinkStatus::NoReply:
        return std::string("no reply to the ") + TableOf(r.step);
    case LinkStatus::BadChecksum:
        return std::string("bad checksum in the ") + ReplyName(r.step);
    case LinkStatus::NoMarker:
        return std::string("no C/S marker in the ") + ReplyName(r.step);
    case LinkStatus::BadReply:
        return std::string("malformed ") + ReplyName(r.step);
    case LinkStatus::NotSupported:
        return "model \"" + Printable(r.model) + "\" is not supported";
    case LinkStatus::Refused: {
        std::string text = "refused:";
        for (const LinkMessage& m : r.messages)
            text += " " + m.text;
        return text;
    }
    case LinkStatus::PortGone:
        return "port gone (the device hung up)";
    case LinkStatus::Stopped:
        return "stopped";
    case LinkStatus::PortFailed:
        return "the port failed";
    }
    return "unknown";
}

} // namespace

std::string DescribeLinkResult(const LinkResult& result) {
    std::string text = Reason(result);
    if (result.attempts > 1)
        text += " (" + std::to_string(result.attempts) + " attempts)";
    return text;
}
