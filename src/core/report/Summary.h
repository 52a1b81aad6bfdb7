// The summaries of a run: the period tables (one row per crop, bare interval
// and the whole run), the 76 summary items of the run, and the summary file
// (.SUM) that collects one line of those items per run. MultiRun reads the
// items of every run and loads the summary files back, by column position.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelmar {

struct Workspace;

inline constexpr int kSummaryItemCount = 76;

struct SummaryItemInfo {
  std::string_view name; // at most 6 characters; written padded to 6
  int32_t decimals;      // decimals in the summary file and the MultiRun grid
};

// The items in file order; item i (1..76) is kSummaryItems[i - 1].
inline constexpr std::array<SummaryItemInfo, kSummaryItemCount> kSummaryItems{{
    // water balance of the whole run, mm
    {"Ini", 0},
    {"Fin", 0},
    {"Avail", 0},
    {"UPTi", 0},
    {"UPTm", 0},
    {"OUT", 0},
    {"AVG", 0},
    // topsoil organic matter and its mineralisation, kg/ha
    {"IniOM", 0},
    {"FinOM", 0},
    {"IniON", 0},
    {"FinON", 0},
    {"IOM", 0},
    {"CULT", 0},
    {"RESI", 0},
    {"GRMA", 0},
    {"APPL", 0},
    {"FERT", 0},
    {"SNM", 0},
    {"SNMAVG", 0},
    // subsoil organic matter, kg/ha
    {"IniOM2", 0},
    {"FinOM2", 0},
    {"IniON2", 0},
    {"FinON2", 0},
    {"SNM2", 0},
    {"Den2", 0},
    // mineral N balance, kg N/ha
    {"NIni", 0},
    {"NFin", 0},
    {"NAvail", 0},
    {"Fix", 0},
    {"NUPTi", 0},
    {"NUPTm", 0},
    {"Den", 0},
    {"NOUT", 0},
    {"NAVG", 1},
    // N balance per year, kg/ha/year; efficiencies [-]
    {"NAppl", 1},
    {"NHarv", 1},
    {"NBal", 1},
    {"NEff1", 2},
    {"NDep", 1},
    {"NFix", 1},
    {"NEff2", 2},
    {"ONDecr", 1},
    {"NmDecr", 1},
    {"NLeach", 1},
    {"NDen", 1},
    {"NEff3", 2},
    // P balance per year
    {"PAppl", 1},
    {"PHarv", 1},
    {"PBal", 1},
    {"PEff1", 2},
    {"PDep", 1},
    // K balance per year
    {"KAppl", 1},
    {"KHarv", 1},
    {"KBal", 1},
    {"KEff1", 2},
    {"KDep", 1},
    // modelled against measured mineral N, topsoil
    {"NMeas1", 0},
    {"Ex1", 2},
    {"EDif1", 2},
    {"SEDif1", 2},
    {"Abcis1", 2},
    {"Tan1", 2},
    {"Corr1", 3},
    {"n1_1", 0},
    {"n2_1", 0},
    {"Ez1", 2},
    // the same, subsoil
    {"NMeas2", 0},
    {"Ex2", 2},
    {"EDif2", 2},
    {"SEDif2", 2},
    {"Abcis2", 2},
    {"Tan2", 2},
    {"Corr2", 3},
    {"n1_2", 0},
    {"n2_2", 0},
    {"Ez2", 2},
}};

// The values of the 76 items of one run, item i at index i - 1. A plain
// array, so that MultiRun and the calibration collect runs without
// allocating.
using SummaryValues = std::array<float, kSummaryItemCount>;

// Number of period rows of the last run (the last is the TOTAL row); 0 before
// the first run.
int SummaryCount(const Workspace& ws);
// One row of a period summary (kinds 16..19) for period row 1..SummaryCount,
// without a line end. Throws std::out_of_range for another kind or row.
std::string SummaryRow(const Workspace& ws, int row, int kind);

// The items of the last run: the water, organic matter and N figures of the
// whole run, the N/P/K balance over run weeks 1..Weeks (P and K as elements
// when that option is set) and the comparison with the measured mineral N.
// Changes nothing in the workspace and allocates nothing.
SummaryValues ComputeSummaryItems(const Workspace& ws);

} // namespace kelmar
