#include "core/number_format.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "core/errors.h"

namespace quervik {

namespace {

std::atomic<char> g_separator{'.'};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

char DecimalSeparator() {
  return g_separator.load(std::memory_order_relaxed);
}

void SetDecimalSeparator(char separator) {
  g_separator.store(separator, std::memory_order_relaxed);
}

bool TryStrToFloat(std::string_view text, double& out, char separator) {
  size_t i = 0;
  size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  while (n > i && text[n - 1] == ' ') --n;
  if (i == n) return false;

  // Copy into a normalised form that std::from_chars takes: no '+', '.' as
  // separator. Numbers that are longer than the buffer are not numbers anyone
  // typed; they are refused rather than cut.
  char buf[512];
  size_t len = 0;
  auto put = [&](char c) {
    if (len >= sizeof buf) return false;
    buf[len++] = c;
    return true;
  };
  if (text[i] == '+' || text[i] == '-') {
    if (text[i] == '-' && !put('-')) return false;
    ++i;
  }
  size_t digits = 0;
  while (i < n && IsDigit(text[i])) {
    if (!put(text[i++])) return false;
    ++digits;
  }
  if (i < n && text[i] == separator) {
    ++i;
    if (!put('.')) return false;
    while (i < n && IsDigit(text[i])) {
      if (!put(text[i++])) return false;
      ++digits;
    }
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (!put('e')) return false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
      if (!put(text[i++])) return false;
    }
    size_t expDigits = 0;
    while (i < n && IsDigit(text[i])) {
      if (!put(text[i++])) return false;
      ++expDigits;
    }
    if (expDigits == 0) return false;
  }
  if (i != n) return false;

  double value = 0;
  auto [ptr, ec] = std::from_chars(buf, buf + len, value, std::chars_format::general);
  if (ptr != buf + len) return false;
  if (ec == std::errc::result_out_of_range) {
    // Out of range is either an overflow (refused) or an underflow (which
    // becomes zero or a subnormal, as strtod gives it).
    if (!put('\0')) return false;
    errno = 0;
    value = std::strtod(buf, nullptr);
    if (std::isinf(value)) return false;
  } else if (ec != std::errc()) {
    return false;
  }
  out = value;
  return true;
}

double StrToFloat(std::string_view text) {
  double value = 0;
  if (!TryStrToFloat(text, value, DecimalSeparator())) RaiseNotAFloat(text);
  return value;
}

std::string FormatFixed(double value, int width, int decimals, char separator) {
  std::string body;
  if (std::isnan(value)) {
    body = "NAN";
  } else if (std::isinf(value)) {
    body = value < 0 ? "-INF" : "INF";
  } else {
    const bool negative = std::signbit(value);
    const double magnitude = std::fabs(value);
    // A tie has a finite decimal expansion ending in the digit 5 right after
    // the last kept decimal. Any other double differs from a tie within
    // 2*decimals + 17 decimals, so that many digits decide it exactly.
    char exact[1200];
    const int probe = 2 * decimals + 20;
    auto r = std::to_chars(exact, exact + sizeof exact, magnitude, std::chars_format::fixed, probe);
    std::string digits(exact, r.ptr);
    const size_t point = digits.find('.');
    bool tie = digits[point + 1 + static_cast<size_t>(decimals)] == '5';
    for (size_t k = point + 2 + static_cast<size_t>(decimals); tie && k < digits.size(); ++k) {
      tie = digits[k] == '0';
    }
    if (tie) {
      // Keep `decimals` digits and add one unit in the last place.
      digits.resize(decimals > 0 ? point + 1 + static_cast<size_t>(decimals) : point);
      int k = static_cast<int>(digits.size()) - 1;
      for (; k >= 0; --k) {
        if (digits[static_cast<size_t>(k)] == '.') continue;
        if (digits[static_cast<size_t>(k)] == '9') {
          digits[static_cast<size_t>(k)] = '0';
        } else {
          ++digits[static_cast<size_t>(k)];
          break;
        }
      }
      if (k < 0) digits.insert(digits.begin(), '1');
    } else {
      r = std::to_chars(exact, exact + sizeof exact, magnitude, std::chars_format::fixed, decimals);
      digits.assign(exact, r.ptr);
    }
    if (separator != '.') {
      const size_t p = digits.find('.');
      if (p != std::string::npos) digits[p] = separator;
    }
    body = negative ? "-" + digits : digits;
  }
  if (static_cast<int>(body.size()) < width) {
    body.insert(0, static_cast<size_t>(width) - body.size(), ' ');
  }
  return body;
}

std::string FormatFixed(double value, int width, int decimals) {
  return FormatFixed(value, width, decimals, DecimalSeparator());
}

}  // namespace quervik
