// Graph setup files: ".GSA" holds the setups of all eleven graph kinds, ".GSU"
// the setup of one graph. Both start with a 21-byte identifier (a length byte
// 20 and the characters) followed by 500-byte records:
//
//   offset size  field
//        0   80  GraphTitle (length byte + 79 characters)
//       80   33  XAxisTitle (length byte + 32)
//      113   33  YAxisTitle (length byte + 32)
//      146    2  filler
//      148    4  AxisColor
//      152   16  XMin, XMax, YMin, YMax (single)
//      168    4  XAuto, YAuto, GridLines, GridStyle (one byte each)
//      172    4  GridColor
//      176    4  BackColor
//      180   33  font name (length byte + 32)
//      213    3  filler
//      216    4  font size
//      220    1  font style bits
//      221    3  filler
//      224    4  font colour
//      228  272  Series1..Series4, 68 bytes each:
//                0 Active, 1 Title (length byte + 32), 34 HasLine, 35 filler,
//                36 LineWidth (4), 40 LineStyle, 41 filler (3), 44 LineColor (4),
//                48 HasPoints, 49 filler (3), 52 PointSize (4), 56 PointShape,
//                57 filler (3), 60 PointColor (4), 64 FillPoints, 65 filler (3)
//
// Numbers are little-endian. Fillers and the characters beyond a string's
// length are written as zero and ignored when read.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "data/GraphSetup.h"

namespace kelmar {

inline constexpr int kGraphSetupIdSize = 21;
inline constexpr int kGraphSetupAllFileSize = kGraphSetupIdSize + kGraphKindCount * kGraphSetupSize; // 5521
inline constexpr int kGraphSetupOneFileSize = kGraphSetupIdSize + kGraphSetupSize;                   // 521

using GraphSetupBytes = std::array<uint8_t, kGraphSetupSize>;

GraphSetupBytes EncodeGraphSetup(const GraphSetup& g);
// Reads a record; over-long string lengths are cut to the field's capacity and
// any non-zero flag byte counts as true.
GraphSetup DecodeGraphSetup(const uint8_t* bytes);

// Writes all eleven setups (initialising the store's defaults first when that
// has not happened). Throws FileError("Error saving all graphs setup !"); the
// previous file is then untouched.
void SaveAllGraphSetups(const std::string& path, GraphSetupStore& store);

// Reads a ".GSA" file into the store. A foreign identifier throws
// InvalidFileId with "Invalid file ID!: " + the identifier read and changes
// nothing. A file that cannot be opened or ends early throws
// FileError("Error loading all graphs setup !"); the records read completely
// before the end stay in the store. Returns the number of records read (11).
int LoadAllGraphSetups(const std::string& path, GraphSetupStore& store);

// One graph: ".GSU". Saving throws FileError("Error saving graph setup !").
void SaveGraphSetup(const std::string& path, const GraphSetup& g);
// Loading returns the record; a missing, short or damaged file throws
// FileError("Error loading graph setup !"), a foreign identifier
// InvalidFileId with the same message. Either way the caller's record is
// left as it was.
GraphSetup LoadGraphSetup(const std::string& path);

} // namespace kelmar
