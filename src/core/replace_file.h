// Writing a whole file so that a failure never destroys the previous one.
#pragma once

#include <string>
#include <string_view>

namespace quervik {

// Writes `bytes` into the file `path`: under a temporary name beside it,
// forced to disk and renamed over it only when complete. A link is followed
// (the file it names is replaced, the link stays); an existing device or
// pipe is written in place; a file replaced keeps its permissions. Raises
// the German file error ("Ungültiger Dateiname", "Dateizugriff verweigert",
// "E/A-Fehler %d", …); after a failure the temporary file is gone and the
// previous file is as it was.
void WriteFileReplacing(const std::string& path, std::string_view bytes);

}  // namespace quervik
