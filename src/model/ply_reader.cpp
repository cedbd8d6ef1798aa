#include "model/ply_reader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "core/errors.h"
#include "core/shortest_number.h"
#include "model/polygon_faces.h"
#include "model/reader_text.h"

namespace quervik {

namespace {

using readtext::LinePrefix;
using readtext::Quoted;

// A header longer than this is no header: the search for "end_header" ends.
constexpr std::uint64_t kMaxHeaderBytes = std::uint64_t{16} << 20;
// Vertex numbers must fit the 32-bit corners of a face, behind slot 0.
constexpr std::uint64_t kMaxVertices = std::numeric_limits<std::int32_t>::max() - 1;

enum class PlyType : std::uint8_t {
  kInt8,
  kUInt8,
  kInt16,
  kUInt16,
  kInt32,
  kUInt32,
  kFloat32,
  kFloat64
};

std::size_t Bytes(PlyType t) {
  switch (t) {
    case PlyType::kInt8:
    case PlyType::kUInt8:
      return 1;
    case PlyType::kInt16:
    case PlyType::kUInt16:
      return 2;
    case PlyType::kInt32:
    case PlyType::kUInt32:
    case PlyType::kFloat32:
      return 4;
    case PlyType::kFloat64:
      return 8;
  }
  return 1;
}

bool IsWhole(PlyType t) {
  return t != PlyType::kFloat32 && t != PlyType::kFloat64;
}

bool TypeNamed(std::string_view name, PlyType& type) {
  struct Named {
    std::string_view name;
    PlyType type;
  };
  static constexpr Named kNames[] = {
      {"char", PlyType::kInt8},      {"int8", PlyType::kInt8},       {"uchar", PlyType::kUInt8},
      {"uint8", PlyType::kUInt8},    {"short", PlyType::kInt16},     {"int16", PlyType::kInt16},
      {"ushort", PlyType::kUInt16},  {"uint16", PlyType::kUInt16},   {"int", PlyType::kInt32},
      {"int32", PlyType::kInt32},    {"uint", PlyType::kUInt32},     {"uint32", PlyType::kUInt32},
      {"float", PlyType::kFloat32},  {"float32", PlyType::kFloat32}, {"double", PlyType::kFloat64},
      {"float64", PlyType::kFloat64}};
  for (const Named& n : kNames) {
    if (n.name == name) {
      type = n.type;
      return true;
    }
  }
  return false;
}

// Calls f(std::type_identity<T>{}) with the C++ type of a PLY type.
template <typename F>
decltype(auto) WithType(PlyType t, F&& f) {
  switch (t) {
    case PlyType::kInt8:
      return f(std::type_identity<std::int8_t>{});
    case PlyType::kUInt8:
      return f(std::type_identity<std::uint8_t>{});
    case PlyType::kInt16:
      return f(std::type_identity<std::int16_t>{});
    case PlyType::kUInt16:
      return f(std::type_identity<std::uint16_t>{});
    case PlyType::kInt32:
      return f(std::type_identity<std::int32_t>{});
    case PlyType::kUInt32:
      return f(std::type_identity<std::uint32_t>{});
    case PlyType::kFloat32:
      return f(std::type_identity<float>{});
    case PlyType::kFloat64:
      break;
  }
  return f(std::type_identity<double>{});
}

template <std::size_t N>
struct BitsOf;
template <>
struct BitsOf<2> {
  using type = std::uint16_t;
};
template <>
struct BitsOf<4> {
  using type = std::uint32_t;
};
template <>
struct BitsOf<8> {
  using type = std::uint64_t;
};

// A value of type T stored at p, its bytes reversed when kSwap.
template <typename T, bool kSwap>
inline T Load(const char* p) {
  if constexpr (sizeof(T) == 1) {
    T v;
    std::memcpy(&v, p, 1);
    return v;
  } else {
    using U = typename BitsOf<sizeof(T)>::type;
    U bits;
    std::memcpy(&bits, p, sizeof(U));
    if constexpr (kSwap) {
      if constexpr (sizeof(U) == 2) bits = __builtin_bswap16(bits);
      if constexpr (sizeof(U) == 4) bits = __builtin_bswap32(bits);
      if constexpr (sizeof(U) == 8) bits = __builtin_bswap64(bits);
    }
    return std::bit_cast<T>(bits);
  }
}

double LoadNumber(PlyType t, const char* p, bool swap) {
  return WithType(t, [&]<typename T>(std::type_identity<T>) {
    return static_cast<double>(swap ? Load<T, true>(p) : Load<T, false>(p));
  });
}

// Whether the index `v` names one of `n` vertices.
template <typename I>
inline bool NamesVertex(I v, std::uint64_t n) {
  if constexpr (std::is_signed_v<I>) {
    return v >= 0 && static_cast<std::uint64_t>(v) < n;
  } else {
    return static_cast<std::uint64_t>(v) < n;
  }
}

// A value read as a list count or index: whole and within ±2^53.
bool WholeNumber(double v, std::int64_t& out) {
  if (!(std::fabs(v) <= 9007199254740992.0) || v != std::trunc(v)) return false;
  out = static_cast<std::int64_t>(v);
  return true;
}

enum class Role : std::uint8_t { kSkip, kX, kY, kZ, kNx, kNy, kNz, kCorners };

struct Property {
  std::string name;
  PlyType type = PlyType::kUInt8;
  bool list = false;
  PlyType countType = PlyType::kUInt8;
  Role role = Role::kSkip;
  std::int64_t line = 0;
};

struct Element {
  std::string name;
  std::uint64_t count = 0;
  std::int64_t line = 0;
  std::vector<Property> properties;

