// The scenario file (.DAT): reading the current layout and the four older
// ones, inserting or appending the crops and applications of another file,
// and writing the current layout as a file or as a printed listing.
#pragma once

#include <string>
#include <string_view>

#include "Workspace.h"
#include "data/TextFormat.h"

namespace kelmar {

// The identifier every scenario file is written with.
inline constexpr std::string_view kScenarioId = "Kelmar 459 Data File";

// Loads a scenario file into ws.scenario in place. Sets ScenarioFile (the
// expanded full path), ws.state.DataDir (its directory with a trailing '/')
// and FileId. An unknown identifier throws InvalidFileId with the message
// "Loading " + fileName + "\r" + "Invalid file ID: " + id. A read error
// throws FileError naming file, line and field. Either way the scenario and
// DataDir are unchanged: the file is read whole before anything is stored.
// Counts are clamped to the table sizes and Year/Week/Weeks to 1..520; after
// an older identifier the fittable parameters are clamped to their ranges.
void LoadScenario(Workspace& ws, const std::string& fileName);
void LoadScenarioText(Workspace& ws, std::string_view text, const std::string& fileName);

// Adds the crops and applications of another scenario file to the scenario
// in memory: Insert (append = false) keeps their years, Append (append = true)
// moves them behind the current run and lengthens the run. The file's three
// initial organic-matter pools are not taken over, nor anything else of it;
// rows beyond the table capacities are skipped. A failed merge (InvalidFileId,
// FileError) leaves the scenario as it was. Returns the identifier read when
// it is valid but older than the current one (for the caller to show), else "".
std::string InsertScenario(Workspace& ws, const std::string& fileName, bool append);
std::string InsertScenarioText(Workspace& ws, std::string_view text, const std::string& fileName,
                               bool append);

// Writes the scenario in the current layout: the file form when
// !out.listing(), otherwise the printed listing (margin, empty lines before
// each header block, 58-line pages that never split a table).
void WriteScenario(const Workspace& ws, OutText& out);

// Saves the scenario to `path` in the file form, with the expanded path on
// line 2; once the file is written ScenarioFile becomes that path. A failed
// write (FileError) leaves any existing file and ScenarioFile untouched.
void SaveScenario(Workspace& ws, const std::string& path);

} // namespace kelmar
