// Feeds arbitrary bytes to the INI file and to every core reader of its
// sections: "Kelmar Options", "Parameter Options", "Price Options" and
// "MultiRun Options", and the keys of the window positions. No input may
// crash them, and every reader must give values its writer keeps: what is
// read, written and read again writes the same text. The options of the
// search must be usable (finite weights in their range, a finite tolerance).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "Workspace.h"
#include "data/IniFile.h"
#include "optim/MultiRun.h"
#include "optim/PriceOptions.h"
#include "session/OptionsIni.h"

using namespace kelmar;
using kelmar::fuzz::Check;

namespace {

Workspace& Fresh(int slot) {
  static const std::unique_ptr<Workspace> pristine = [] {
    auto ws = MakeWorkspace();
    ws->state.ExeDir = "/nonexistent/exe/";
    ws->state.DataDir = "/nonexistent/data/";
    return ws;
  }();
  static std::unique_ptr<Workspace> slots[2] = {MakeWorkspace(), MakeWorkspace()};
  // The options reader touches only these two; copying the whole workspace
  // (all the week records) would cost more than the reading itself.
  slots[slot]->state = pristine->state;
  slots[slot]->options = pristine->options;
  return *slots[slot];
}

void CheckProgramOptions(const IniFile& ini) {
  Workspace& first = Fresh(0);
  const std::string dataFile = ReadOptions(ini, first);
  const Options& o = first.options;
  Check(o.CorrOpti >= 0 && o.CorrOpti <= 2, "CorrOpti out of range");
  Check(o.GraphPrintScale >= 50 && o.GraphPrintScale <= 200, "GraphPrintScale out of range");
  IniFile once;
  SaveOptions(once, first, dataFile);
  Workspace& second = Fresh(1);
  const std::string again = ReadOptions(once, second);
  Check(again == dataFile, "DataFile changed on the way back");
  IniFile twice;
  SaveOptions(twice, second, again);
  Check(once.text() == twice.text(), "Kelmar Options round trip");

  const ParIncludes p = ReadParIncludes(ini);
  (void)p;
}

void CheckPriceOptions(const IniFile& ini) {
  const PriceOptions o = ReadPriceOptions(ini);
  for (int k = 1; k <= kTargetCount; ++k)
    Check(std::isfinite(o.Weight[k]) && o.Weight[k] >= 0.01f && o.Weight[k] <= 100.0f, "weight out of range");
  Check(std::isfinite(o.Ftol) && o.Ftol >= 0, "Ftol not usable");
  Check(o.NIterPSet >= 0, "NIterPSet negative");
  Check(o.QTType >= kQTSum && o.QTType <= kQTCarrousel, "QTType out of range");
  IniFile once;
  WritePriceOptions(once, o);
  const PriceOptions back = ReadPriceOptions(once);
  IniFile twice;
  WritePriceOptions(twice, back);
  Check(once.text() == twice.text(), "Price Options round trip");
}

void CheckMultiRunOptions(const IniFile& ini) {
  const MultiRunOptions o = ReadMultiRunOptions(ini, "/nonexistent/data/");
  Check(!o.EnviDir.empty() && o.EnviDir.back() == '/', "EnviDir without its slash");
  IniFile once;
  WriteMultiRunOptions(once, o);
  const MultiRunOptions back = ReadMultiRunOptions(once, "/elsewhere/");
  Check(back.Included == o.Included && back.EnviDir == o.EnviDir && back.Overwrite == o.Overwrite &&
            back.SaveRslts == o.SaveRslts,
        "MultiRun Options round trip");
}

// The desktop program reads one key per window from this section; every
// accessor must cope with whatever the keys hold.
void ReadWindowSection(const IniFile& ini) {
  for (const std::string& key : ini.sectionKeys("Window Position")) {
    (void)ini.readString("Window Position", key, "");
    (void)ini.readInteger("Window Position", key, -1);
    (void)ini.readFloat("Window Position", key, -1);
    (void)ini.readBool("Window Position", key, false);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const IniFile ini = IniFile::FromText(text);

  // The file as written reads back to itself.
  const std::string written = ini.text();
  const IniFile back = IniFile::FromText(written);
  Check(back.text() == written, "INI text round trip");

  CheckProgramOptions(ini);
  CheckPriceOptions(ini);
  CheckMultiRunOptions(ini);
  ReadWindowSection(ini);

  // Writing into a file read from anywhere keeps it readable.
  IniFile edited = IniFile::FromText(text);
  WritePriceOptions(edited, ReadPriceOptions(ini));
  edited.eraseSection("Window Position");
  const std::string editedText = edited.text();
  Check(IniFile::FromText(editedText).text() == editedText, "edited INI round trip");
  return 0;
}
