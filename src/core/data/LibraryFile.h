// The user's libraries of standard soils (.SOI), crops (.CRO) and applications
// (.APP). The program only reads them: a list of entry names to choose from,
// and the chosen entry copied into the scenario. Layout: the identifier on
// line 1, the number of entries (and a column header) on line 2, then one line
// per entry starting with its name in a 20-character field.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

struct Workspace;

enum class LibraryKind { Soil = 0, Crop = 1, Application = 2 };

// "Kelmar 459 Soil File", "Kelmar 459 Crop File", "Kelmar 459 Appl File".
std::string_view LibraryFileId(LibraryKind kind);

// The names of the entries (the 20-character fields as they stand in the file,
// leading blanks included), as many as line 2 announces and the file holds.
// Throws InvalidFileId ("Loading from " + fileName + "\r" + "Invalid file ID: " + id)
// or FileError.
std::vector<std::string> LibraryEntryNames(const std::string& fileName, LibraryKind kind);
std::vector<std::string> LibraryEntryNamesText(std::string_view text, const std::string& fileName,
                                               LibraryKind kind);

// Copies soil entry `index` (0-based, in the order of LibraryEntryNames) into
// layer 1 (TopSoil) or 2 (SubSoil): its name and the eight soil parameters.
// THL, IFi and NMIN of the layer are not in the library and stay. The layer
// changes only when the whole entry was read. Throws InvalidFileId or
// FileError (also for an index the library does not hold), and
// std::invalid_argument for a layer other than 1 or 2.
void ReadSoilEntry(Workspace& ws, const std::string& fileName, int index, int layer);
void ReadSoilEntryText(Workspace& ws, std::string_view text, const std::string& fileName, int index,
                       int layer);

// Adds crop entry `index` as crop number CropCount + 1. Returns false, and does
// nothing, when the rotation already holds 40 crops. Errors as for soils; on
// an error the scenario is unchanged. The caller marks the scenario changed.
bool AddCropFromLibrary(Workspace& ws, const std::string& fileName, int index);
bool AddCropFromLibraryText(Workspace& ws, std::string_view text, const std::string& fileName, int index);

// Adds application entry `index` as application ApplCount + 1. Returns false,
// and does nothing, when 100 applications are present.
bool AddApplicationFromLibrary(Workspace& ws, const std::string& fileName, int index);
bool AddApplicationFromLibraryText(Workspace& ws, std::string_view text, const std::string& fileName,
                                   int index);

} // namespace kelmar
