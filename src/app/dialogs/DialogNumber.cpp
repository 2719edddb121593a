#include "app/dialogs/DialogNumber.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Skips the digits at i; returns how many there were.
size_t SkipDigits(std::string_view text, size_t& i) {
    const size_t start = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    return i - start;
}

// Whether the whole text is [sign] digits [. digits] [e [sign] digits],
// with at least one digit in the mantissa.
bool IsDecimalNumber(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    size_t digits = SkipDigits(text, i);
    if (i < text.size() && text[i] == '.') {
        ++i;
        digits += SkipDigits(text, i);
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (SkipDigits(text, i) == 0)
            return false;
    }
    return i == text.size();
}

} // namespace

bool ParseDialogNumber(std::string_view text, double& value) {
    const std::string_view number = TrimBlanks(text);
    if (!IsDecimalNumber(number))
        return false;
    // from_chars takes no plus sign and never looks at the locale.
    std::string_view digits = number.front() == '+' ? number.substr(1) : number;
    double converted = 0.0;
    const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), converted);
    if (result.ec != std::errc() || result.ptr != digits.data() + digits.size())
        return false;
    if (!std::isfinite(converted) || (converted == 0.0 && number.front() != '0'))
        return false;
    value = converted;
    return true;
}

std::string FormatDialogNumber(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    if (result.ec != std::errc())
        return std::string();
    return std::string(buffer, result.ptr);
}
