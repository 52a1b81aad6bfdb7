// The in-memory scenario: general parameters, water table, soil layers, the
// crop rotation, the organic applications and the headers of the four weekly
// series. Every record has a fixed capacity and is changed in place; loading a
// file overwrites field values and never reallocates.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "records/FixedString.h"

namespace kelmar {

inline constexpr int kMaxCrops = 40;
inline constexpr int kMaxAppls = 100;
inline constexpr int kMaxWeeks = 520;    // run weeks 1..520
inline constexpr int kWeekRecords = 522; // records 0..521
inline constexpr int kSoilCount = 2;
inline constexpr int kNameWidth = 20;

// Indices into the three-part crop arrays (DMdistr, N%dm, Initial Age ...).
enum PlantPart { kProd = 0, kResi = 1, kRoot = 2 };

// Derived per-crop quantities, recomputed at the start of every run and never
// stored (kg/ha unless noted).
struct CropWork {
  float DMprod = 0;  // dry matter of the product
  float DMresi = 0;  // dry matter of the residue
  float DMroot = 0;  // dry matter of the roots
  float Nprod = 0;   // N in the product
  float Nresi = 0;   // N in the residue
  float Nroot = 0;   // N in the roots
  float DMtot = 0;   // total dry matter
  float Npct = 0;    // mean N % of the dry matter
  float Nupt = 0;    // N the crop takes up
  float DMplant = 0; // dry matter of the planting material
  float Nplant = 0;  // N in the planting material
};

struct Crop {
  Name20 Name;                    // at most 20 characters
  int32_t YEAR = 0;               // year of the crop
  int32_t WEEK1 = 0;              // sowing week
  int32_t WEEK2 = 0;              // week of full cover
  int32_t WEEK3 = 0;              // ripening week
  int32_t WEEK4 = 0;              // harvest week
  float PRODi = 0;                // product yield (fresh), kg/ha
  float DMpct = 0;                // dry-matter % of the product
  float NFIXi = 0;                // N fixation, kg N/ha
  std::array<float, 3> DMdistr{}; // PROD, RESI, ROOT fractions [-]
  std::array<float, 3> Npctdm{};  // N % of dry matter: PROD, RESI, ROOT
  std::array<float, 2> Applied{}; // returned fraction: PROD, RESI [-]
  std::array<float, 3> InitAge{}; // apparent initial age: PROD, RESI, ROOT
  float ETMAX = 0;                // reference crop ET factor [-]
  float DMpctResi = 0;            // dry-matter % of the residue
  float PlantQUANT = 0;           // planting quantity, kg/ha
  float PlantDMpct = 0;           // planting dry-matter %
  float PlantNpctdm = 0;          // planting N % of dry matter
  std::array<float, 2> P2O5pct{}; // P2O5 % of dry matter: PROD, RESI
  std::array<float, 2> K2Opct{};  // K2O % of dry matter: PROD, RESI
  float PlantP2O5pct = 0;         // planting P2O5 %
  float PlantK2Opct = 0;          // planting K2O %
  float RDepth = 0;               // rooting depth, cm
  int32_t Code = 0;               // crop code (6 = green manure)
  CropWork work;                  // filled by the model, never stored
};

struct Application {
  Name20 Name;       // at most 20 characters
  int32_t ACT = 0;   // kind of action
  int32_t YR = 0;    // year
  int32_t WK = 0;    // week
  float QUANT = 0;   // quantity, kg/ha
  float DMpct = 0;   // dry-matter %
  float OMpctdm = 0; // organic matter, % of dry matter
  float Npctdm = 0;  // N, % of dry matter
  float IAGE = 0;    // initial age, years
  float P2O5pct = 0; // P2O5 %
  float K2Opct = 0;  // K2O %
  float Nminpct = 0; // mineral N %
};

struct SoilLayer {
  Name20 Name;    // at most 20 characters
  float THL = 0;  // thickness, cm
  float IFi = 0;  // initial suction Fi, cm
  float NMIN = 0; // initial mineral N, kg/ha
  float SMO = 0;  // [-]
  float GAM = 0;  // [1/cm2]
  float CRc = 0;  // cm
  float CRx = 0;  // cm
  float Text = 0; // texture factor [-]
  float NLF = 0;  // nitrogen leaching factor [-]
  float FI = 0;   // bypass flow threshold, mm/week
  float BPF = 0;  // bypass flow factor [-]
};

struct WaterTablePoint {
  float Week = 0; // week of the year (whole number)
  float GWT = 0;  // level, cm
  float NGW = 0;  // N content of the ground water, mg/l
};

enum class SeriesKind { Environment = 0, Irrigation = 1, Nmineral = 2, Omon = 3 };
inline constexpr int kSeriesCount = 4;

struct SeriesHeader {
  std::string FileName; // file the series was loaded from / is saved to
  Name20 Name;          // at most 20 characters
  int32_t Year = 0;     // calendar start of the series
  int32_t Week = 0;
  int32_t Count = 0;      // environment: last data week; others: data weeks
  int32_t InsertWeek = 0; // default week offered for the next insert
};

struct Scenario {
  Name20 Title;         // at most 20 characters
  std::string EnviFile; // environment file loaded with this scenario
  int32_t Year = 0;     // first year of the run
  int32_t Week = 0;     // first week of the run
  int32_t Weeks = 0;    // run length in weeks
  float ETbare = 0;     // ET factor of bare soil [-]
  float MWU = 0;        // MWU fraction [-]
  float pH = 0;         // topsoil pH
  float CNM = 0;        // C/N of the micro-organisms [-]
  float ADM = 0;        // assimilation/dissimilation ratio [-]
  float NDep = 0;       // N deposition, kg/ha/yr
  float P2O5Dep = 0;    // P2O5 deposition, kg/ha/yr
  float K2ODep = 0;     // K2O deposition, kg/ha/yr
  float NFix0 = 0;      // fixation ceiling, kg/ha
  float DN0 = 0;        // denitrification threshold, topsoil, kg/ha
  float DNF = 0;        // denitrification factor, topsoil [-]
  float oOM2 = 0;       // subsoil organic matter, kg OM/ha
  float oNc2 = 0;       // its N content, %
  float oAge2 = 0;      // its initial age, years
  float DN02 = 0;       // denitrification threshold, subsoil, kg/ha
  float DNF2 = 0;       // denitrification factor, subsoil, per 1000 kg OM

  std::array<WaterTablePoint, 2> WaterTable{}; // [0] maximum, [1] minimum level
  int32_t SoilCount = kSoilCount;
  std::array<SoilLayer, kSoilCount> Soil{}; // [0] TopSoil, [1] SubSoil

  int32_t CropCount = 0;
  std::array<Crop, kMaxCrops + 1> Crops{}; // [0] template, [1..CropCount] rotation
  int32_t ApplCount = 0;
  std::array<Application, kMaxAppls + 1> Appls{}; // [1..3] initial OM pools

  std::array<SeriesHeader, kSeriesCount> Series{};

  std::string ScenarioFile; // full path of the scenario file
  std::string FileId;       // identifier of the last scenario file read

  SeriesHeader& series(SeriesKind k) { return Series[static_cast<int>(k)]; }
  const SeriesHeader& series(SeriesKind k) const { return Series[static_cast<int>(k)]; }
};

} // namespace kelmar
