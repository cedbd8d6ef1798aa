// The German texts of the errors a test provokes.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/errors.h"

namespace quervik::test {

// The text of the quervik::Error that `f` raises, or "(kein Fehler)" when
// it raises none.
template <typename F>
std::string ErrorText(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "(kein Fehler)";
}

// Runs `f`, which must raise quervik::Error with exactly `text`.
template <typename F>
void ExpectError(F&& f, const std::string& text) {
  EXPECT_EQ(ErrorText(f), text);
}

}  // namespace quervik::test
