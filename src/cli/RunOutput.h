// Output of `kelmar run` that belongs to the command line only.
#pragma once

#include <string>

namespace kelmar {
struct Workspace;
}

namespace kelmar::cli {

// All 86 week-record fields of records 0..Weeks+1: a header "r,GWT,...", then
// one line per record with every value printed with %.9g (so it reads back
// exactly). LF line ends: the file is for R and pandas.
std::string WeeksCsv(const Workspace& ws);

} // namespace kelmar::cli
