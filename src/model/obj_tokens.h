// The token rules of the OBJ reader on string_view. They give exactly what
// the literal rules of the reader (the reference reader of the tests:
// GetStr, GetFloat and GetInt on std::string, compared with these on tricky
// and random lines) give on the same text, but neither allocate nor touch
// the process-wide decimal separator.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <system_error>

#include "core/number_format.h"

namespace quervik::objtok {

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The next token of [p, end): leading spaces skipped, then everything up to
// the next space. Only the space character separates; tabs, carriage returns
// and NUL bytes are ordinary characters. Leaves p at the space behind the
// token (or at end); the next call skips it.
inline std::string_view NextToken(const char*& p, const char* end) {
  while (p < end && *p == ' ') ++p;
  const char* begin = p;
  while (p < end && *p != ' ') ++p;
  return {begin, static_cast<size_t>(p - begin)};
}

// The value of a number token: written with ',' as decimal separator when
// the token holds a comma, else with '.'; 0 when it is no number. `comma`
// tells which separator the token sets.
// `ok` tells whether it was a number.
inline double ParseFloat(std::string_view token, bool& comma, bool& ok) {
  comma = !token.empty() && std::memchr(token.data(), ',', token.size()) != nullptr;
  double value = 0;
  ok = TryStrToFloat(token, value, comma ? ',' : '.');
  return ok ? value : 0;
}
inline double ParseFloat(std::string_view token, bool& comma) {
  bool ok = false;
  return ParseFloat(token, comma, ok);
}

// NextToken followed by ParseFloat, in one pass for the common case: a token
// that std::from_chars reads to its end, beginning with a digit or a point
// (after an optional minus), so that from_chars cannot read "inf" or "nan",
// and not longer than any number TryStrToFloat takes. Such a token holds no
// comma, and from_chars gives the value TryStrToFloat gives, since that
// function hands the same characters to from_chars. Everything else takes
// the general way.
inline double NextFloat(const char*& p, const char* end, bool& comma, bool& ok) {
  while (p < end && *p == ' ') ++p;
  const char* q = p + (p < end && *p == '-' ? 1 : 0);
  if (q < end && (IsDigit(*q) || *q == '.')) {
    double value = 0;
    const auto r = std::from_chars(p, end, value, std::chars_format::general);
    if (r.ec == std::errc() && (r.ptr == end || *r.ptr == ' ') && r.ptr - p <= 64) {
      p = r.ptr;
      comma = false;
      ok = true;
      return value;
    }
  }
  return ParseFloat(NextToken(p, end), comma, ok);
}
inline double NextFloat(const char*& p, const char* end, bool& comma) {
  bool ok = false;
  return NextFloat(p, end, comma, ok);
}

// The value of an integer token: decimal digits with an optional sign, 0
// when invalid or outside the 32-bit range.
inline std::int32_t ParseInt(std::string_view token) {
  size_t i = 0;
  const size_t n = token.size();
  bool negative = false;
  if (i < n && (token[i] == '+' || token[i] == '-')) {
    negative = token[i] == '-';
    ++i;
  }
  if (i == n) return 0;
  std::int64_t value = 0;
  for (; i < n; ++i) {
    const char c = token[i];
    if (!IsDigit(c)) return 0;
    value = value * 10 + (c - '0');
    if (value > std::int64_t{2147483648}) return 0;
  }
  if (negative) value = -value;
  if (value > std::int64_t{2147483647}) return 0;
  return static_cast<std::int32_t>(value);
}

// The vertex part of a face corner "a", "a/b", "a/b/c" or "a//c": the reader
// turns every '/' into a blank and takes the first token, so this is the
// first non-empty part between slashes ("/4" gives "4", "//" gives "").
inline std::string_view CornerVertexPart(std::string_view corner) {
  size_t b = 0;
  while (b < corner.size() && corner[b] == '/') ++b;
  size_t e = b;
  while (e < corner.size() && corner[e] != '/') ++e;
  return corner.substr(b, e - b);
}

// The vertex number of a face corner: its vertex part as ParseInt reads it
// (0 when that is no integer or out of range).
inline std::int32_t CornerNumber(std::string_view corner) {
  return ParseInt(CornerVertexPart(corner));
}

// Whether `text` is decimal digits after an optional sign, whatever their
// value: an integer, perhaps beyond the 32-bit range.
inline bool IsWrittenInteger(std::string_view text) {
  size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) return false;
  }
  return true;
}

// NextToken followed by CornerNumber, in one pass for the common case: up to
// nine digits, perhaps after a minus, ending the token or followed by a
// slash. Everything else takes the general way.
inline std::int32_t NextCorner(const char*& p, const char* end) {
  while (p < end && *p == ' ') ++p;
  const char* q = p;
  const bool negative = q < end && *q == '-';
  if (negative) ++q;
  const char* digits = q;
  std::int32_t value = 0;
  while (q < end && q - digits < 9 && IsDigit(*q)) value = value * 10 + (*q++ - '0');
  const std::ptrdiff_t count = q - digits;
  if (count >= 1 && (q == end || *q == ' ' || *q == '/')) {
    while (q < end && *q != ' ') ++q;  // texture and normal numbers
    p = q;
    return negative ? -value : value;
  }
  return CornerNumber(NextToken(p, end));
}

}  // namespace quervik::objtok
