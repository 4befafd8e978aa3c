// Number conversions of texts: integer value, real value and text of a number.
#pragma once

#include <cstdint>

#include "common/text.h"

namespace quelvo {

// Full-width ASCII forms and the ideographic space become their single-byte forms.
Text halfWidth(const Text& text);

// Leading blanks, optional sign, decimal digits up to the first other character; 0 when the text
// does not begin with a number. Values outside the 32-bit range saturate.
std::int32_t textToInteger(const Text& text);

// The longest leading decimal number (sign, digits, point, exponent) after blanks; 0 when none.
double realValue(const Text& text);

// At most 13 significant digits, no point or trailing zeros when whole.
Text numberText(double value);

// Real to 32-bit integer toward zero, saturating; NaN gives 0.
std::int32_t truncateToInt(double value);

}  // namespace quelvo
