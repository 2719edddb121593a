#include "sim/SimText.h"

#include <charconv>
#include <cmath>
#include <cstdio>

std::string SimFormatNumber(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
    std::string text(buffer, result.ptr);
    if (text.find('.') == std::string::npos)
        return text; // not finite, or beyond the buffer's reach
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.') {
        size_t digits = text.size() - 1 - (text[0] == '-' ? 1 : 0);
        if (digits == 1)
            text += '0';
        else
            text.pop_back();
    }
    return text;
}

std::optional<double> SimParseNumber(std::string_view token) {
    double value = 0;
    const char* first = token.data();
    const char* last = first + token.size();
    auto result = std::from_chars(first, last, value, std::chars_format::fixed);
    if (token.empty() || result.ec != std::errc() || result.ptr != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

uint32_t SimByteSum(std::string_view text) {
    uint32_t sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(c);
    return sum;
}

std::string SimChecksumText(uint32_t sum, bool lowerCase) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, lowerCase ? "%06x" : "%06X", static_cast<unsigned>(sum));
    return buffer;
}

std::vector<std::string_view> SimTokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t start = text.find_first_not_of(' ', pos);
        if (start == std::string_view::npos)
            break;
        size_t end = text.find(' ', start);
        if (end == std::string_view::npos)
            end = text.size();
        tokens.push_back(text.substr(start, end - start));
        pos = end;
    }
    return tokens;
}
