#include "data/ParFile.h"

#include <algorithm>
#include <array>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/TextReader.h"

namespace kelmar {

void LoadPar(Workspace& ws, const std::string& fileName, ParIncludes inc) {
  const std::string text = ReadFileText(fileName);
  LoadParText(ws, text, fileName, inc);
}

void LoadParText(Workspace& ws, std::string_view text, const std::string& fileName, ParIncludes inc) {
  TextReader r(text, fileName);
  const std::string id(r.readChars(20));
  r.skipLine();
  if (id != kParFileId) throw InvalidFileId(id, "Invalid file ID!: " + id);

  struct Entry {
    float value, lower, upper;
    int32_t fit;
  };
  std::array<Entry, kParmCount> read{};
  ParmTable& table = ws.parms;
  for (int i = 1; i <= kParmCount; ++i) {
    const AutoParm& p = table[i];
    const std::string name(p.name);
    r.skipChars(6); // the name in the file is not compared with the table
    Entry& e = read[static_cast<std::size_t>(i - 1)];
    e.value = r.readFloat("the value of " + name);
    // A range outside the default limits could only come from an edited file;
    // the fitting and Price rely on default lower <= lower and upper <= default upper.
    e.lower = std::clamp(r.readFloat("the lower range of " + name), p.defLower, p.defUpper);
    e.upper = std::clamp(r.readFloat("the upper range of " + name), p.defLower, p.defUpper);
    r.readInt("the decimals of " + name); // the table's own decimals stay
    e.fit = r.readInt("the fit mark of " + name);
    const float lower = inc.lower ? e.lower : p.lower;
    const float upper = inc.upper ? e.upper : p.upper;
    if (lower > upper)
      r.fail("the lower range of " + name + " (" + FmtReal(lower, 0, p.decimals) +
             ") exceeds its upper range (" + FmtReal(upper, 0, p.decimals) + ")");
    r.skipLine();
  }

  Scenario& s = ws.scenario;
  for (int i = 1; i <= kParmCount; ++i) {
    const Entry& e = read[static_cast<std::size_t>(i - 1)];
    AutoParm& p = table[i];
    if (inc.value) table.value(s, i) = e.value;
    if (inc.lower) p.lower = e.lower;
    if (inc.upper) p.upper = e.upper;
    if (inc.fit) p.fit = e.fit;
  }
}

void WritePar(const Workspace& ws, OutText& out) {
  out.line(kParFileId);
  const ParmTable& table = ws.parms;
  for (int i = 1; i <= kParmCount; ++i) {
    const AutoParm& p = table[i];
    const int d = p.decimals;
    LineBuilder b;
    b.text(PadRight(p.name, 6))
        .real(table.value(ws.scenario, i), 8, d)
        .real(p.lower, 8, d)
        .real(p.upper, 8, d)
        .integer(d, 8)
        .integer(p.fit, 8);
    out.line(b.str());
  }
}

void SavePar(const Workspace& ws, const std::string& path) {
  OutText out(false);
  WritePar(ws, out);
  WriteFileAtomic(path, out.text());
}

} // namespace kelmar
