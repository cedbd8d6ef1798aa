#include "core/errors.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace quervik {
namespace {

TEST(FileErrorText, MapsTheOperatingSystemsErrorsToGermanTexts) {
  EXPECT_EQ(FileErrorText(ENOENT, "/tmp/quervik-does-not-exist.obj"), "Datei nicht gefunden");
  EXPECT_EQ(FileErrorText(ENOENT, "/tmp/no-such-folder-q/x.obj"), "Ungültiger Dateiname");
  EXPECT_EQ(FileErrorText(EACCES, "/x"), "Dateizugriff verweigert");
  EXPECT_EQ(FileErrorText(EISDIR, "/tmp"), "Dateizugriff verweigert");
  EXPECT_EQ(FileErrorText(EMFILE, "/x"), "Zu viele geöffnete Dateien");
  EXPECT_EQ(FileErrorText(ENOSPC, "/x"), "E/A-Fehler 28");
}

TEST(FloatingPointErrors, CarryTheirTexts) {
  EXPECT_THROW(
      {
        try {
          RaiseInvalidOperation();
        } catch (const Error& e) {
          EXPECT_STREQ(e.what(), "Ungültige Gleitkommaoperation");
          throw;
        }
      },
      Error);
  try {
    RaiseDivisionByZero();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Gleitkommadivision durch Null");
  }
}

}  // namespace
}  // namespace quervik
