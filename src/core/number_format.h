// The process-wide number format: one decimal separator shared by every
// conversion between text and number in the window (and the batch tool).
// The window sets it to '.' each time it is activated; the OBJ reader sets
// it to ',' or '.' for every number it reads, and it stays as the reader
// left it. DXF files never use it: they always write '.'.
#pragma once

#include <string>
#include <string_view>

namespace quervik {

char DecimalSeparator();
void SetDecimalSeparator(char separator);

// Parses `text` as a number written with `separator`: optional blanks,
// an optional sign, digits with at most one separator (at least one digit),
// an optional exponent (e or E, optional sign, digits), optional blanks.
// Nothing else is a number: no thousands separator, no "inf" or "nan", no
// hexadecimal. A value too large for a 64-bit float is not a number; one too
// small becomes 0. Returns false (and leaves `out` alone) when it is no number.
bool TryStrToFloat(std::string_view text, double& out, char separator);

// Like TryStrToFloat with the process-wide separator; raises
// "'<text>' ist kein gültiger Gleitkommawert" when the text is no number.
double StrToFloat(std::string_view text);

// The value in fixed-point notation with `decimals` decimals, right-aligned
// in at least `width` characters (a longer number is not cut), with the given
// separator: like printf's "%<width>.<decimals>f", except that a value lying
// exactly halfway between two results rounds away from zero (0.0625 with 3
// decimals gives "0.063", 0.5 with none gives "1"), as people expect; printf
// rounds such ties to even. Values that are not finite give "NAN", "INF",
// "-INF".
std::string FormatFixed(double value, int width, int decimals, char separator);

// FormatFixed with the process-wide separator.
std::string FormatFixed(double value, int width, int decimals);

}  // namespace quervik