  bool HasList() const {
    return std::any_of(properties.begin(), properties.end(),
                       [](const Property& p) { return p.list; });
  }
  // The fewest bytes one instance takes in a binary file (its size when it
  // has no list).
  std::uint64_t MinBytes() const {
    std::uint64_t n = 0;
    for (const Property& p : properties) n += p.list ? Bytes(p.countType) : Bytes(p.type);
    return n;
  }
  const Property* Find(Role role) const {
    for (const Property& p : properties) {
      if (p.role == role) return &p;
    }
    return nullptr;
  }
  std::size_t OffsetOf(Role role) const {
    std::size_t at = 0;
    for (const Property& p : properties) {
      if (p.role == role) return at;
      at += Bytes(p.type);
    }
    return at;
  }
};

enum class Format { kNone, kAscii, kBinaryLittle, kBinaryBig };

class PlyReader {
 public:
  PlyReader(BlockReader& in, const std::string& name) : in_(in), name_(name), faces_(mesh_) {}

  Mesh Read() {
    ReadHeader();
    mesh_.V.assign(1, Tvertex{});
    mesh_.Fc.assign(1, TFace{});
    mesh_.Vn.assign(1, Tvect3D{});
    std::optional<TextTokens> tokens;
    if (format_ == Format::kAscii) {
      tokens.emplace(in_, headerLines_ + 1);
      tokens_ = &*tokens;
    }
    for (const Element& e : elements_) {
      if (&e == vertex_) {
        ReadVertices(e);
        verticesRead_ = true;
      } else if (&e == face_) {
        ReadFaces(e);
      } else {
        SkipElement(e);
      }
    }
    faces_.Finish();
    if (mesh_.Fc.size() == 1) throw Error("Die PLY-Datei '" + name_ + "' enthält keine Flächen");
    ZMinMax(mesh_);
    mesh_.version = NewMeshVersion();
    return std::move(mesh_);
  }

 private:
  // --- the header ---

  [[noreturn]] void BadHeaderLine(std::string_view text) const {
    throw Error(LinePrefix(headerLines_) + "'" + Quoted(text) + "' ist keine gültige Kopfzeile");
  }

