// The number texts exchanged with the counters, under the "C" locale and a
// comma-decimal one, against the C library's printf and strtod in the "C"
// locale: formatting gives printf's text, reading gives strtod's value, and
// a calibration number reads back as the value printf's text stands for.

#include "FuzzCheck.h"
#include "link/Numbers.h"

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>

namespace {

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// printf "%.*f" in the "C" locale.
std::string Printf(double value, int decimals) {
    const locale_t previous = uselocale(CLocale());
    const int length = std::snprintf(nullptr, 0, "%.*f", decimals, value);
    std::string text(static_cast<size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, "%.*f", decimals, value);
    uselocale(previous);
    return text;
}

// strtod in the "C" locale, on the text up to its first zero byte.
double Strtod(const std::string& text) {
    return strtod_l(text.c_str(), nullptr, CLocale());
}

bool Same(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The comma locale must exist, or half the runs prove nothing.
    FUZZ_CHECK(std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr);
    FUZZ_CHECK(std::setlocale(LC_ALL, "C") != nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 10)
        return 0;
    double value = 0;
    std::memcpy(&value, data, sizeof value);
    const int decimals = data[8] % 21;
    std::setlocale(LC_ALL, (data[9] & 1) ? "de_DE.UTF-8" : "C");
    const std::string text(reinterpret_cast<const char*>(data + 10), size - 10);

    FUZZ_CHECK(FormatFixed(value, decimals) == Printf(value, decimals));
    FUZZ_CHECK(Same(AtofC(text), Strtod(text)));
    FUZZ_CHECK(FormatSizeField(value).size() <= 3);
    if (std::isfinite(value)) {
        const std::string number = FormatCalNumber(value);
        FUZZ_CHECK(number.find(',') == std::string::npos);
        FUZZ_CHECK(AtofC(number) == Strtod(Printf(value, 3)));
    }
    std::setlocale(LC_ALL, "C");
    return 0;
}
