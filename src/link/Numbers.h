#pragma once

#include <string>
#include <string_view>

// Number texts exchanged with the counters always use a point as the decimal
// separator, whatever locale the user runs the program in. These functions
// behave like the C library's atof and printf in the "C" locale and never
// look at the process or thread locale.

// Like atof in the "C" locale: skips leading white space, reads an optional
// sign and the longest prefix that forms a number (decimal with an optional
// point and exponent, also "inf", "infinity", "nan" and hexadecimal "0x..."
// as atof does), ignores the rest, and gives 0 when no number starts the
// text. Out-of-range values give +-HUGE_VAL or the nearest tiny value, as
// atof does.
double AtofC(std::string_view text);

// Like printf "%0.<decimals>f" in the "C" locale: the binary value correctly
// rounded to that many decimals ("nan", "inf", "-inf" for non-finite values).
std::string FormatFixed(double value, int decimals);

// The counter's 3-character size field: "%0.2f", trailing zeros dropped and
// then a leading zero dropped while longer than 3 characters, then cut to 3
// characters (0.3 -> "0.3", 0.25 -> ".25", 5.25 -> "5.2", 15.5 -> "15.").
std::string FormatSizeField(double size);

// A calibration number as the counter takes it: "%0.3f", then trailing
// zeros and then a trailing point dropped (150.5 -> "150.5", 400 -> "400").
std::string FormatCalNumber(double value);
