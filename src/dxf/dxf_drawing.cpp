#include "dxf/dxf_drawing.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <cstring>

#include "core/errors.h"
#include "core/shortest_number.h"

namespace quervik {

namespace {

// Fixed handles of the drawing's frame (hexadecimal, as AutoCAD numbers a
// new drawing); the layers given to Open follow from kFirstLayerHandle, the
// entities from kFirstEntityHandle.
constexpr const char* kBlockRecordTable = "1";
constexpr const char* kLayerTable = "2";
constexpr const char* kStyleTable = "3";
constexpr const char* kLtypeTable = "5";
constexpr const char* kViewTable = "6";
constexpr const char* kUcsTable = "7";
constexpr const char* kVportTable = "8";
constexpr const char* kAppidTable = "9";
constexpr const char* kDimstyleTable = "A";
constexpr const char* kRootDictionary = "C";
constexpr const char* kGroupDictionary = "D";
constexpr const char* kLayerZero = "10";
constexpr const char* kStyleStandard = "11";
constexpr const char* kAppidAcad = "12";
constexpr const char* kLtypeByBlock = "14";
constexpr const char* kLtypeByLayer = "15";
constexpr const char* kLtypeContinuous = "16";
constexpr const char* kPaperSpaceRecord = "1B";
constexpr const char* kPaperSpaceBlock = "1C";
constexpr const char* kPaperSpaceEnd = "1D";
constexpr const char* kModelSpaceRecord = "1F";
constexpr const char* kModelSpaceBlock = "20";
constexpr const char* kModelSpaceEnd = "21";
constexpr const char* kDimstyleStandard = "27";
constexpr const char* kVportActive = "29";
constexpr std::uint64_t kFirstLayerHandle = 0x30;
constexpr std::uint64_t kFirstEntityHandle = 0x100;

// The values filled in at the end are written in a field of fixed width:
// numbers padded with zeros after their last digit (which keeps their value),
// the handle seed with zeros in front.
constexpr std::size_t kSlotWidth = 26;
constexpr std::size_t kHandleWidth = 16;

char* Put(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

char* PutNumber(char* out, double v) {
  if (!std::isfinite(v)) RaiseInvalidOperation();
  out = PutShortest(out, v);
  out[0] = '\r';
  out[1] = '\n';
  return out + 2;
}

// The text of `v` padded to exactly `width` characters with zeros that do
// not change its value: "12.5" as "12.500…0", "1e+20" as "1.000…0e+20".
std::string PaddedNumber(double v, std::size_t width) {
  std::string s = ShortestText(v);
  const std::size_t e = s.find('e');
  std::string mantissa = s.substr(0, e);
  const std::string exponent = e == std::string::npos ? "" : s.substr(e);
  if (mantissa.find('.') == std::string::npos) mantissa += '.';
  assert(mantissa.size() + exponent.size() <= width);
  mantissa.append(width - mantissa.size() - exponent.size(), '0');
  return mantissa + exponent;
}

std::string Hex(std::uint64_t h) {
  char buf[20];
  const auto r = std::to_chars(buf, buf + sizeof buf, h, 16);
  std::string s(buf, r.ptr);
  std::transform(s.begin(), s.end(), s.begin(),
                 [](char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 32) : c; });
  return s;
}

// Group code and value lines of the frame.
class Lines {
 public:
  explicit Lines(ByteBuffer& out) : out_(out) {}
  Lines& operator()(int code, std::string_view value) {
    Code(code);
    out_.Append(value);
    out_.Append("\r\n");
    return *this;
  }
  Lines& operator()(int code, double value) {
    Code(code);
    char* p = out_.Reserve(kShortestMaxLength + 2);
    out_.Advance(PutNumber(p, value));
    return *this;
  }
  Lines& Int(int code, long long value) { return (*this)(code, std::to_string(value)); }

