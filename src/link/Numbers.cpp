#include "link/Numbers.h"

#include <charconv>
#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace {

// The "C" locale as a locale object, made once; never freed, since any
// thread may still be converting while the process ends.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// Switches the calling thread to the "C" locale while it lives. Other threads
// and the process locale are not touched.
class CThreadCLocale {
public:
    CThreadCLocale() : m_previous(CLocale() ? uselocale(CLocale()) : nullptr) {}
    ~CThreadCLocale() {
        if (m_previous)
            uselocale(m_previous);
    }
    CThreadCLocale(const CThreadCLocale&) = delete;
    CThreadCLocale& operator=(const CThreadCLocale&) = delete;

private:
    locale_t m_previous;
};

} // namespace

double AtofC(std::string_view text) {
    // strtod needs a terminated text; atof is strtod without the end pointer.
    const std::string copy(text.substr(0, text.find('\0')));
    CThreadCLocale cLocale;
    return std::strtod(copy.c_str(), nullptr);
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
