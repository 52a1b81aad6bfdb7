#include "data/LibraryFile.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "Workspace.h"
#include "data/Columns.h"
#include "data/Errors.h"
#include "data/TextReader.h"

namespace kelmar {

namespace {

constexpr std::array<std::string_view, 3> kIds{"Kelmar 459 Soil File", "Kelmar 459 Crop File",
                                               "Kelmar 459 Appl File"};

// Checks the identifier and reads the number of entries; the reader is left
// at the first entry line.
int32_t OpenLibrary(TextReader& r, LibraryKind kind, const std::string& fileName) {
  const std::string id(r.readChars(20));
  if (id != LibraryFileId(kind))
    throw InvalidFileId(id, "Loading from " + fileName + "\r" + "Invalid file ID: " + id);
  r.skipLine();
  const int32_t count = std::max(r.readInt("the number of entries"), 0);
  r.skipLine(); // the column header after the count
  return count;
}

// Moves the reader to the start of entry `index` (0-based).
void SeekEntry(TextReader& r, int32_t count, int index) {
  if (index < 0 || index >= count)
    r.fail("entry " + std::to_string(index + 1) + " was asked for, the library has " + std::to_string(count));
  r.skipLines(index);
  if (r.atEnd()) r.fail("the file ends before entry " + std::to_string(index + 1));
}

} // namespace

std::string_view LibraryFileId(LibraryKind kind) { return kIds.at(static_cast<std::size_t>(kind)); }

std::vector<std::string> LibraryEntryNames(const std::string& fileName, LibraryKind kind) {
  const std::string text = ReadFileText(fileName);
  return LibraryEntryNamesText(text, fileName, kind);
}

std::vector<std::string> LibraryEntryNamesText(std::string_view text, const std::string& fileName,
                                               LibraryKind kind) {
  TextReader r(text, fileName);
  const int32_t count = OpenLibrary(r, kind, fileName);
  std::vector<std::string> names;
  for (int32_t i = 0; i < count && !r.atEnd(); ++i) {
    names.emplace_back(r.readChars(20));
    r.skipLine();
  }
  return names;
}

void ReadSoilEntry(Workspace& ws, const std::string& fileName, int index, int layer) {
  const std::string text = ReadFileText(fileName);
  ReadSoilEntryText(ws, text, fileName, index, layer);
}

void ReadSoilEntryText(Workspace& ws, std::string_view text, const std::string& fileName, int index,
                       int layer) {
  if (layer != 1 && layer != 2)
    throw std::invalid_argument("soil layer " + std::to_string(layer) + " does not exist");
  TextReader r(text, fileName);
  SeekEntry(r, OpenLibrary(r, LibraryKind::Soil, fileName), index);
  // Read the whole entry before touching the layer, so that a damaged line
  // never leaves a layer with a new name and old parameters.
  SoilLayer s = ws.scenario.Soil[static_cast<std::size_t>(layer - 1)];
  s.Name = r.readChars(20);
  s.SMO = r.readFloat("SMO");
  s.GAM = r.readFloat("GAM");
  s.CRc = r.readFloat("CRc");
  s.CRx = r.readFloat("CRx");
  s.Text = r.readFloat("Text");
  s.NLF = r.readFloat("NLF");
  s.FI = r.readFloat("FI");
  s.BPF = r.readFloat("BPF");
  ws.scenario.Soil[static_cast<std::size_t>(layer - 1)] = s;
}

bool AddCropFromLibrary(Workspace& ws, const std::string& fileName, int index) {
  if (ws.scenario.CropCount >= kMaxCrops) return false;
  const std::string text = ReadFileText(fileName);
  return AddCropFromLibraryText(ws, text, fileName, index);
}

bool AddCropFromLibraryText(Workspace& ws, std::string_view text, const std::string& fileName, int index) {
  Scenario& sc = ws.scenario;
  if (sc.CropCount < 0 || sc.CropCount >= kMaxCrops) return false;
  TextReader r(text, fileName);
  SeekEntry(r, OpenLibrary(r, LibraryKind::Crop, fileName), index);
  Crop c;
  c.Name = r.readChars(20);
  for (const CropColumn& col : kCropColumns) ReadColumn(r, c, col, col.label);
  sc.Crops[static_cast<std::size_t>(sc.CropCount + 1)] = c;
  ++sc.CropCount;
  return true;
}

bool AddApplicationFromLibrary(Workspace& ws, const std::string& fileName, int index) {
  if (ws.scenario.ApplCount >= kMaxAppls) return false;
  const std::string text = ReadFileText(fileName);
  return AddApplicationFromLibraryText(ws, text, fileName, index);
}

bool AddApplicationFromLibraryText(Workspace& ws, std::string_view text, const std::string& fileName,
                                   int index) {
  Scenario& sc = ws.scenario;
  if (sc.ApplCount < 0 || sc.ApplCount >= kMaxAppls) return false;
  TextReader r(text, fileName);
  SeekEntry(r, OpenLibrary(r, LibraryKind::Application, fileName), index);
  Application a;
  a.Name = r.readChars(20);
  for (const ApplColumn& col : kApplColumns) ReadColumn(r, a, col, col.label);
  sc.Appls[static_cast<std::size_t>(sc.ApplCount + 1)] = a;
  ++sc.ApplCount;
  return true;
}

} // namespace kelmar
