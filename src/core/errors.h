// Errors of the program: every failure a user can meet is a quervik::Error
// carrying the exact German text that the window shows in its message box
// and the batch tool prints on stderr.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace quervik {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "Ungültige Gleitkommaoperation": 0/0 and other operations without a result.
[[noreturn]] void RaiseInvalidOperation();
// "Gleitkommadivision durch Null": x/0 with x != 0.
[[noreturn]] void RaiseDivisionByZero();
// "'<text>' ist kein gültiger Gleitkommawert".
[[noreturn]] void RaiseNotAFloat(std::string_view text);

// The German text for a failed file operation on `path`, from the operating
// system's error number: a missing file "Datei nicht gefunden", a missing
// folder or a bad name "Ungültiger Dateiname", no access (also a folder
// opened as a file) "Dateizugriff verweigert", too many open files
// "Zu viele geöffnete Dateien", anything else "E/A-Fehler <errno>".
std::string FileErrorText(int errnoValue, std::string_view path);
[[noreturn]] void RaiseFileError(int errnoValue, std::string_view path);

}  // namespace quervik
