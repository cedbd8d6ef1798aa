// The Wavefront OBJ reader: vertices ("v "), vertex normals ("vn") and the
// first three corners of each face ("f "). A line is recognised by its first
// two characters exactly; everything else is skipped without a message.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "model/mesh.h"

namespace quervik {

// Token routines. Only the space character separates tokens; a tab is an
// ordinary character. Each removes from `s` its leading blanks, the first
// token and the blanks behind it, and returns that token (or its value).
std::string GetStr(std::string& s);

// The value of the first token, 0 when it is no number. A token holding a
// comma sets the process-wide decimal separator to ',', any other token sets
// it to '.'; the token is then converted with that separator.
double GetFloat(std::string& Satz);

// The value of the first token as a 32-bit integer (decimal digits with an
// optional sign), 0 when it is no integer or out of range.
std::int32_t GetInt(std::string& Satz);

// Called while reading with the share of the file read so far (0..100).
using ReadProgress = std::function<void(int percent)>;

// Reads the OBJ file at `path` into a new mesh: V, Fc and Vn with their
// zero placeholder in slot 0, zmin/zmax computed (0 and 0 without vertices),
// Fn and vp empty, a new version. Leaves the process-wide decimal separator
// as the last number token of a "v " or "vn" line set it.
//
// Negative corner numbers count back from the last vertex read so far (-1 is
// the last one). A file whose face names a vertex that does not exist is
// refused with an error naming the line. A file that cannot be opened or
// read raises the German file error ("Datei nicht gefunden", ...). The
// caller's current mesh is never touched: replace it only on success.
Mesh ReadMesh(const std::string& path, const ReadProgress& progress = {});

}  // namespace quervik