  // The next header line without its line end; nothing at the end of input.
  std::optional<std::string_view> HeaderLine() {
    std::size_t scanned = 0;
    for (;;) {
      const std::size_t held = static_cast<std::size_t>(in_.end - in_.p);
      const char* lf = static_cast<const char*>(std::memchr(in_.p + scanned, '\n', held - scanned));
      if (lf != nullptr) {
        const char* begin = in_.p;
        const char* stop = lf;
        if (stop > begin && stop[-1] == '\r') --stop;
        in_.p = lf + 1;
        ++headerLines_;
        return std::string_view(begin, static_cast<std::size_t>(stop - begin));
      }
      scanned = held;
      if (in_.Offset() + held > kMaxHeaderBytes) {
        throw Error("Der Kopf der PLY-Datei '" + name_ + "' ist länger als 16 MB");
      }
      if (!in_.ReadMore()) {
        if (in_.p == in_.end) return std::nullopt;
        const std::string_view last(in_.p, static_cast<std::size_t>(in_.end - in_.p));
        in_.p = in_.end;
        ++headerLines_;
        return last;
      }
    }
  }

  static std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      const std::size_t b = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
      if (i > b) words.push_back(line.substr(b, i - b));
    }
    return words;
  }

  PlyType TypeOf(std::string_view word) const {
    PlyType t{};
    if (!TypeNamed(word, t)) {
      throw Error(LinePrefix(headerLines_) + "unbekannter Eigenschaftstyp '" + Quoted(word) + "'");
    }
    return t;
  }

  void ReadHeader() {
    const std::optional<std::string_view> first = HeaderLine();
    if (!first || Words(*first) != std::vector<std::string_view>{"ply"}) {
      throw Error("Die Datei '" + name_ + "' beginnt nicht mit 'ply'");
    }
    for (;;) {
      const std::optional<std::string_view> line = HeaderLine();
      if (!line) {
        throw Error("Der Kopf der PLY-Datei '" + name_ + "' endet nicht mit 'end_header'");
      }
      const std::vector<std::string_view> w = Words(*line);
      if (w.empty() || w[0] == "comment" || w[0] == "obj_info") continue;
      if (w[0] == "end_header" && w.size() == 1) break;
      if (w[0] == "format" && w.size() == 3) {
        if (w[1] == "ascii") {
          format_ = Format::kAscii;
        } else if (w[1] == "binary_little_endian") {
          format_ = Format::kBinaryLittle;
        } else if (w[1] == "binary_big_endian") {
          format_ = Format::kBinaryBig;
        } else {
          throw Error(LinePrefix(headerLines_) + "unbekanntes PLY-Format '" + Quoted(w[1]) + "'");
        }
      } else if (w[0] == "element" && w.size() == 3) {
        Element e;
        e.name = std::string(w[1]);
        e.line = headerLines_;
        std::int64_t count = 0;
        if (!readtext::ParseInteger(w[2], count) || count < 0 || w[2][0] == '+') {
          throw Error(LinePrefix(headerLines_) + "'" + Quoted(w[2]) + "' ist keine gültige Anzahl");
        }
        e.count = static_cast<std::uint64_t>(count);
        elements_.push_back(std::move(e));
      } else if (w[0] == "property" && (w.size() == 3 || (w.size() == 5 && w[1] == "list"))) {
        if (elements_.empty()) BadHeaderLine(*line);
        Property p;
        p.line = headerLines_;
        if (w.size() == 5) {
          p.list = true;
          p.countType = TypeOf(w[2]);
          p.type = TypeOf(w[3]);
          p.name = std::string(w[4]);
        } else {
          p.type = TypeOf(w[1]);
          p.name = std::string(w[2]);
        }
        elements_.back().properties.push_back(std::move(p));
      } else {
        BadHeaderLine(*line);
      }
    }
    if (format_ == Format::kNone) {
      throw Error("Der Kopf der PLY-Datei '" + name_ + "' hat keine Zeile 'format'");
    }
    swap_ = (format_ == Format::kBinaryBig) == (std::endian::native == std::endian::little);
    FindRoles();
  }

