#include "data/GraphSetupFile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "data/Errors.h"
#include "data/FileSystem.h"

namespace kelmar {

namespace {

constexpr char kSaveAllError[] = "Error saving all graphs setup !";
constexpr char kLoadAllError[] = "Error loading all graphs setup !";
constexpr char kSaveOneError[] = "Error saving graph setup !";
constexpr char kLoadOneError[] = "Error loading graph setup !";

constexpr int kSeriesBase = 228;
constexpr int kSeriesSize = 68;

class Writer {
public:
  explicit Writer(uint8_t* base) : base_(base) {}
  void u8(int at, uint8_t v) { base_[at] = v; }
  void flag(int at, bool v) { base_[at] = v ? 1 : 0; }
  void u32(int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) base_[at + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  void i32(int at, int32_t v) { u32(at, static_cast<uint32_t>(v)); }
  void f32(int at, float v) { u32(at, std::bit_cast<uint32_t>(v)); }
  void str(int at, std::string_view s) {
    base_[at] = static_cast<uint8_t>(s.size());
    std::memcpy(base_ + at + 1, s.data(), s.size());
  }

private:
  uint8_t* base_;
};

class Reader {
public:
  explicit Reader(const uint8_t* base) : base_(base) {}
  uint8_t u8(int at) const { return base_[at]; }
  bool flag(int at) const { return base_[at] != 0; }
  uint32_t u32(int at) const {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(base_[at + i]) << (8 * i);
    return v;
  }
  int32_t i32(int at) const { return static_cast<int32_t>(u32(at)); }
  float f32(int at) const { return std::bit_cast<float>(u32(at)); }
  template <std::size_t N> FixedString<N> str(int at) const {
    std::size_t len = std::min<std::size_t>(base_[at], N);
    return FixedString<N>(std::string_view(reinterpret_cast<const char*>(base_ + at + 1), len));
  }

private:
  const uint8_t* base_;
};

std::string IdBytes(std::string_view id) {
  std::string s(1, static_cast<char>(id.size()));
  s.append(id);
  return s;
}

// The identifier as the program shows it: the characters its length byte
// counts, at most 20, of those present.
std::string IdRead(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return {};
  std::size_t len = std::min<std::size_t>({bytes[0], 20, bytes.size() - 1});
  return std::string(reinterpret_cast<const char*>(bytes.data() + 1), len);
}

bool HasId(const std::vector<uint8_t>& bytes, std::string_view id) {
  if (bytes.size() < static_cast<std::size_t>(kGraphSetupIdSize)) return false;
  return bytes[0] == id.size() && std::memcmp(bytes.data() + 1, id.data(), id.size()) == 0;
}

// Reads at most `limit` bytes; false when the file cannot be opened or read.
bool ReadBytes(const std::string& path, std::size_t limit, std::vector<uint8_t>& out) {
  if (!FileExists(path)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(limit, 0);
  in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(limit));
  if (in.bad()) return false;
  out.resize(static_cast<std::size_t>(in.gcount()));
  return true;
}

} // namespace

GraphSetupBytes EncodeGraphSetup(const GraphSetup& g) {
  GraphSetupBytes b{};
  Writer w(b.data());
  w.str(0, g.GraphTitle);
  w.str(80, g.XAxisTitle);
  w.str(113, g.YAxisTitle);
  w.u32(148, g.AxisColor);
  w.f32(152, g.XMin);
  w.f32(156, g.XMax);
  w.f32(160, g.YMin);
  w.f32(164, g.YMax);
  w.flag(168, g.XAuto);
  w.flag(169, g.YAuto);
  w.flag(170, g.GridLines);
  w.u8(171, g.GridStyle);
  w.u32(172, g.GridColor);
  w.u32(176, g.BackColor);
  w.str(180, g.Font.Name);
  w.i32(216, g.Font.Size);
  w.u8(220, g.Font.Style);
  w.u32(224, g.Font.Color);
  for (int i = 0; i < kGraphSeriesCount; ++i) {
    const SeriesSetup& s = g.Series[i];
    Writer sw(b.data() + kSeriesBase + i * kSeriesSize);
    sw.flag(0, s.Active);
    sw.str(1, s.Title);
    sw.flag(34, s.HasLine);
    sw.i32(36, s.LineWidth);
    sw.u8(40, s.LineStyle);
    sw.u32(44, s.LineColor);
    sw.flag(48, s.HasPoints);
    sw.i32(52, s.PointSize);
    sw.u8(56, s.PointShape);
    sw.u32(60, s.PointColor);
    sw.flag(64, s.FillPoints);
  }
  return b;
}

GraphSetup DecodeGraphSetup(const uint8_t* bytes) {
  GraphSetup g;
  Reader r(bytes);
  g.GraphTitle = r.str<79>(0);
  g.XAxisTitle = r.str<32>(80);
  g.YAxisTitle = r.str<32>(113);
  g.AxisColor = r.u32(148);
  g.XMin = r.f32(152);
  g.XMax = r.f32(156);
  g.YMin = r.f32(160);
  g.YMax = r.f32(164);
  g.XAuto = r.flag(168);
  g.YAuto = r.flag(169);
  g.GridLines = r.flag(170);
  g.GridStyle = r.u8(171);
  g.GridColor = r.u32(172);
  g.BackColor = r.u32(176);
  g.Font.Name = r.str<32>(180);
  g.Font.Size = r.i32(216);
  g.Font.Style = r.u8(220);
  g.Font.Color = r.u32(224);
  for (int i = 0; i < kGraphSeriesCount; ++i) {
    SeriesSetup& s = g.Series[i];
    Reader sr(bytes + kSeriesBase + i * kSeriesSize);
    s.Active = sr.flag(0);
    s.Title = sr.str<32>(1);
    s.HasLine = sr.flag(34);
    s.LineWidth = sr.i32(36);
    s.LineStyle = sr.u8(40);
    s.LineColor = sr.u32(44);
    s.HasPoints = sr.flag(48);
    s.PointSize = sr.i32(52);
    s.PointShape = sr.u8(56);
    s.PointColor = sr.u32(60);
    s.FillPoints = sr.flag(64);
  }
  return g;
}

void SaveAllGraphSetups(const std::string& path, GraphSetupStore& store) {
  store.EnsureInitialised();
  std::string text = IdBytes(kGraphSetupAllId);
  for (const GraphSetup& g : store.setups) {
    GraphSetupBytes b = EncodeGraphSetup(g);
    text.append(reinterpret_cast<const char*>(b.data()), b.size());
  }
  try {
    WriteFileAtomic(path, text);
  } catch (const FileError&) {
    throw FileError(kSaveAllError);
  }
}

int LoadAllGraphSetups(const std::string& path, GraphSetupStore& store) {
  std::vector<uint8_t> bytes;
  if (!ReadBytes(path, kGraphSetupAllFileSize, bytes)) throw FileError(kLoadAllError);
  if (bytes.size() < static_cast<std::size_t>(kGraphSetupIdSize)) throw FileError(kLoadAllError);
  if (!HasId(bytes, kGraphSetupAllId))
    throw InvalidFileId(IdRead(bytes), "Invalid file ID!: " + IdRead(bytes));
  store.EnsureInitialised();
  int read = 0;
  for (int k = 0; k < kGraphKindCount; ++k) {
    std::size_t at = kGraphSetupIdSize + static_cast<std::size_t>(k) * kGraphSetupSize;
    if (bytes.size() < at + kGraphSetupSize) throw FileError(kLoadAllError);
    store.setups[k] = DecodeGraphSetup(bytes.data() + at);
    ++read;
  }
  return read;
}

void SaveGraphSetup(const std::string& path, const GraphSetup& g) {
  std::string text = IdBytes(kGraphSetupOneId);
  GraphSetupBytes b = EncodeGraphSetup(g);
  text.append(reinterpret_cast<const char*>(b.data()), b.size());
  try {
    WriteFileAtomic(path, text);
  } catch (const FileError&) {
    throw FileError(kSaveOneError);
  }
}

GraphSetup LoadGraphSetup(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!ReadBytes(path, kGraphSetupOneFileSize, bytes)) throw FileError(kLoadOneError);
  if (bytes.size() >= static_cast<std::size_t>(kGraphSetupIdSize) && !HasId(bytes, kGraphSetupOneId))
    throw InvalidFileId(IdRead(bytes), kLoadOneError);
  // A short file would leave part of the record undefined: refused whole.
  if (bytes.size() < static_cast<std::size_t>(kGraphSetupOneFileSize)) throw FileError(kLoadOneError);
  return DecodeGraphSetup(bytes.data() + kGraphSetupIdSize);
}

} // namespace kelmar
