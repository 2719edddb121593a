#include "link/Numbers.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

// Both directions go through <charconv>, which never looks at a locale, so
// the conversions are the same on every system and in every thread.

namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c, bool hex) {
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

bool StartsWithHexDigits(std::string_view text) {
    if (!text.empty() && text[0] == '.')
        text.remove_prefix(1);
    return !text.empty() && IsDigit(text[0], true);
}

// Where, relative to the point, the first non-zero digit of a number that
// did not fit a double stands, plus its exponent (scaled to digits): above
// zero the number was too large, otherwise too small.
long long Magnitude(std::string_view number, bool hex) {
    long long position = 0;
    bool beforePoint = true;
    bool seen = false;
    size_t i = 0;
    for (; i < number.size(); ++i) {
        const char c = number[i];
        if (c == '.') {
            beforePoint = false;
        } else if (!IsDigit(c, hex)) {
            break;
        } else if (c != '0' && !seen) {
            seen = true;
        }
        if (IsDigit(c, hex) && (seen ? beforePoint : !beforePoint))
            position += seen ? 1 : -1;
    }
    long long exponent = 0;
    if (i + 1 < number.size()) {
        std::string_view rest = number.substr(i + 1);
        const bool negative = !rest.empty() && rest[0] == '-';
        if (!rest.empty() && (rest[0] == '-' || rest[0] == '+'))
            rest.remove_prefix(1);
        for (char c : rest) {
            if (!IsDigit(c, false))
                break;
            exponent = std::min<long long>(exponent * 10 + (c - '0'), 1'000'000'000LL);
        }
        if (negative)
            exponent = -exponent;
    }
    // A hexadecimal digit is four binary places; the exponent is binary.
    return hex ? position * 4 + exponent : position + exponent;
}

// The length of the number at the start of text as strtod reads it: digits
// with an optional point, then an exponent only when digits follow its
// letter and optional sign. from_chars alone would take "p+-1" as an
// exponent. "inf" and "nan" are left whole to from_chars.
size_t NumberLength(std::string_view text, bool hex) {
    size_t i = 0;
    while (i < text.size() && (IsDigit(text[i], hex) || text[i] == '.'))
        ++i;
    const char exponent = hex ? 'p' : 'e';
    if (i < text.size() && (text[i] == exponent || text[i] == exponent - 'a' + 'A')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && IsDigit(text[j], false)) {
            while (j < text.size() && IsDigit(text[j], false))
                ++j;
            i = j;
        }
    }
    return (i == 0) ? text.size() : i;
}

} // namespace

double AtofC(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    std::string_view number = text.substr(i);
    // from_chars would take a second minus sign itself; atof takes one sign.
    if (!number.empty() && (number[0] == '-' || number[0] == '+'))
        return 0;
    std::chars_format format = std::chars_format::general;
    const bool hex = number.size() > 2 && number[0] == '0' && (number[1] == 'x' || number[1] == 'X') &&
                     StartsWithHexDigits(number.substr(2));
    if (hex) {
        number.remove_prefix(2);
        format = std::chars_format::hex;
    }
    number = number.substr(0, NumberLength(number, hex));
    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value, format);
    if (result.ec == std::errc::result_out_of_range) {
        const std::string_view parsed(number.data(), size_t(result.ptr - number.data()));
        value = Magnitude(parsed, hex) > 0 ? HUGE_VAL : 0.0;
    } else if (result.ec != std::errc()) {
        return 0; // no number starts the text
    }
    return negative ? -value : value;
}

std::string FormatFixed(double value, int decimals) {
    // The largest double has 309 integer digits; add sign, point and decimals.
    char buffer[400 + 64];
    if (decimals < 0)
        decimals = 0;
    if (decimals > 64)
        decimals = 64;
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc())
        return std::string();
    return std::string(buffer, result.ptr);
}

std::string FormatSizeField(double size) {
    std::string field = FormatFixed(size, 2);
    while (field.size() > 3 && field.back() == '0')
        field.pop_back();
    while (field.size() > 3 && field.front() == '0')
        field.erase(0, 1);
    if (field.size() > 3)
        field.resize(3);
    return field;
}

std::string FormatCalNumber(double value) {
    std::string text = FormatFixed(value, 3);
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    while (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}