  void FindRoles() {
    for (Element& e : elements_) {
      if (e.name == "vertex" && vertex_ == nullptr) {
        vertex_ = &e;
        static constexpr std::pair<std::string_view, Role> kRoles[] = {
            {"x", Role::kX},   {"y", Role::kY},   {"z", Role::kZ},
            {"nx", Role::kNx}, {"ny", Role::kNy}, {"nz", Role::kNz}};
        for (Property& p : e.properties) {
          for (const auto& [name, role] : kRoles) {
            if (p.name == name && e.Find(role) == nullptr) {
              if (p.list && (role == Role::kX || role == Role::kY || role == Role::kZ)) {
                throw Error(LinePrefix(p.line) + "Eigenschaft '" + std::string(name) +
                            "' von 'vertex' ist eine Liste");
              }
              if (!p.list) p.role = role;
            }
          }
        }
        for (const auto& [name, role] :
             {std::pair<const char*, Role>{"x", Role::kX}, {"y", Role::kY}, {"z", Role::kZ}}) {
          if (e.Find(role) == nullptr) {
            throw Error(LinePrefix(e.line) + "Element 'vertex' ohne Eigenschaft '" + name + "'");
          }
        }
        normals_ = e.Find(Role::kNx) && e.Find(Role::kNy) && e.Find(Role::kNz);
        if (e.count > kMaxVertices) {
          throw Error(LinePrefix(e.line) + "mehr als " + std::to_string(kMaxVertices) +
                      " Eckpunkte");
        }
      } else if (e.name == "face" && face_ == nullptr) {
        face_ = &e;
        for (Property& p : e.properties) {
          if (p.name == "vertex_indices" || p.name == "vertex_index") {
            if (p.list) p.role = Role::kCorners;
            break;
          }
        }
        if (e.Find(Role::kCorners) == nullptr) {
          throw Error(LinePrefix(e.line) + "Element 'face' ohne Liste 'vertex_indices'");
        }
      }
    }
    if (face_ != nullptr && face_->count > 0 && vertex_ == nullptr) {
      throw Error("Der Kopf der PLY-Datei '" + name_ + "' hat kein Element 'vertex'");
    }
    vertexCount_ = vertex_ != nullptr ? vertex_->count : 0;
  }

  // --- messages about the data ---

  [[noreturn]] void Truncated(const Element& e, std::uint64_t read) const {
    throw Error("Die PLY-Datei '" + name_ + "' ist unvollständig: " + std::to_string(read) +
                " von " + std::to_string(e.count) + " Elementen '" + Quoted(e.name) + "' gelesen");
  }
  [[noreturn]] void NoNumber(std::string_view token) const {
    throw Error(LinePrefix(tokens_->line()) + "'" + Quoted(token) + "' ist keine gültige Zahl");
  }
  [[noreturn]] void NotFinite(std::uint64_t vertex) const {
    throw Error("Eckpunkt " + std::to_string(vertex) +
                " hat eine Koordinate, die keine endliche Zahl ist");
  }
  // The start of a message about instance i (counted from 0) of element e:
  // its line in an ASCII file; in a binary one a face by its number from 1,
  // a vertex by its index as the faces name it, another element by its name
  // and number.
  std::string Where(const Element& e, std::uint64_t i) const {
    if (tokens_ != nullptr) return LinePrefix(tokens_->line());
    if (&e == face_) return "Fläche " + std::to_string(i + 1) + ": ";
    if (&e == vertex_) return "Eckpunkt " + std::to_string(i) + ": ";
    return "Element '" + Quoted(e.name) + "' Nr. " + std::to_string(i + 1) + ": ";
  }
  [[noreturn]] void FewCorners(std::uint64_t f) const {
    throw Error(Where(*face_, f) + (tokens_ != nullptr ? "Fläche mit weniger als 3 Eckpunkten"
                                                       : "weniger als 3 Eckpunkte"));
  }
  [[noreturn]] void NoVertex(std::uint64_t f, const std::string& written) const {
    throw Error(Where(*face_, f) + "Eckpunkt " + written + " existiert nicht");
  }
  [[noreturn]] void BadCount(const Element& e, std::uint64_t i, const std::string& written) const {
    throw Error(Where(e, i) + "'" + written + "' ist keine gültige Anzahl");
  }

