#include "core/errors.h"

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

namespace quervik {

void RaiseInvalidOperation() {
  throw Error("Ungültige Gleitkommaoperation");
}

void RaiseDivisionByZero() {
  throw Error("Gleitkommadivision durch Null");
}

void RaiseNotAFloat(std::string_view text) {
  throw Error("'" + std::string(text) + "' ist kein gültiger Gleitkommawert");
}

namespace {

bool ParentFolderExists(std::string_view path) {
  std::filesystem::path p{std::string(path)};
  std::filesystem::path parent = p.parent_path();
  if (parent.empty()) return true;  // the working directory
  std::error_code ec;
  return std::filesystem::is_directory(parent, ec);
}

}  // namespace

std::string FileErrorText(int errnoValue, std::string_view path) {
  switch (errnoValue) {
    case ENOENT:
      return ParentFolderExists(path) ? "Datei nicht gefunden" : "Ungültiger Dateiname";
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
      return "Ungültiger Dateiname";
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return "Dateizugriff verweigert";
    case EMFILE:
    case ENFILE:
      return "Zu viele geöffnete Dateien";
    default:
      return "E/A-Fehler " + std::to_string(errnoValue);
  }
}

void RaiseFileError(int errnoValue, std::string_view path) {
  throw Error(FileErrorText(errnoValue, path));
}

}  // namespace quervik
