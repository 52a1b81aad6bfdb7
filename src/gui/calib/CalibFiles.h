// The save dialog of the calibration windows' files (.PAR, .PS, .SUM, .COR):
// the chosen name gets the file kind's extension, and an existing file is
// replaced only when the user says so.
#pragma once

#include <QString>

#include "dialogs/UserDialogs.h"

namespace kelmar::gui {

struct Services;

// `req.defaultSuffix` is the extension without its dot ("PAR"). Empty when
// cancelled or when the user keeps an existing file.
QString AskSaveName(Services& s, const FileRequest& req);
// "File " + name + " already exists. Replace ?" (warning, OK/Cancel) for an
// existing file; true when the file may be written.
bool MayReplaceFile(Services& s, const QString& name);

} // namespace kelmar::gui
