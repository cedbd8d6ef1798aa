// Reading a mesh file of any of the formats Quervik knows: the format is
// told by the content, not by the name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/mesh.h"
#include "model/obj_reader.h"

namespace quervik {

enum class MeshFormat { kObj, kPly, kStl };

// The format of a file from its first bytes (`head`: the first 64 KiB, or
// the whole file when it is shorter), its size and its path:
// - PLY when the first line is "ply";
// - STL when DetectStl recognises it: binary by the size rule 84 + 50·n,
//   ASCII by "solid" followed by "facet", and a cut-off binary STL named
//   "*.stl";
// - OBJ for anything else, so that the OBJ reader's rules and messages
//   hold for every other file.
MeshFormat DetectMeshFormat(std::string_view head, std::uint64_t fileBytes, std::string_view path);

// Reads the mesh file at `path` in the format DetectMeshFormat finds: an
// OBJ file exactly as ReadMesh reads it (`progress` and `report` as there),
// a PLY file as ReadPly, an STL file as ReadStl, each into a new mesh of the
// same shape (slot 0 placeholders in V, Fc and Vn, zmin/zmax, a new
// version). For PLY and STL `report` is cleared (their numbers are never
// read as 0), and a successful load sets the process-wide decimal separator
// to ".", since their numbers are written with a point. Anything but a regular file is
// refused at once as ReadMesh refuses it, and a file that cannot be opened
// or read raises the German file error. Every refusal is an Error; the
// caller's mesh is never touched.
Mesh ReadMeshFile(const std::string& path, const ReadProgress& progress = {},
                  ObjReadReport* report = nullptr);

}  // namespace quervik