  // An upper bound of the triangles the rest of the input can hold: each
  // takes at least one more corner.
  std::uint64_t MoreTriangles(std::size_t cornerBytes) const {
    return in_.Remaining() / cornerBytes + 1;
  }

  // --- vertices ---

  void ReserveVertices(const Element& e, std::uint64_t minBytes) {
    const std::uint64_t fit = in_.Remaining() / std::max<std::uint64_t>(minBytes, 1);
    const auto n = static_cast<std::size_t>(std::min(e.count, fit)) + 1;
    mesh_.V.reserve(n);
    if (normals_) mesh_.Vn.reserve(n);
  }

  void Store(std::uint64_t i, const double (&v)[6]) {
    if (!(std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]))) NotFinite(i);
    mesh_.V.push_back(Tvertex{v[0], v[1], v[2]});
    if (normals_) mesh_.Vn.push_back(Tvect3D{v[3], v[4], v[5]});
  }

  void ReadVertices(const Element& e) {
    if (tokens_ != nullptr) {
      ReserveVertices(e, 2 * e.properties.size());
      AsciiVertices(e);
      return;
    }
    ReserveVertices(e, e.MinBytes());
    const PlyType t = e.Find(Role::kX)->type;
    bool same = !e.HasList() && e.Find(Role::kY)->type == t && e.Find(Role::kZ)->type == t;
    if (normals_) {
      same = same && e.Find(Role::kNx)->type == t && e.Find(Role::kNy)->type == t &&
             e.Find(Role::kNz)->type == t;
    }
    if (!same) {
      GeneralBinaryVertices(e);
      return;
    }
    WithType(t, [&]<typename T>(std::type_identity<T>) {
      if (swap_) {
        FixedVertices<T, true>(e);
      } else {
        FixedVertices<T, false>(e);
      }
    });
  }

  // Vertices of one size whose coordinates share one type: whole blocks of
  // records at a time.
  template <typename T, bool kSwap>
  void FixedVertices(const Element& e) {
    const std::size_t size = static_cast<std::size_t>(e.MinBytes());
    const std::size_t ox = e.OffsetOf(Role::kX), oy = e.OffsetOf(Role::kY),
                      oz = e.OffsetOf(Role::kZ);
    const std::size_t onx = e.OffsetOf(Role::kNx), ony = e.OffsetOf(Role::kNy),
                      onz = e.OffsetOf(Role::kNz);
    std::uint64_t i = 0;
    while (i < e.count) {
      const std::uint64_t held = static_cast<std::uint64_t>(in_.end - in_.p) / size;
      if (held == 0) {
        if (!in_.Ensure(size)) Truncated(e, i);
        continue;
      }
      const std::uint64_t take = std::min(held, e.count - i);
      const char* p = in_.p;
      for (std::uint64_t j = 0; j < take; ++j, p += size) {
        const double x = static_cast<double>(Load<T, kSwap>(p + ox));
        const double y = static_cast<double>(Load<T, kSwap>(p + oy));
        const double z = static_cast<double>(Load<T, kSwap>(p + oz));
        if constexpr (std::is_floating_point_v<T>) {
          if (!(std::isfinite(x) && std::isfinite(y) && std::isfinite(z))) NotFinite(i + j);
        }
        mesh_.V.push_back(Tvertex{x, y, z});
        if (normals_) {
          mesh_.Vn.push_back(Tvect3D{static_cast<double>(Load<T, kSwap>(p + onx)),
                                     static_cast<double>(Load<T, kSwap>(p + ony)),
                                     static_cast<double>(Load<T, kSwap>(p + onz))});
        }
      }
      in_.p = p;
      i += take;
    }
  }

  // Reads the count of a list of instance i of e at in_.p; false at the end
  // of the input.
  bool ListCount(const Element& e, std::uint64_t i, PlyType type, std::uint64_t& count) {
    if (!in_.Ensure(Bytes(type))) return false;
    const double c = LoadNumber(type, in_.p, swap_);
    in_.p += Bytes(type);
    std::int64_t whole = 0;
    if (!WholeNumber(c, whole) || whole < 0) BadCount(e, i, ShortestText(c));
    count = static_cast<std::uint64_t>(whole);
    return true;
  }

  // Skips `count` values of `type`; false at the end of the input.
  bool SkipValues(std::uint64_t count, PlyType type) {
    const std::uint64_t size = Bytes(type);
    if (count > std::numeric_limits<std::uint64_t>::max() / size) return false;
    return in_.Skip(count * size);
  }

  void GeneralBinaryVertices(const Element& e) {
    for (std::uint64_t i = 0; i < e.count; ++i) {
      double v[6] = {0, 0, 0, 0, 0, 0};
      for (const Property& p : e.properties) {
        if (p.list) {
          std::uint64_t n = 0;
          if (!ListCount(e, i, p.countType, n) || !SkipValues(n, p.type)) Truncated(e, i);
          continue;
        }
        if (!in_.Ensure(Bytes(p.type))) Truncated(e, i);
        if (p.role != Role::kSkip) {
          v[static_cast<int>(p.role) - 1] = LoadNumber(p.type, in_.p, swap_);
        }
        in_.p += Bytes(p.type);
      }
      Store(i, v);
    }
  }

  void AsciiVertices(const Element& e) {
    for (std::uint64_t i = 0; i < e.count; ++i) {
      double v[6] = {0, 0, 0, 0, 0, 0};
      for (const Property& p : e.properties) {
        if (p.list) {
          SkipAsciiList(e, i);
          continue;
        }
        if (p.role == Role::kSkip) {
          if (tokens_->Next().empty()) Truncated(e, i);
          continue;
        }
        double& out = v[static_cast<int>(p.role) - 1];
        std::string_view t;
        if (!tokens_->NextNumber(out, t)) {
          if (t.empty()) Truncated(e, i);
          NoNumber(t);
        }
        if (p.role <= Role::kZ && !std::isfinite(out)) NoNumber(t);
      }
      mesh_.V.push_back(Tvertex{v[0], v[1], v[2]});
      if (normals_) mesh_.Vn.push_back(Tvect3D{v[3], v[4], v[5]});
    }
  }

  // The next corner of face f of e in an ASCII file, whose indices are of
  // the type of p.
  std::int32_t AsciiCorner(const Property& p, const Element& e, std::uint64_t f) {
    std::int64_t v = 0;
    std::string_view t;
    if (!tokens_->NextInteger(v, t)) {
      if (t.empty()) Truncated(e, f);
      double d = 0;
      if (IsWhole(p.type) || !readtext::ParseNumber(t, d) || !WholeNumber(d, v)) {
        throw Error(LinePrefix(tokens_->line()) + "'" + Quoted(t) +
                    "' ist keine gültige Eckpunktnummer");
      }
    }
    if (v < 0 || static_cast<std::uint64_t>(v) >= vertexCount_) NoVertex(f, std::to_string(v));
    return static_cast<std::int32_t>(v) + 1;
  }

  // A list count in an ASCII file that was not read as a plain whole number:
  // `t` as a whole number, not negative; the end of input is no count.
  std::uint64_t AsciiCount(std::string_view t, const Element& e, std::uint64_t i) const {
    if (t.empty()) Truncated(e, i);
    return AsciiCount(t);
  }

  // A list count in an ASCII file: a whole number, not negative.
  std::uint64_t AsciiCount(std::string_view t) const {
    std::int64_t n = 0;
    double d = 0;
    if ((!readtext::ParseInteger(t, n) && !(readtext::ParseNumber(t, d) && WholeNumber(d, n))) ||
        n < 0) {
      throw Error(LinePrefix(tokens_->line()) + "'" + Quoted(t) + "' ist keine gültige Anzahl");
    }
    return static_cast<std::uint64_t>(n);
  }

  void SkipAsciiList(const Element& e, std::uint64_t i) {
    const std::string_view t = tokens_->Next();
    if (t.empty()) Truncated(e, i);
    const std::uint64_t n = AsciiCount(t);
    for (std::uint64_t k = 0; k < n; ++k) {
      if (tokens_->Next().empty()) Truncated(e, i);
    }
  }

  // --- faces ---

  void ReadFaces(const Element& e) {
    const Property& list = *e.Find(Role::kCorners);
    if (tokens_ != nullptr) {
      // "3 0 1 2\n" and two bytes for every other value.
      const std::uint64_t fit = in_.Remaining() / (8 + 2 * (e.properties.size() - 1));
      mesh_.Fc.reserve(static_cast<std::size_t>(std::min(e.count, fit)) + 1);
      AsciiFaces(e);
      return;
    }
    const std::uint64_t fit = in_.Remaining() / (e.MinBytes() + 3 * Bytes(list.type));
    mesh_.Fc.reserve(static_cast<std::size_t>(std::min(e.count, fit)) + 1);
    if (e.properties.size() == 1 && IsWhole(list.countType) && IsWhole(list.type)) {
      WithType(list.countType, [&]<typename C>(std::type_identity<C>) {
        WithType(list.type, [&]<typename I>(std::type_identity<I>) {
          if (swap_) {
            CornerLists<C, I, true>(e);
          } else {
            CornerLists<C, I, false>(e);
          }
        });
      });
      return;
    }
    GeneralBinaryFaces(e);
  }

  // Faces that are nothing but their list of whole-number indices: a
  // triangle held whole in the buffer is taken at once.
  template <typename C, typename I, bool kSwap>
  void CornerLists(const Element& e) {
    constexpr std::size_t kTriangle = sizeof(C) + 3 * sizeof(I);
    const std::uint64_t n = vertexCount_;
    for (std::uint64_t f = 0; f < e.count; ++f) {
      const char* p = in_.p;
      if (static_cast<std::size_t>(in_.end - p) >= kTriangle && Load<C, kSwap>(p) == 3) {
        const I a = Load<I, kSwap>(p + sizeof(C));
        const I b = Load<I, kSwap>(p + sizeof(C) + sizeof(I));
        const I c = Load<I, kSwap>(p + sizeof(C) + 2 * sizeof(I));
        if (NamesVertex(a, n) && NamesVertex(b, n) && NamesVertex(c, n)) {
          faces_.Triangle(static_cast<std::int32_t>(a) + 1, static_cast<std::int32_t>(b) + 1,
                          static_cast<std::int32_t>(c) + 1, MoreTriangles(sizeof(I)));
          in_.p = p + kTriangle;
          continue;
        }
      }
      if (!in_.Ensure(sizeof(C))) Truncated(e, f);
      const C k = Load<C, kSwap>(in_.p);
      in_.p += sizeof(C);
      if constexpr (std::is_signed_v<C>) {
        if (k < 0) BadCount(e, f, std::to_string(k));
      }
      if (k < 3) FewCorners(f);
      corners_.clear();
      for (std::uint64_t j = 0; j < static_cast<std::uint64_t>(k); ++j) {
        if (!in_.Ensure(sizeof(I))) Truncated(e, f);
        const I v = Load<I, kSwap>(in_.p);
        in_.p += sizeof(I);
        if (!NamesVertex(v, n)) NoVertex(f, std::to_string(v));
        corners_.push_back(static_cast<std::int32_t>(v) + 1);
      }
      faces_.Polygon(corners_, verticesRead_, MoreTriangles(sizeof(I)));
    }
  }

  // A corner index read as a double (from any binary type).
  std::int32_t Corner(double v, std::uint64_t f) const {
    std::int64_t whole = 0;
    if (!WholeNumber(v, whole) || whole < 0 || static_cast<std::uint64_t>(whole) >= vertexCount_) {
      NoVertex(f, ShortestText(v));
    }
    return static_cast<std::int32_t>(whole) + 1;
  }

  void GeneralBinaryFaces(const Element& e) {
    for (std::uint64_t f = 0; f < e.count; ++f) {
      for (const Property& p : e.properties) {
        if (!p.list) {
          if (!in_.Skip(Bytes(p.type))) Truncated(e, f);
          continue;
        }
        std::uint64_t k = 0;
        if (!ListCount(e, f, p.countType, k)) Truncated(e, f);
        if (p.role != Role::kCorners) {
          if (!SkipValues(k, p.type)) Truncated(e, f);
          continue;
        }
        if (k < 3) FewCorners(f);
        corners_.clear();
        const std::size_t size = Bytes(p.type);
        for (std::uint64_t j = 0; j < k; ++j) {
          if (!in_.Ensure(size)) Truncated(e, f);
          corners_.push_back(Corner(LoadNumber(p.type, in_.p, swap_), f));
          in_.p += size;
        }
        faces_.Polygon(corners_, verticesRead_, MoreTriangles(size));
      }
    }
  }

  void AsciiFaces(const Element& e) {
    for (std::uint64_t f = 0; f < e.count; ++f) {
      for (const Property& p : e.properties) {
        if (p.role != Role::kCorners) {
          if (p.list) {
            SkipAsciiList(e, f);
          } else if (tokens_->Next().empty()) {
            Truncated(e, f);
          }
          continue;
        }
        std::int64_t whole = 0;
        std::string_view t;
        const std::uint64_t k = tokens_->NextInteger(whole, t) && whole >= 0
                                    ? static_cast<std::uint64_t>(whole)
                                    : AsciiCount(t, e, f);
        if (k < 3) FewCorners(f);
        if (k == 3) {
          const std::int32_t a = AsciiCorner(p, e, f);
          const std::int32_t b = AsciiCorner(p, e, f);
          const std::int32_t c = AsciiCorner(p, e, f);
          faces_.Triangle(a, b, c, MoreTriangles(2));
          continue;
        }
        corners_.clear();
        for (std::uint64_t j = 0; j < k; ++j) corners_.push_back(AsciiCorner(p, e, f));
        faces_.Polygon(corners_, verticesRead_, MoreTriangles(2));
      }
    }
  }

  // --- everything else ---

  void SkipElement(const Element& e) {
    if (e.properties.empty()) return;  // takes no room, however many
    if (tokens_ != nullptr) {
      for (std::uint64_t i = 0; i < e.count; ++i) {
        for (const Property& p : e.properties) {
          if (p.list) {
            SkipAsciiList(e, i);
          } else if (tokens_->Next().empty()) {
            Truncated(e, i);
          }
        }
      }
      return;
    }
    if (!e.HasList()) {
      const std::uint64_t size = e.MinBytes();
      const std::uint64_t start = in_.Offset();
      if (e.count > std::numeric_limits<std::uint64_t>::max() / size || !in_.Skip(e.count * size)) {
        Truncated(e, (in_.Offset() - start) / size);
      }
      return;
    }
    for (std::uint64_t i = 0; i < e.count; ++i) {
      for (const Property& p : e.properties) {
        std::uint64_t n = 1;
        if (p.list && !ListCount(e, i, p.countType, n)) Truncated(e, i);
        if (!SkipValues(n, p.type)) Truncated(e, i);
      }
    }
  }

  BlockReader& in_;
  const std::string& name_;
  Mesh mesh_;
  PolygonFaces faces_;
  std::int64_t headerLines_ = 0;
  Format format_ = Format::kNone;
  bool swap_ = false;
  std::vector<Element> elements_;
  const Element* vertex_ = nullptr;
  const Element* face_ = nullptr;
  bool normals_ = false;
  std::uint64_t vertexCount_ = 0;
  bool verticesRead_ = false;
  TextTokens* tokens_ = nullptr;
  std::vector<std::int32_t> corners_;
};

}  // namespace

bool LooksLikePly(std::string_view head) {
  if (head.substr(0, 3) != "ply") return false;
  std::size_t i = 3;
  while (i < head.size() && (head[i] == ' ' || head[i] == '\t' || head[i] == '\r')) ++i;
  return i < head.size() && head[i] == '\n';
}

Mesh ReadPly(BlockReader& in, const std::string& name) {
  return PlyReader(in, name).Read();
}

Mesh ParsePly(std::string_view data, const std::string& name, std::size_t blockBytes) {
  BlockReader in(data, blockBytes);
  return ReadPly(in, name);
}

}  // namespace quervik
