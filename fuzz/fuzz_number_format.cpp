// Text to number and back: any text is either a number or refused with the
// German text; every accepted number formats and reads back without error.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/errors.h"
#include "core/number_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const char separator = (data[0] & 1) ? ',' : '.';
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  quervik::SetDecimalSeparator(separator);
  double value = 0;
  const bool ok = quervik::TryStrToFloat(text, value, separator);
  try {
    const double thrown = quervik::StrToFloat(text);
    if (!ok || !(thrown == value || (std::isnan(thrown) && std::isnan(value)))) std::abort();
  } catch (const quervik::Error&) {
    if (ok) std::abort();
  }
  if (ok) {
    if (!std::isfinite(value)) std::abort();
    const int decimals = data[0] % 8;
    const std::string formatted = quervik::FormatFixed(value, 10, decimals);
    double back = 0;
    if (!quervik::TryStrToFloat(formatted, back, separator)) std::abort();
    if (std::fabs(back - value) >
        0.5 * std::pow(10.0, -decimals) * (1 + 1e-9) + std::fabs(value) * 1e-15)
      std::abort();
  }
  return 0;
}
