#include "session/DirectoryEdit.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/ScenarioFile.h"
#include "data/TextFormat.h"

namespace kelmar {

namespace {

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

// Messages shown on one list line.
std::string OneLine(std::string s) {
  std::replace(s.begin(), s.end(), '\r', ' ');
  return s;
}

// The items of a target in a scenario: the one field (plain), or every
// record whose name is the target's name.
std::vector<int> ItemsOf(const DirEditTarget& t, const Scenario& s) {
  if (t.mode == DirEditTarget::Mode::Plain) return {0};
  std::vector<int> items;
  const bool crops = t.mode == DirEditTarget::Mode::Crop;
  const int count = crops ? s.CropCount : s.ApplCount;
  const std::string wanted = Upper(Trim(t.name));
  for (int i = 1; i <= count; ++i) {
    const std::string_view n = crops ? std::string_view(s.Crops[static_cast<size_t>(i)].Name)
                                     : std::string_view(s.Appls[static_cast<size_t>(i)].Name);
    if (Upper(Trim(n)) == wanted) items.push_back(i);
  }
  return items;
}

// Reads a scenario file into a workspace of its own; the error, or empty.
// `current` tells whether it is a scenario of this program at all.
std::string Read(Workspace& ws, const std::string& file, bool& current) {
  current = false;
  try {
    LoadScenario(ws, file);
  } catch (const InvalidFileId&) {
    return {}; // not a scenario of this program: left out
  } catch (const std::exception& e) {
    return OneLine(e.what());
  }
  current = ws.scenario.FileId == kScenarioId;
  return {};
}

} // namespace

std::vector<DirEditLine> ScanScenarioFile(const DirEditTarget& t, const std::string& file) {
  auto ws = MakeWorkspace();
  bool current = false;
  const std::string error = Read(*ws, file, current);
  if (!error.empty()) return {{file, 0, {}, error}};
  if (!current) return {};
  std::vector<DirEditLine> lines;
  for (int item : ItemsOf(t, ws->scenario))
    lines.push_back({file, item, t.field.text(ws->scenario, item), {}});
  return lines;
}

std::vector<DirEditLine> ScanScenarioDirectory(const DirEditTarget& t, const std::string& dir) {
  std::vector<DirEditLine> lines;
  for (const std::string& f : ListFiles(dir, ".DAT"))
    for (DirEditLine& l : ScanScenarioFile(t, f)) lines.push_back(std::move(l));
  std::stable_sort(lines.begin(), lines.end(), [](const DirEditLine& a, const DirEditLine& b) {
    return DirEditLineText(a) < DirEditLineText(b);
  });
  return lines;
}

std::string ReplaceInScenarioFile(const DirEditTarget& t, const std::string& file, int item) {
  double v = 0;
  if (!t.field.parse(t.newValue, v)) return t.field.limitMessage();
  auto ws = MakeWorkspace();
  bool current = false;
  std::string error = Read(*ws, file, current);
  if (!error.empty()) return error;
  if (!current) return "Invalid file ID: " + ws->scenario.FileId;
  Scenario& s = ws->scenario;
  const int count = t.mode == DirEditTarget::Mode::Crop ? s.CropCount : s.ApplCount;
  const std::vector<int> items = item > 0 ? std::vector<int>{item} : ItemsOf(t, s);
  if (t.mode != DirEditTarget::Mode::Plain && item > count) return "No record " + std::to_string(item);
  if (items.empty()) return {};
  for (int i : items) t.field.set(s, i, v);
  try {
    SaveScenario(*ws, file);
  } catch (const std::exception& e) {
    return OneLine(e.what());
  }
  return {};
}

std::string DirEditLineText(const DirEditLine& line) {
  std::string name = ExtractFileName(line.file);
  if (const size_t dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
  if (name.size() > static_cast<size_t>(kNameWidth)) name.resize(static_cast<size_t>(kNameWidth));
  char nr[8];
  std::snprintf(nr, sizeof nr, "%3d ", line.item);
  std::string text = name + std::string(21 - std::min<size_t>(name.size(), 21), ' ') + nr;
  return line.error.empty() ? text + line.value : text + "! " + line.error;
}

} // namespace kelmar
