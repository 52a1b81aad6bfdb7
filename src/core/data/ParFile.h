// Parameter files (.PAR): the values, fitting ranges and fit marks of the 51
// fittable parameters, one line per entry after the identifier line.
#pragma once

#include <string>
#include <string_view>

#include "data/TextFormat.h"

namespace kelmar {

struct Workspace;

inline constexpr std::string_view kParFileId = "Kelmar 430 Parm File";
// Shown by the caller when SavePar throws.
inline constexpr std::string_view kParSaveError = "Error saving parameters !";

// Which columns of a .PAR file are taken over. Loading from the fitting window
// never takes the values; the companion file of a scenario takes them only when
// the user asked for it.
struct ParIncludes {
  bool value = false;
  bool lower = true;
  bool fit = true;
  bool upper = true;
};

// Reads a .PAR file into the parameter table (ranges, marks) and the scenario
// (values), as far as the switches ask. The file is read whole before anything
// is stored, so a damaged file changes nothing.
// Throws InvalidFileId ("Invalid file ID!: " + the 20 characters read) or
// FileError. Ranges are kept inside each entry's default limits; an entry whose
// resulting lower range exceeds its upper range is a FileError. The caller
// marks the results stale and resets the Price algorithm's parameter count.
void LoadPar(Workspace& ws, const std::string& fileName, ParIncludes inc);
void LoadParText(Workspace& ws, std::string_view text, const std::string& fileName, ParIncludes inc);

// The identifier line and the 51 entry lines: name (left-aligned, 6), value,
// lower and upper (each 8 wide with the entry's decimals), decimals and fit mark
// (integers of width 8).
void WritePar(const Workspace& ws, OutText& out);

// Writes the .PAR file at path (the caller has given it the extension .PAR).
// The write is atomic: on failure (FileError) no partial file is left and an
// existing file keeps its previous content.
void SavePar(const Workspace& ws, const std::string& path);

} // namespace kelmar
