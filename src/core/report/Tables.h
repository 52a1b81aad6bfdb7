// The text of every result table: the fifteen weekly tables (kinds 1..15),
// the four period summaries (16..19) and the two balance windows (20, 21).
// The window views, printing, "Save Results" and MultiRun all go through
// these functions, so a table reads the same wherever it appears. Other
// programs read the saved tables by column position: headers, widths and
// decimals are fixed.
#pragma once

#include <string>

namespace kelmar {

struct Workspace;
class OutText;

enum TableKind : int {
  kTableNone = 0,
  kTableEnvironment = 1,
  kTableCropDevelopment = 2,
  kTableGroundWater = 3,
  kTableWaterTopSoil = 4,
  kTableWaterSubSoil = 5,
  kTableWaterBalance = 6,
  kTableMinFactor = 7,
  kTableOMTopSoil = 8,
  kTableOMSubSoil = 9,
  kTableNTopSoil = 10,
  kTableNSubSoil = 11,
  kTableNBalance = 12,
  kTableMineralN = 13,
  kTableCumulativeN = 14,
  kTableGraphData = 15,
  kSummaryWater = 16,
  kSummaryMinTopSoil = 17,
  kSummaryMinSubSoil = 18,
  kSummaryNBalance = 19,
  kSummaryNmVsNi = 20,
  kSummaryMineralBalance = 21,
};

inline constexpr int kLastWeeklyKind = 15;
inline constexpr int kLastTableKind = 21;

// Header lines of a table: identification, scenario file, environment file,
// title, column header, rule.
inline constexpr int kTableHeaderLines = 6;

// Window title of a kind; empty for kinds outside 1..21.
std::string TableTitle(int kind);
// Column header of a kind; empty for 20 and 21 (their text carries its own
// captions) and for kinds outside 1..21.
std::string TableHeader(int kind);
// One row of a weekly table (kinds 1..15) for week record weekIndex (0..521),
// without a line end. Throws std::out_of_range for another kind or index.
std::string TableRow(const Workspace& ws, int weekIndex, int kind);

// Writes a whole table of kind 1..21 to out: the header block, then the rows.
// Weekly tables cover weeks fromWeek..min(tillWeek, Weeks); summaries cover
// every period row; 20 and 21 print the lines of their window. In a listing
// (out.listing()) each header block follows four empty lines and a page
// holds 58 lines, after which a form feed starts a new page with the header
// block repeated. Throws std::out_of_range for another kind.
void WriteTable(const Workspace& ws, OutText& out, int kind, int fromWeek, int tillWeek);

} // namespace kelmar
