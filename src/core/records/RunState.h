// Run-level values that the model keeps between runs, and the fixed-size
// scratch it works in. Everything here exists before the first run so that a
// run allocates nothing.
#pragma once

#include <array>
#include <cstdint>

#include "records/FixedString.h"

namespace kelmar {

// One week of the decomposition trajectory of one organic-matter batch.
struct OMBatchWeek {
  float teff = 0; // effective time of week j, weeks of standard conditions
  float age = 0;  // apparent age, years
  float OM = 0;   // organic matter at the start of week j, kg/ha
  float N = 0;    // organic N at the start of week j, kg/ha
  float dOM = 0;  // organic matter decomposed in week j, kg/ha
  float dN = 0;   // N mineralised in week j (negative = immobilised), kg/ha
  float cumN = 0; // dN summed over weeks 1..j, kg/ha
};

// Topsoil organic matter left at the end of a run, classified by age.
struct EndPool {
  float amount = 0; // kg OM/ha
  float N = 0;      // kg N/ha
  float age = 0;    // mean age, years
};
enum EndPoolIndex { kOldPool = 0, kYoungPool = 1, kFreshPool = 2 };

// One period of the run (a crop, a bare interval or the whole run).
struct CropPeriodRow {
  Name20 Name;          // crop name, "bare" or "TOTAL" (padded to 20)
  int32_t Week = 0;     // first run week of the period
  int32_t LastWeek = 0; // last run week of the period
  float Avail = 0;      // sum of Rain + Irr, mm
  float UPTi = 0;       // sum of UPTi, mm
  float UPTm = 0;       // sum of UPTm, mm
  float OUT = 0;        // sum of FOUT2, mm
  float AVG = 0;        // OUT per week, mm
  float NAvail = 0;     // N made available, kg N/ha
  float Fix = 0;        // sum of NFIX, kg N/ha
  float NUPTi = 0;      // intended N uptake, kg N/ha
  float NUPTm = 0;      // modelled N uptake, kg N/ha
  float Den = 0;        // sum of Den1, kg N/ha
  float NOUT = 0;       // N leached, kg N/ha
  float NAVG = 0;       // NOUT per week, kg N/ha
  float APPL = 0;       // mineralised from organic applications, kg N/ha
  float CULT = 0;       // from cultivations
  float IOM = 0;        // from the initial organic matter
  float FERT = 0;       // from fertilisers
  float RESI = 0;       // from crop residues
  float GRMA = 0;       // from green manures
  float SNM = 0;        // mineralised in the topsoil
  float SNMAVG = 0;     // SNM per week
  float Den2 = 0;       // sum of Den2, kg N/ha
  float SNM2 = 0;       // mineralised in the subsoil
};

inline constexpr int kPeriodRows = 82; // 40 crops, 41 bare intervals, TOTAL

struct RunState {
  std::array<float, 3> WiltWater{};                     // [1..2] mm, index 0 unused
  std::array<float, 3> InitWater{};                     // [1..2] mm, index 0 unused
  std::array<float, 3> MinSoilFactor{};                 // [1..2] [-], index 0 unused
  float DepWeek = 0;                                    // N deposition, kg N/ha/week
  std::array<EndPool, 3> EndPools{};                    // Old, Young, Fresh
  std::array<CropPeriodRow, kPeriodRows + 1> Periods{}; // rows 1..PeriodCount
  int32_t PeriodCount = 0;                              // number of the TOTAL row
  int32_t RunStart = 0;                                 // absolute week of run week 1
  int32_t RunEnd = 0;                                   // absolute week of the last run week
  bool calculated = false;                              // a run has completed since start-up

  std::array<OMBatchWeek, 522> Batch{}; // trajectory scratch, reused per batch
};

} // namespace kelmar
