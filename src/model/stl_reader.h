// The STL reader, ASCII and binary. STL lists every triangle with its own
// three corner points; corners at exactly the same position (the three
// coordinates equal, 0 and -0 alike) become one vertex, so that sections
// and crease edges see a connected mesh. The vertices are numbered in the
// order in which their positions first appear. The facet normals of the
// file are not vertex normals and are not read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/block_reader.h"
#include "model/mesh.h"

namespace quervik {

enum class StlKind { kNone, kAscii, kBinary };

// What the first bytes of a file (`head`: the first 64 KiB, or the whole
// file when it is shorter) and its size tell:
// - kBinary: the size is 84 + 50·n bytes for the triangle count n in bytes
//   80 … 83 (the 80-byte header may say anything, "solid" too);
// - kAscii: the text begins with "solid", and the line after it with
//   "facet" (or "endsolid": a file without triangles);
// - kBinary also for a file named "*.stl" of at least 84 bytes that holds a
//   zero byte in its first 84 and breaks the size rule: a binary STL file
//   cut short or too long, which the reader then refuses saying so;
// - kNone: anything else.
StlKind DetectStl(std::string_view head, std::uint64_t fileBytes, std::string_view path);

// Reads an STL file of the given kind from `in` (at its start) into a new
// mesh: V with its placeholder in slot 0, Vn with only its placeholder, Fc
// with the triangles in file order, zmin/zmax computed, a new version. An
// ASCII facet whose loop has more than three vertices is split as a
// polygon, as the OBJ reader splits one. The process-wide decimal separator
// is left alone.
//
// Refused with a German message: a binary file whose size does not fit its
// triangle count ("Die STL-Datei '<name>' ist unvollständig: 1000 Dreiecke
// angegeben, aber nur 49980 von 50084 Bytes vorhanden", or "... hat 16
// Bytes mehr, als ihre 1000 Dreiecke brauchen"); a coordinate that is not
// finite; in ASCII a keyword out of place ("Zeile 7: 'endloop' erwartet
// statt 'vertex'"), a value that is no number, a loop of fewer than three
// vertices, a file ending inside a facet; more than 2147483646 distinct
// corners; a file without a triangle ("Die STL-Datei '<name>' enthält keine
// Flächen"). `name` names the file in the messages.
Mesh ReadStl(BlockReader& in, const std::string& name, StlKind kind);

// ReadStl on bytes in memory: ASCII when DetectStl says so, binary
// otherwise; handed to the parser `blockBytes` at a time.
Mesh ParseStl(std::string_view data, const std::string& name = {},
              std::size_t blockBytes = BlockReader::kBlockBytes);

}  // namespace quervik
