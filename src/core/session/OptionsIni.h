// Reading and writing the section "Kelmar Options" of the INI file.
#pragma once

#include <string>

#include "data/ParFile.h"

namespace kelmar {

class IniFile;
struct Workspace;

inline constexpr const char* kKelmarOptionsSection = "Kelmar Options";

// Reads the options with their defaults and checks into ws.options and the
// library file names of ws.state; returns the scenario to open at start-up
// ("DataFile", default DataDir + "NEW.DAT").
std::string ReadOptions(const IniFile& ini, Workspace& ws);
// Writes every key of the section, "Version" first; `dataFile` is the
// scenario to reopen next time.
void SaveOptions(IniFile& ini, const Workspace& ws, const std::string& dataFile);

// Which columns a scenario's .PAR companion supplies: section
// "Parameter Options", keys "Value" (default false), "BPRL", "BPRU", "Fit".
ParIncludes ReadParIncludes(const IniFile& ini);

} // namespace kelmar
