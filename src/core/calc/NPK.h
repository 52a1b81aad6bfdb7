// The nitrogen, phosphate and potassium balance of the last run over a range
// of weeks, per year: what seed, planting material, applications and
// irrigation bring in, what the harvest takes away, the balance, and three
// efficiencies of N that successively count deposition and fixation and the
// change of the organic and mineral N stocks. It is computed on demand from
// the week records and the crop and application records; nothing is kept.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelmar {

struct Workspace;

// Factors that turn P2O5 into P and K2O into K.
inline constexpr double kPFromP2O5 = 0.436;
inline constexpr double kKFromK2O = 0.83;

// Every figure is kg/ha/year unless noted. P and K figures are P2O5 and K2O,
// or P and K when PK is set. When the range is empty (its first week lies
// after its last) every figure is 0.
struct NPKResult {
  int32_t first = 0; // first run week of the range
  int32_t last = 0;  // last run week of the range (at most Weeks)
  float Y = 0;       // years in the range, (last - first + 1) / 52
  bool PK = false;   // P and K figures are elements, not oxides

  float NSeed = 0; // N in seed and planting material
  float PSeed = 0;
  float KSeed = 0;
  float NApplied = 0; // N in organic applications and fertilisers
  float PAppl = 0;
  float KAppl = 0;
  float NIrrig = 0; // N in irrigation water
  float NHarv = 0;  // N removed with the harvested product and residue
  float PHarv = 0;
  float KHarv = 0;
  float NBal = 0; // inputs - removal
  float PBal = 0;
  float KBal = 0;
  float NEff1 = 0; // -: removal / (seed + applications + irrigation)
  float PEff1 = 0; // -: removal / (seed + applications)
  float KEff1 = 0; // -: removal / (seed + applications)
  float NDep = 0;  // deposition
  float PDep = 0;
  float KDep = 0;
  float NFix = 0;   // N fixation
  float NEff2 = 0;  // -: removal / (inputs + fixation + deposition)
  float ONDecr = 0; // decrease of the organic N stock of both layers
  float NmDecr = 0; // decrease of the mineral N stock of both layers
  float NLeach = 0; // N leached out of the profile
  float NDen = 0;   // denitrification of both layers
  float NEff3 = 0;  // -: removal / (inputs + fixation + deposition + stock decreases)

  // The supply terms as the run summary counts them: N from seed, applications
  // and irrigation; P and K from seed and applications.
  float NSupply() const;
  float PSupply() const;
  float KSupply() const;
};

// The balance over weeks RangeFrom..RangeTill of the workspace's program
// state, P and K as elements when option kOptShowPK is set.
NPKResult CalcNPK(const Workspace& ws);
// The balance over run weeks rangeFrom..min(rangeTill, Weeks), P and K as
// elements when pk is set. The run summary uses it for the whole run without
// touching the program's range or options.
NPKResult CalcNPK(const Workspace& ws, int32_t rangeFrom, int32_t rangeTill, bool pk);

// The 16 lines of the "Mineral Balance" window, without line ends.
std::vector<std::string> MineralBalanceLines(const NPKResult& r);
std::vector<std::string> MineralBalanceLines(const Workspace& ws);

} // namespace kelmar
