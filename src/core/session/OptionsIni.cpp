#include "session/OptionsIni.h"

#include <cmath>

#include "Version.h"
#include "Workspace.h"
#include "data/FileSystem.h"
#include "data/IniFile.h"

namespace kelmar {

namespace {
// A library named in the INI file is used only when it exists.
std::string LibraryFile(const IniFile& ini, const char* key, const std::string& def) {
  std::string v = ini.readString(kKelmarOptionsSection, key, def);
  return FileExists(v) ? v : def;
}
} // namespace

std::string ReadOptions(const IniFile& ini, Workspace& ws) {
  const char* sec = kKelmarOptionsSection;
  ProgramState& st = ws.state;
  Options& o = ws.options;
  st.SoilFile = LibraryFile(ini, "SoilFile", st.ExeDir + "STARIN.SOI");
  st.CropFile = LibraryFile(ini, "CropFile", st.ExeDir + "ARABLE.CRO");
  st.ApplFile = LibraryFile(ini, "ApplFile", st.ExeDir + "MANURE.APP");
  std::string dataFile = ini.readString(sec, "DataFile", st.DataDir + "NEW.DAT");
  o.PrntType = static_cast<int32_t>(ini.readInteger(sec, "PrntType", 0));
  o.KelmOpti = static_cast<uint32_t>(ini.readInteger(sec, "KelmOpti", 0)) & 0xFFFFu;
  o.CorrOpti = static_cast<int32_t>(ini.readInteger(sec, "CorrOpti", 0));
  if (o.CorrOpti < 0 || o.CorrOpti > 2) o.CorrOpti = 0;
  o.CorrRng1 = static_cast<float>(ini.readInteger(sec, "CorrRng1", 10));
  o.CorrRng2 = static_cast<float>(ini.readInteger(sec, "CorrRng2", 20));
  o.GraphPrintScale = static_cast<int32_t>(ini.readInteger(sec, "GraphPrintScale", 100));
  if (o.GraphPrintScale < 50 || o.GraphPrintScale > 200) o.GraphPrintScale = 100;
  o.KelmOpt2 = static_cast<uint32_t>(ini.readInteger(sec, "KelmOpt2", 0)) & 0xFFFFu;
  return dataFile;
}

ParIncludes ReadParIncludes(const IniFile& ini) {
  const char* sec = "Parameter Options";
  ParIncludes p;
  p.value = ini.readBool(sec, "Value", false);
  p.lower = ini.readBool(sec, "BPRL", true);
  p.upper = ini.readBool(sec, "BPRU", true);
  p.fit = ini.readBool(sec, "Fit", true);
  return p;
}

void SaveOptions(IniFile& ini, const Workspace& ws, const std::string& dataFile) {
  const char* sec = kKelmarOptionsSection;
  const ProgramState& st = ws.state;
  const Options& o = ws.options;
  ini.writeString(sec, "Version", kVersionText);
  ini.writeString(sec, "SoilFile", st.SoilFile);
  ini.writeString(sec, "CropFile", st.CropFile);
  ini.writeString(sec, "ApplFile", st.ApplFile);
  ini.writeString(sec, "DataFile", dataFile);
  ini.writeInteger(sec, "PrntType", o.PrntType);
  ini.writeInteger(sec, "KelmOpti", static_cast<long>(o.KelmOpti & 0xFFFFu));
  ini.writeInteger(sec, "CorrOpti", o.CorrOpti);
  ini.writeInteger(sec, "CorrRng1", std::lround(o.CorrRng1));
  ini.writeInteger(sec, "CorrRng2", std::lround(o.CorrRng2));
  ini.writeInteger(sec, "GraphPrintScale", o.GraphPrintScale);
  ini.writeInteger(sec, "KelmOpt2", static_cast<long>(o.KelmOpt2 & 0xFFFFu));
}

} // namespace kelmar
