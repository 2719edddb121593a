#pragma once

#include <string>
#include <string_view>

// The numbers of the Add/Edit dialogs. Both functions use a point as the
// decimal separator whatever the user's locale, like the texts sent to the
// counters.

// Converts the whole text of a dialog's edit to a number. Blanks and tabs
// before and after the number are skipped; the rest must be one complete
// decimal number (optional sign, digits with an optional point, optional
// exponent). A text that converts to zero must start, after the blanks, with
// the digit 0, so that ".0" or "-0" are refused like any other non-number.
// Values too large for a double are refused too. Nothing of the text is cut
// off before the conversion, however long it is. False leaves value alone.
bool ParseDialogNumber(std::string_view text, double& value);

// The text a dialog's edit starts with: the value with 15 significant digits
// and no trailing zeros ("%.15g"), so 0.0 shows as 0 and 0.3 as 0.3.
std::string FormatDialogNumber(double value);
