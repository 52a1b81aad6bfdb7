// Choosing an entry of a library of standard soils, crops or applications
// and copying it into the scenario, and choosing the library file itself.
// The chosen library stays the current one for the rest of the session and
// is remembered in the INI file.
#pragma once

#include <QString>

#include "data/LibraryFile.h"

namespace kelmar::gui {

struct Services;

// The library file of a kind as the program remembers it.
QString LibraryFileOf(const Services& s, LibraryKind kind);

// "&File": an open dialog starting in the directory of the current library
// with its name preselected; true when another file was chosen.
bool ChooseLibraryFile(Services& s, LibraryKind kind);

// Shows the names of the current library's entries under `caption` and
// copies the chosen one: a soil into layer 1 or 2, a crop or an application
// appended as the new last record (and made the selected one). True when the
// scenario changed; it is then marked unsaved and the results stale. A
// library that cannot be read is reported and changes nothing.
bool SelectSoilFromLibrary(Services& s, int layer);
bool AddCropFromLibrary(Services& s);
bool AddApplicationFromLibrary(Services& s);

} // namespace kelmar::gui
