#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Number texts and checksums of the simulated counters, independent of the
// process locale.

// Up to 3 decimals, trailing zeros dropped; values below 10 keep one digit
// after the point (0.3, 1.0, 2.5), others drop a bare point (10, 15, 150.5).
std::string SimFormatNumber(double value);

// The whole token as a decimal number with a point ("0.3", ".25", "10."),
// or nothing when the token is not exactly one number.
std::optional<double> SimParseNumber(std::string_view token);

// Unsigned byte sum of a text, modulo 2^32.
uint32_t SimByteSum(std::string_view text);

// Checksum digits: at least 6 hexadecimal digits, upper or lower case.
std::string SimChecksumText(uint32_t sum, bool lowerCase);

// The space-separated tokens of a text (runs of spaces separate one token).
std::vector<std::string_view> SimTokens(std::string_view text);
