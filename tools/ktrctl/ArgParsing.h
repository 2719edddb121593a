#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Parsing of the values given on ktrctl's command line. Numbers always use
// a point as the decimal separator, whatever the locale. Each function
// returns nothing and fills error with a sentence for the user when the
// text is not acceptable.

// A whole text that is one finite decimal number ("0.3", "15", ".25", "1e2").
std::optional<double> ParseNumber(const std::string& text, std::string& error);

// "SIZE:VOLTAGE", both numbers.
std::optional<std::pair<double, double>> ParsePoint(const std::string& text, std::string& error);

// A list of com port numbers 1 to 32 such as "1-4,7": numbers and ranges
// separated by commas. The result is ascending without duplicates.
std::optional<std::vector<uint8_t>> ParsePortList(const std::string& text, std::string& error);
