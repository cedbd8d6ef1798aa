// The PLY reader (polygon files as scanners and photogrammetry programs
// write them): ASCII, binary little-endian and binary big-endian.
//
// From the header it takes the element "vertex" with the properties x, y, z
// (any numeric type, among any other properties in any order; nx, ny, nz
// when all three are there) and the element "face" with its list of vertex
// indices ("vertex_indices" or "vertex_index", any count and index type,
// among any other properties). Every other element (edges, materials,
// tristrips, ...) and property is skipped. Indices count from 0 as PLY
// counts them; the mesh has them from 1, behind the placeholder slot.
//
// A face of k corners becomes k - 2 triangles, split as the OBJ reader
// splits its polygons (PolygonSplitter).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/block_reader.h"
#include "model/mesh.h"

namespace quervik {

// Whether `head`, the first bytes of a file, begins with the line "ply".
bool LooksLikePly(std::string_view head);

// Reads a PLY file from `in` (at its start) into a new mesh: V with its
// placeholder in slot 0 and the vertices in file order, Vn with the vertex
// normals when the vertices have nx, ny and nz (else only its placeholder),
// Fc with the faces in file order, zmin/zmax computed, a new version. The
// process-wide decimal separator is left alone.
//
// Refused with a German message: a header that does not begin with "ply",
// has no "format" line, an unknown format or property type, a line that is
// no header line, or no "end_header" (within 16 MB); a vertex element
// without x, y or z, a face element without its index list; data ending
// before the header's counts are read ("ist unvollständig: 5 von 12
// Elementen 'face' gelesen"); a value that is no number (ASCII); a vertex
// coordinate that is not finite; a face of fewer than three corners or
// naming a vertex beyond the vertex count ("Zeile 14: Eckpunkt 8 existiert
// nicht" in ASCII, "Fläche 5: Eckpunkt 8 existiert nicht" in binary, the
// faces counted from 1); a file without a face ("Die PLY-Datei '<name>'
// enthält keine Flächen"). `name` names the file in the messages.
Mesh ReadPly(BlockReader& in, const std::string& name);

// ReadPly on bytes in memory, handed to the parser `blockBytes` at a time
// (the tests cross every border between blocks with small ones).
Mesh ParsePly(std::string_view data, const std::string& name = {},
              std::size_t blockBytes = BlockReader::kBlockBytes);

}  // namespace quervik
