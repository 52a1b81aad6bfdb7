#include "RunOutput.h"

#include <cstdio>

#include "Workspace.h"

namespace kelmar::cli {

std::string WeeksCsv(const Workspace& ws) {
  std::string s = "r";
  for (const WeekField& f : kWeekFields) {
    s += ',';
    s += f.name;
  }
  s += '\n';
  char buf[40];
  for (int r = 0; r <= ws.scenario.Weeks + 1 && r < kWeekRecords; ++r) {
    s += std::to_string(r);
    for (const WeekField& f : kWeekFields) {
      std::snprintf(buf, sizeof buf, ",%.9g", static_cast<double>(ws.weeks[r].*f.member));
      s += buf;
    }
    s += '\n';
  }
  return s;
}

} // namespace kelmar::cli
