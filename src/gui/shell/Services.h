// What the parts of the desktop program share: the one workspace, the INI
// file, the dialogs, the frame window, and each other.
#pragma once

#include <functional>

#include "dialogs/RangeDialogs.h"

class QWidget;

namespace kelmar {
struct Workspace;
class IniFile;
} // namespace kelmar

namespace kelmar::gui {

class UserDialogs;
class WindowRegistry;
class DocumentSet;
class RunControl;
class OutputRouter;
struct GraphSettings;
class GraphCommands;

struct Services {
  Workspace& ws;
  IniFile& ini;
  UserDialogs& dialogs;
  QWidget* window; // the frame: parent of modal dialogs
  WindowRegistry* windows = nullptr;
  DocumentSet* docs = nullptr;
  RunControl* run = nullptr;
  OutputRouter* output = nullptr;
  GraphSettings* graphs = nullptr;
  GraphCommands* graphCommands = nullptr;
  // Opens the help at a topic.
  std::function<void(int)> showHelp = {};
  SelectWeekFn selectWeek = &ExecSelectWeek;
  // Asks for the idle update (menus, speed bar, status panels) after a change.
  std::function<void()> scheduleIdle = {};
};

} // namespace kelmar::gui
