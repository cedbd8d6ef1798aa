#include "app/series_levels.h"

#include <cmath>

#include "core/errors.h"
#include "core/number_format.h"

namespace quervik {

std::vector<std::string> SeriesLevelTexts(double zmin, double zmax, double dh) {
  if (!(dh > 0)) throw Error("Die Schrittweite muss größer als 0 sein");
  if (std::isnan(zmin) || std::isnan(zmax)) RaiseInvalidOperation();
  const Error tooMany("Die Schrittweite ist zu klein: mehr als " +
                      std::to_string(kMaxSeriesLevels) + " Schnitte");
  auto stepLost = [](double h) {
    return Error("Die Schrittweite ist zu klein: sie ändert die Höhe " + FormatFixed(h, 0, 3) +
                 " nicht");
  };
  // The layer names show three decimals: two levels closer than that would
  // put their sections on one layer.
  auto sharedLayer = [](const std::string& text) {
    return Error("Die Schrittweite ist zu klein: zwei Schnitte kämen auf denselben Layer 'S" +
                 text + "d'");
  };
  // trunc(-0.5) is -0, and -0 would be written "-0.000"; 0 times an
  // infinite step would be NaN.
  const double whole = std::trunc(zmin / dh);
  double H = whole == 0 ? 0.0 : whole * dh;
  if (!std::isfinite(H)) throw tooMany;
  // The count is known before any text is made: a huge series is refused at
  // once instead of after a million texts. A step lost against the heights,
  // or so small that the first levels share a layer, is named as such: that,
  // more than the count, is what the user has to mend.
  const double estimate = (zmax - H) / dh;
  if (!(estimate < static_cast<double>(kMaxSeriesLevels)) && H <= zmax) {
    const double far = std::fabs(H) >= std::fabs(zmax) ? H : zmax;
    if (far + dh == far) throw stepLost(far);
    std::string previous = FormatFixed(H, 8, 3);
    for (int k = 1; k < 3; ++k) {
      std::string text = FormatFixed(H + k * dh, 8, 3);
      if (text == previous) throw sharedLayer(text);
      previous = std::move(text);
    }
    throw tooMany;
  }
  std::vector<std::string> texts;
  do {
    if (texts.size() >= kMaxSeriesLevels) throw tooMany;
    std::string text = FormatFixed(H, 8, 3);
    // The levels rise, so equal texts follow each other.
    if (!texts.empty() && text == texts.back()) throw sharedLayer(text);
    texts.push_back(std::move(text));
    const double nextH = H + dh;
    if (nextH == H) throw stepLost(H);
    H = nextH;
  } while (!(H > zmax));
  return texts;
}

}  // namespace quervik
