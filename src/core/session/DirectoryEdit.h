// Directory Edit: one field of an editor, listed and replaced in every
// scenario file of a directory. Each file is read into a workspace of its own
// and written back by the same atomic save a user's Save uses, so the
// scenario being edited is never overwritten, and a file that cannot be read
// or written is reported while the others go on.
#pragma once

#include <string>
#include <vector>

#include "data/ScenarioFields.h"

namespace kelmar {

struct DirEditTarget {
  enum class Mode { Plain, Crop, Application };
  Mode mode = Mode::Plain;
  std::string name;     // "PARAMETERS", or the crop's or application's name
  std::string label;    // the field's label without "&"
  std::string newValue; // the text now in the input
  ScenarioField field;
  int item = 0; // the record number in the open scenario (crop and application modes)
};

struct DirEditLine {
  std::string file; // full path
  int item = 0;     // the crop or application number, 0 in plain mode
  std::string value;
  std::string error; // why the file could not be read or written
};

// The list lines of one file: one per item of the target (every crop or
// application whose name is the target's, in any case), a line with the error
// when the file cannot be read, none for a file with another identifier.
std::vector<DirEditLine> ScanScenarioFile(const DirEditTarget& t, const std::string& file);
// The lines of every ".DAT" file of a directory, in the order of their text.
std::vector<DirEditLine> ScanScenarioDirectory(const DirEditTarget& t, const std::string& dir);
// Writes the new value into one file: into item `item`, or with item 0 into
// every item of the target. Returns the error, empty on success. Nothing is
// written when the value is refused by the field's limits, or the file cannot
// be read or holds no such item.
std::string ReplaceInScenarioFile(const DirEditTarget& t, const std::string& file, int item);

// "NAME                   3 value" (or "! error") as the list shows it.
std::string DirEditLineText(const DirEditLine& line);

} // namespace kelmar
