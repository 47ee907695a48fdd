// Number text for fields: display formats and plain forms. Internal to the
// field classes.
#pragma once

#include <string>
#include <string_view>

namespace host {

// Value in a display format: '0' a digit always shown, '#' a digit shown when
// significant, '.' the decimal point, ',' anywhere before it groups the whole
// part by thousands, "..." or '...' literal text, any other character itself.
// Up to three sections separated by ';' serve positive, negative (shown
// without its sign) and zero values. Separators follow FormatSettings.
std::string FormatNumberPattern(std::string_view Format, double Value);

// Value with Digits significant digits, fixed or with an exponent as the
// magnitude asks, without trailing zeros: 0.1 + 0.2 shows as 0.3.
std::string FormatGeneral(double Value, int Digits);

// Value with exactly Decimals decimals.
std::string FormatFixed(double Value, int Decimals);

}  // namespace host