 private:
  void Code(int code) {
    char buf[8];
    const auto r = std::to_chars(buf, buf + sizeof buf, code);
    const auto n = static_cast<std::size_t>(r.ptr - buf);
    if (n < 3) out_.Append(std::string_view("   ", 3 - n));
    out_.Append(std::string_view(buf, n));
    out_.Append("\r\n");
  }
  ByteBuffer& out_;
};

void Table(Lines& l, std::string_view name, std::string_view handle, int entries) {
  l(0, "TABLE")(2, name)(5, handle)(330, "0")(100, "AcDbSymbolTable").Int(70, entries);
}

void Record(Lines& l, std::string_view type, std::string_view handle, std::string_view table,
            std::string_view subclass, std::string_view name) {
  l(0, type)(5, handle)(330, table)(100, "AcDbSymbolTableRecord")(100, subclass)(2, name);
}

void Ltype(Lines& l, std::string_view handle, std::string_view name, std::string_view text) {
  Record(l, "LTYPE", handle, kLtypeTable, "AcDbLinetypeTableRecord", name);
  l.Int(70, 0)(3, text).Int(72, 65).Int(73, 0)(40, 0.0);
}

void Layer(Lines& l, std::string_view handle, std::string_view name, int colour, int weight) {
  Record(l, "LAYER", handle, kLayerTable, "AcDbLayerTableRecord", name);
  l.Int(70, 0).Int(62, colour)(6, "Continuous").Int(370, weight);
}

void Block(Lines& l, std::string_view handle, std::string_view end, std::string_view record,
           std::string_view name, bool paper) {
  l(0, "BLOCK")(5, handle)(330, record)(100, "AcDbEntity");
  if (paper) l.Int(67, 1);
  l(8, "0")(100, "AcDbBlockBegin")(2, name).Int(70, 0)(10, 0.0)(20, 0.0)(30, 0.0)(3, name)(1, "");
  l(0, "ENDBLK")(5, end)(330, record)(100, "AcDbEntity");
  if (paper) l.Int(67, 1);
  l(8, "0")(100, "AcDbBlockEnd");
}

}  // namespace

void DxfExtents::Add(double x, double y, double z) {
  const double v[3] = {x, y, z};
  for (int k = 0; k < 3; ++k) {
    min[k] = empty ? v[k] : std::min(min[k], v[k]);
    max[k] = empty ? v[k] : std::max(max[k], v[k]);
  }
  empty = false;
}

void DxfExtents::Add(const DxfExtents& other) {
  if (other.empty) return;
  Add(other.min[0], other.min[1], other.min[2]);
  Add(other.max[0], other.max[1], other.max[2]);
}

void DxfEntities::clear() {
  bytes_.clear();
  ends_.clear();
  extents_ = {};
}

void DxfEntities::LwPolyline(std::string_view layer, double elevation,
                             const std::vector<TPunkt>& points,
                             std::span<const std::int32_t> vertices, bool closed) {
  if (vertices.size() < 2) return;
  // Per vertex two pairs of code and value lines; the head is short.
  constexpr std::size_t kVertex = 2 * (5 + kShortestMaxLength + 2);
  char* p = bytes_.Reserve(200 + layer.size() + kVertex * vertices.size());
  p = Put(p, "\r\n330\r\n");
  p = Put(p, kModelSpaceRecord);
  p = Put(p, "\r\n100\r\nAcDbEntity\r\n  8\r\n");
  p = Put(p, layer);
  p = Put(p, "\r\n100\r\nAcDbPolyline\r\n 90\r\n");
  p = std::to_chars(p, p + 24, vertices.size()).ptr;
  p = Put(p, closed ? "\r\n 70\r\n1\r\n 38\r\n" : "\r\n 70\r\n0\r\n 38\r\n");
  p = PutNumber(p, elevation);
  for (const std::int32_t k : vertices) {
    const TPunkt& pt = points[static_cast<std::size_t>(k)];
    p = Put(p, " 10\r\n");
    p = PutNumber(p, pt.X);
    p = Put(p, " 20\r\n");
    p = PutNumber(p, pt.Y);
    extents_.Add(pt.X, pt.Y, elevation);
  }
  bytes_.Advance(p);
  ends_.push_back({Kind::kLwPolyline, bytes_.size()});
}

void DxfEntities::Text(std::string_view layer, double x, double y, double z, double height,
                       double rotation, std::string_view text) {
  char* p = bytes_.Reserve(400 + layer.size() + text.size() + 8 * kShortestMaxLength);
  p = Put(p, "\r\n330\r\n");
  p = Put(p, kModelSpaceRecord);
  p = Put(p, "\r\n100\r\nAcDbEntity\r\n  8\r\n");
  p = Put(p, layer);
  p = Put(p, "\r\n100\r\nAcDbText\r\n 10\r\n");
  p = PutNumber(p, x);
  p = Put(p, " 20\r\n");
  p = PutNumber(p, y);
  p = Put(p, " 30\r\n");
  p = PutNumber(p, z);
  p = Put(p, " 40\r\n");
  p = PutNumber(p, height);
  p = Put(p, "  1\r\n");
  p = Put(p, text);
  p = Put(p, "\r\n 50\r\n");
  p = PutNumber(p, rotation);
  // Middle centre: the alignment point (11, 21, 31) is where the text sits.
  p = Put(p, "  7\r\nStandard\r\n 72\r\n1\r\n 11\r\n");
  p = PutNumber(p, x);
  p = Put(p, " 21\r\n");
  p = PutNumber(p, y);
  p = Put(p, " 31\r\n");
  p = PutNumber(p, z);
  p = Put(p, "100\r\nAcDbText\r\n 73\r\n2\r\n");
  bytes_.Advance(p);
  ends_.push_back({Kind::kText, bytes_.size()});
  extents_.Add(x, y, z);
}

void DxfDrawing::PutSlot(std::uint64_t& at, std::size_t width) {
  at = file_.Size() + head_.size();
  head_.Append(std::string(width, '0'));
  head_.Append("\r\n");
}

void DxfDrawing::FillSlot(std::uint64_t at, std::string_view text) {
  file_.WriteAt(at, text);
}

void DxfDrawing::Open(std::string_view path, std::span<const DxfLayer> layers) {
  file_.Open(path);
  head_.clear();
  extents_ = {};
  finished_ = false;
  Lines l(head_);

  l(0, "SECTION")(2, "HEADER");
  l(9, "$ACADVER")(1, "AC1015");
  l(9, "$DWGCODEPAGE")(3, "ANSI_1252");
  l(9, "$INSBASE")(10, 0.0)(20, 0.0)(30, 0.0);
  const char* axes[3] = {" 10\r\n", " 20\r\n", " 30\r\n"};
  l(9, "$EXTMIN");
  for (int k = 0; k < 3; ++k) {
    head_.Append(axes[k]);
    PutSlot(extMinAt_[k], kSlotWidth);
  }
  l(9, "$EXTMAX");
  for (int k = 0; k < 3; ++k) {
    head_.Append(axes[k]);
    PutSlot(extMaxAt_[k], kSlotWidth);
  }
  l(9, "$LUNITS").Int(70, 2);
  l(9, "$INSUNITS").Int(70, 6);
  l(9, "$MEASUREMENT").Int(70, 1);
  l(9, "$HANDSEED");
  head_.Append("  5\r\n");
  PutSlot(handSeedAt_, kHandleWidth);
  l(0, "ENDSEC");

  l(0, "SECTION")(2, "CLASSES")(0, "ENDSEC");

  l(0, "SECTION")(2, "TABLES");
  // The active view, centred on the drawing when it is finished.
  Table(l, "VPORT", kVportTable, 1);
  Record(l, "VPORT", kVportActive, kVportTable, "AcDbViewportTableRecord", "*ACTIVE");
  l.Int(70, 0)(10, 0.0)(20, 0.0)(11, 1.0)(21, 1.0);
  head_.Append(" 12\r\n");
  PutSlot(viewCentreAt_[0], kSlotWidth);
  head_.Append(" 22\r\n");
  PutSlot(viewCentreAt_[1], kSlotWidth);
  l(13, 0.0)(23, 0.0)(14, 1.0)(24, 1.0)(15, 1.0)(25, 1.0)(16, 0.0)(26, 0.0)(36, 1.0);
  l(17, 0.0)(27, 0.0)(37, 0.0);
  head_.Append(" 40\r\n");
  PutSlot(viewHeightAt_, kSlotWidth);
  l(41, 1.5)(42, 50.0)(43, 0.0)(44, 0.0)(50, 0.0)(51, 0.0);
  l.Int(71, 0).Int(72, 1000).Int(73, 1).Int(74, 3).Int(75, 0).Int(76, 0).Int(77, 0).Int(78, 0);
  l(0, "ENDTAB");

  Table(l, "LTYPE", kLtypeTable, 3);
  Ltype(l, kLtypeByBlock, "ByBlock", "");
  Ltype(l, kLtypeByLayer, "ByLayer", "");
  Ltype(l, kLtypeContinuous, "Continuous", "Solid line");
  l(0, "ENDTAB");

  Table(l, "LAYER", kLayerTable, static_cast<int>(layers.size() + 1));
  Layer(l, kLayerZero, "0", 7, -3);
  std::uint64_t handle = kFirstLayerHandle;
  for (const DxfLayer& layer : layers) {
    Layer(l, Hex(handle++), layer.name, layer.colour, layer.lineweight);
  }
  assert(handle <= kFirstEntityHandle);
  l(0, "ENDTAB");

  Table(l, "STYLE", kStyleTable, 1);
  Record(l, "STYLE", kStyleStandard, kStyleTable, "AcDbTextStyleTableRecord", "Standard");
  l.Int(70, 0)(40, 0.0)(41, 1.0)(50, 0.0).Int(71, 0)(42, 2.5)(3, "txt")(4, "");
  l(0, "ENDTAB");

  Table(l, "VIEW", kViewTable, 0);
  l(0, "ENDTAB");
  Table(l, "UCS", kUcsTable, 0);
  l(0, "ENDTAB");

  Table(l, "APPID", kAppidTable, 1);
  Record(l, "APPID", kAppidAcad, kAppidTable, "AcDbRegAppTableRecord", "ACAD");
  l.Int(70, 0);
  l(0, "ENDTAB");

  Table(l, "DIMSTYLE", kDimstyleTable, 1);
  l(100, "AcDbDimStyleTable").Int(71, 0);
  // A dimension style carries its handle in group 105.
  l(0, "DIMSTYLE")(105, kDimstyleStandard)(330, kDimstyleTable)(100, "AcDbSymbolTableRecord");
  l(100, "AcDbDimStyleTableRecord")(2, "Standard").Int(70, 0);
  l(0, "ENDTAB");

  Table(l, "BLOCK_RECORD", kBlockRecordTable, 2);
  Record(l, "BLOCK_RECORD", kModelSpaceRecord, kBlockRecordTable, "AcDbBlockTableRecord",
         "*Model_Space");
  Record(l, "BLOCK_RECORD", kPaperSpaceRecord, kBlockRecordTable, "AcDbBlockTableRecord",
         "*Paper_Space");
  l(0, "ENDTAB");
  l(0, "ENDSEC");

  l(0, "SECTION")(2, "BLOCKS");
  Block(l, kModelSpaceBlock, kModelSpaceEnd, kModelSpaceRecord, "*Model_Space", false);
  Block(l, kPaperSpaceBlock, kPaperSpaceEnd, kPaperSpaceRecord, "*Paper_Space", true);
  l(0, "ENDSEC");

  l(0, "SECTION")(2, "ENTITIES");
  file_.Write(head_.view());
  head_.clear();
  nextHandle_ = kFirstEntityHandle;
}

void DxfDrawing::Write(const DxfEntities& entities) {
  const std::string_view bytes = entities.bytes_.view();
  std::size_t from = 0;
  char hex[20];
  for (const DxfEntities::End& e : entities.ends_) {
    file_.Write(e.kind == DxfEntities::Kind::kLwPolyline ? "  0\r\nLWPOLYLINE\r\n  5\r\n"
                                                         : "  0\r\nTEXT\r\n  5\r\n");
    const auto r = std::to_chars(hex, hex + sizeof hex, nextHandle_++, 16);
    for (char* c = hex; c != r.ptr; ++c) {
      if (*c >= 'a') *c = static_cast<char>(*c - 32);
    }
    file_.Write(std::string_view(hex, static_cast<std::size_t>(r.ptr - hex)));
    file_.Write(bytes.substr(from, e.end - from));
    from = e.end;
  }
  extents_.Add(entities.extents_);
}

void DxfDrawing::Finish() {
  if (finished_) return;
  head_.clear();
  Lines l(head_);
  l(0, "ENDSEC");
  l(0, "SECTION")(2, "OBJECTS");
  l(0, "DICTIONARY")(5, kRootDictionary)(330, "0")(100, "AcDbDictionary").Int(281, 1);
  l(3, "ACAD_GROUP")(350, kGroupDictionary);
  l(0, "DICTIONARY")(5, kGroupDictionary)(330, kRootDictionary)(100, "AcDbDictionary");
  l.Int(281, 1);
  l(0, "ENDSEC");
  l(0, "EOF");
  file_.Write(head_.view());
  head_.clear();

  std::string seed = Hex(nextHandle_);
  seed.insert(0, kHandleWidth - seed.size(), '0');
  FillSlot(handSeedAt_, seed);
  DxfExtents box = extents_;
  if (box.empty) {
    for (int k = 0; k < 3; ++k) {
      box.min[k] = 1e20;
      box.max[k] = -1e20;
    }
  }
  for (int k = 0; k < 3; ++k) {
    FillSlot(extMinAt_[k], PaddedNumber(box.min[k], kSlotWidth));
    FillSlot(extMaxAt_[k], PaddedNumber(box.max[k], kSlotWidth));
  }
  // The view: the drawing with a margin, or the unit square around the
  // origin when nothing is drawn.
  double centre[2] = {0, 0};
  double height = 1;
  if (!extents_.empty) {
    for (int k = 0; k < 2; ++k) centre[k] = extents_.min[k] / 2 + extents_.max[k] / 2;
    const double w = extents_.max[0] - extents_.min[0];
    const double h = extents_.max[1] - extents_.min[1];
    height = 1.1 * std::max(h, w / 1.5);
    if (!(height > 0) || !std::isfinite(height)) height = 1;
  }
  FillSlot(viewCentreAt_[0], PaddedNumber(centre[0], kSlotWidth));
  FillSlot(viewCentreAt_[1], PaddedNumber(centre[1], kSlotWidth));
  FillSlot(viewHeightAt_, PaddedNumber(height, kSlotWidth));
  file_.Finish();
  finished_ = true;
}

void DxfDrawing::Commit() {
  Finish();
  file_.Commit();
}

}  // namespace quervik
