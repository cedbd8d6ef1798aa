// Reading an OBJ text in pieces on several threads, with exactly the result
// of reading it line by line in one pass (obj_reader.cpp).
//
// The text is cut into pieces of `pieceBytes`; a piece reads the lines that
// begin in it (the first one after the first line end in it, the last one to
// its end beyond the piece). Two passes over the pieces, each spread over
// the threads by ParallelBlocks:
//
// 1. Counting: each piece counts its lines and the records they give
//    (vertices, normals, triangles: a face of k corners gives k - 2). Summed
//    in file order, the counts give every piece its first line number and
//    its first slot in V, Vn and Fc, and the arrays are made once, at their
//    final size: no array is ever copied to grow, nothing but the arrays
//    and a read buffer per thread is held.
// 2. Reading: each piece parses its lines straight into its own slots by the
//    same rules as the reading in one pass. A relative corner counts back
//    from the vertices defined before its line, which the counts give
//    exactly. A polygon that is not convex is split as soon as the vertices
//    it names are written (by this piece, or by the pieces before it, which
//    are all done by then); the others wait for the end of the reading, as
//    do polygons naming vertices further down.
//
// Then the pieces' findings are joined in file order: the first faulty line
// of the file, the corners beyond the last vertex, the coordinates read as 0
// (count and first lines), the decimal separator of the last number, the
// height range. A piece whose second reading does not give what it counted
// refuses the file as changed while it was read.
#pragma once

#include <cstddef>
#include <string_view>

#include "model/mesh.h"
#include "model/obj_lines.h"
#include "model/obj_reader.h"

namespace quervik::objpieces {

// `threads` as ParallelBlocks takes it (0: every processor); the source
// must be longer than one piece. `progress` is called on the calling thread
// only, with the share of both passes done.
Mesh ReadInPieces(const objlines::TextSource& source, unsigned threads, std::size_t pieceBytes,
                  std::size_t blockBytes, std::string_view name, const ReadProgress& progress,
                  ObjReadReport& report);

}  // namespace quervik::objpieces
