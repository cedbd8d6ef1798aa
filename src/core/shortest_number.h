// Numbers with the fewest digits that read back as exactly the same 64-bit
// float, so no precision is lost (millimetres at UTM coordinates keep all
// their digits) and nothing is padded: for files that other programs read
// (the contour drawing, GeoJSON, the curve's CSV) and the batch tool's JSON.
#pragma once

#include <cstddef>
#include <string>

namespace quervik {

// The longest text PutShortest writes.
inline constexpr std::size_t kShortestMaxLength = 32;

// Writes the shortest text of the finite value `v` that reads back as `v`:
// plain decimals from 1e-5 up to 1e16 ("5432109.125", "-0.5", "100"),
// scientific notation outside ("1e+20", "2.5e-07"); -0 is written "0".
// Returns the end of the text (at most kShortestMaxLength characters). A
// value that is not finite is the caller's mistake; it gives "nan", "inf" or
// "-inf", which no reader accepts.
char* PutShortest(char* out, double v);

std::string ShortestText(double v);

// The shortest text that reads back to the same double in the notation
// std::to_chars picks (plain or scientific, whichever is shorter: "104.5",
// "2", "1e-07"), with `decimalSeparator`; "NAN", "INF", "-INF" for values
// that are not finite. For the curve's CSV and the volume's JSON.
std::string FormatShortest(double value, char decimalSeparator);

}  // namespace quervik
