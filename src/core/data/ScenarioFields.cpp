#include "data/ScenarioFields.h"

#include <cmath>

#include "data/Columns.h"
#include "data/TextFormat.h"

namespace kelmar {

namespace {

constexpr FieldLimits RealLimits(double min, double max, int decimals) {
  return {FieldType::Real, min, max, decimals};
}

using RealRef = float& (*)(Scenario&);

ScenarioField Real(const char* key, const char* caption, const char* unit, double min, double max,
                   int decimals, RealRef ref) {
  ScenarioField f{key, caption, unit, RealLimits(min, max, decimals)};
  f.real = [ref](Scenario& s, int) { return &ref(s); };
  return f;
}

ScenarioField Whole(const char* key, const char* caption, const char* unit, double min, double max,
                    int32_t& (*ref)(Scenario&)) {
  ScenarioField f{key, caption, unit, {FieldType::Integer, min, max, 0}};
  f.integer = [ref](Scenario& s, int) { return &ref(s); };
  return f;
}

ScenarioField CropReal(const char* key, const char* caption, double min, double max, int decimals,
                       float& (*ref)(Crop&)) {
  ScenarioField f{key, caption, "", RealLimits(min, max, decimals)};
  f.real = [ref](Scenario& s, int item) { return &ref(s.Crops[static_cast<size_t>(item)]); };
  return f;
}

// A grid column over the column of the file layout with that label, so that
// its decimals and type are those the scenario file writes.
template <typename Row, size_t N, typename RowOf>
ScenarioField Col(const std::array<Column<Row>, N>& columns, std::string_view label, const char* header,
                  const char* hint, double min, double max, RowOf rowOf) {
  const Column<Row>* col = nullptr;
  for (const Column<Row>& c : columns)
    if (c.label == label) col = &c;
  ScenarioField f{
      header, header, hint, {col->whole ? FieldType::Integer : FieldType::Real, min, max, col->decimals}};
  if (col->real)
    f.real = [col, rowOf](Scenario& s, int item) { return &col->real(rowOf(s, item)); };
  else
    f.integer = [col, rowOf](Scenario& s, int item) { return &col->whole(rowOf(s, item)); };
  return f;
}

Crop& CropOf(Scenario& s, int i) { return s.Crops[static_cast<size_t>(i)]; }
Application& ApplOf(Scenario& s, int i) { return s.Appls[static_cast<size_t>(i)]; }

} // namespace

void ScenarioField::set(Scenario& s, int item, double v) const {
  if (real)
    *real(s, item) = static_cast<float>(v);
  else
    *integer(s, item) = static_cast<int32_t>(v);
}

std::string ScenarioField::text(Scenario& s, int item) const {
  const double v = get(s, item);
  if (whole()) return std::to_string(static_cast<long long>(v));
  return Trim(FmtFixed(v, 15, limits.decimals));
}

bool ScenarioField::parse(std::string_view text, double& v) const {
  return ParseUserNumber(text, limits.type, v) && std::isfinite(v) && limits.accepts(v);
}

std::vector<ScenarioField> ParameterFields() {
  return {
      Whole("Year", "Begin &Year", "[nr]", 1, 520, [](Scenario& s) -> int32_t& { return s.Year; }),
      Whole("Week", "Begin &Week", "[nr]", 1, 520, [](Scenario& s) -> int32_t& { return s.Week; }),
      Whole("Weeks", "&Length", "[weeks]", 1, 1300, [](Scenario& s) -> int32_t& { return s.Weeks; }),
      Real("ETbare", "ET &Bare Soil", "[-]", 0, 1, 2, [](Scenario& s) -> float& { return s.ETbare; }),
      Real("MWU", "&MWU fraction", "[-]", 0, 1, 2, [](Scenario& s) -> float& { return s.MWU; }),
      Real("pH", "&Soil pH TopSoil", "", 1, 14, 2, [](Scenario& s) -> float& { return s.pH; }),
      Real("CNM", "C/N Micro-&Organisms", "[-]", 0, 99, 2, [](Scenario& s) -> float& { return s.CNM; }),
      Real("ADM", "&Ass/Diss Ratio", "[-]", 0, 1, 2, [](Scenario& s) -> float& { return s.ADM; }),
      Real("NDep", "N &Deposition", "[kg/ha/yr]", 0, 999, 1, [](Scenario& s) -> float& { return s.NDep; }),
      Real("P2O5Dep", "&P2O5 Deposition", "[kg/ha/yr]", 0, 999, 1,
           [](Scenario& s) -> float& { return s.P2O5Dep; }),
      Real("K2ODep", "K2O De&position", "[kg/ha/yr]", 0, 999, 1,
           [](Scenario& s) -> float& { return s.K2ODep; }),
      Real("NFix0", "Fi&xation Ceiling", "[kg/ha]", 0, 999, 1, [](Scenario& s) -> float& { return s.NFix0; }),
      Real("DN0", "D&enitrif.Thresshold", "[kg/ha]", 0, 999, 1, [](Scenario& s) -> float& { return s.DN0; }),
      Real("DNF", "Deni&trif.Factor", "[-]", 0, 99, 2, [](Scenario& s) -> float& { return s.DNF; }),
      Real("GWWeek1", "Wee&k", "Max", 1, 52, 0, [](Scenario& s) -> float& { return s.WaterTable[0].Week; }),
      Real("GWT1", "Le&vel", "[cm]", 0, 999, 1, [](Scenario& s) -> float& { return s.WaterTable[0].GWT; }),
      Real("NGW1", "&Ncont", "[mg/l]", 0, 99, 2, [](Scenario& s) -> float& { return s.WaterTable[0].NGW; }),
      Real("GWWeek2", "Wee&k", "Min", 1, 52, 0, [](Scenario& s) -> float& { return s.WaterTable[1].Week; }),
      Real("GWT2", "Le&vel", "[cm]", 0, 999, 1, [](Scenario& s) -> float& { return s.WaterTable[1].GWT; }),
      Real("NGW2", "&Ncont", "[mg/l]", 0, 99, 2, [](Scenario& s) -> float& { return s.WaterTable[1].NGW; }),
  };
}

std::vector<ScenarioField> SoilFields() {
  std::vector<ScenarioField> v;
  for (int l = 0; l < kSoilCount; ++l) {
    const std::string n = std::to_string(l + 1);
    const size_t i = static_cast<size_t>(l);
    ScenarioField thl{"THL" + n, "Thic&kness", "[5-100cm]", RealLimits(5, 100, 0)};
    thl.real = [i](Scenario& s, int) { return &s.Soil[i].THL; };
    ScenarioField ifi{"IFi" + n, "Initia&l Fi", "[1-16000cm]", RealLimits(1, 16000, 0)};
    ifi.real = [i](Scenario& s, int) { return &s.Soil[i].IFi; };
    ScenarioField nmin{"NMIN" + n, "Initial &Nmin", "[0-999kg]", RealLimits(0, 999, 1)};
    nmin.real = [i](Scenario& s, int) { return &s.Soil[i].NMIN; };
    v.push_back(thl), v.push_back(ifi), v.push_back(nmin);
  }
  return v;
}

std::vector<ScenarioField> SoilParameterFields(int layer) {
  const size_t i = layer == 2 ? 1 : 0;
  struct P {
    const char* key;
    const char* caption;
    const char* unit;
    double min, max;
    int decimals;
    float SoilLayer::*field;
  };
  static const P params[] = {
      {"SMO", "&SMO", "[-]", 0, 1, 2, &SoilLayer::SMO},
      {"GAM", "&GAM", "[0-1/cm2]", 0, 1, 3, &SoilLayer::GAM},
      {"CRc", "C&Rc", "[cm]", 10, 999, 1, &SoilLayer::CRc},
      {"CRx", "CR&x", "[cm]", 10, 999, 1, &SoilLayer::CRx},
      {"Text", "&Texture Factor", "[-]", 0, 1, 2, &SoilLayer::Text},
      {"NLF", "Nitrogen &Leaching Factor", "[-]", 0, 1, 2, &SoilLayer::NLF},
      {"FI", "ByPass &Flow Thresshold", "[mm/week]", 0, 999, 1, &SoilLayer::FI},
      {"BPF", "&ByPass Flow Factor", "[-]", 0, 1, 2, &SoilLayer::BPF},
  };
  std::vector<ScenarioField> v;
  for (const P& p : params) {
    ScenarioField f{p.key, p.caption, p.unit, RealLimits(p.min, p.max, p.decimals)};
    f.real = [i, m = p.field](Scenario& s, int) { return &(s.Soil[i].*m); };
    v.push_back(f);
  }
  return v;
}

std::vector<ScenarioField> SubSoilOMFields() {
  return {
      Real("oOM2", "&Quantity", "[kg OM/ha]", 0, 999999, 0, [](Scenario& s) -> float& { return s.oOM2; }),
      Real("oNc2", "&N content", "[%]", 0, 99.99, 2, [](Scenario& s) -> float& { return s.oNc2; }),
      Real("oAge2", "&Initial Age", "[years]", 0, 99.99, 2, [](Scenario& s) -> float& { return s.oAge2; }),
      Real("DN02", "&DN0", "[kg/ha]", 0, 9999, 1, [](Scenario& s) -> float& { return s.DN02; }),
      Real("DNF2", "DN&F", "[/1000kg OM]", 0, 99.99, 2, [](Scenario& s) -> float& { return s.DNF2; }),
  };
}

std::vector<ScenarioField> CropParameterFields() {
  return {
      CropReal("DMdistrPROD", "DMdistr &PROD", 0, 1, 2, [](Crop& c) -> float& { return c.DMdistr[kProd]; }),
      CropReal("DMdistrRESI", "DMdistr RESI", 0, 1, 2, [](Crop& c) -> float& { return c.DMdistr[kResi]; }),
      CropReal("DMdistrROOT", "DMdistr ROOT", 0, 1, 2, [](Crop& c) -> float& { return c.DMdistr[kRoot]; }),
      CropReal("NdmPROD", "&N%dm PROD", 0, 99.99, 2, [](Crop& c) -> float& { return c.Npctdm[kProd]; }),
      CropReal("NdmRESI", "N%dm RESI", 0, 99.99, 2, [](Crop& c) -> float& { return c.Npctdm[kResi]; }),
      CropReal("NdmROOT", "N%dm ROOT", 0, 99.99, 2, [](Crop& c) -> float& { return c.Npctdm[kRoot]; }),
      CropReal("P2O5PROD", "P2O5% PROD", 0, 99.99, 2, [](Crop& c) -> float& { return c.P2O5pct[kProd]; }),
      CropReal("P2O5RESI", "P2O5% RESI", 0, 99.99, 2, [](Crop& c) -> float& { return c.P2O5pct[kResi]; }),
      CropReal("K2OPROD", "&K2O% PROD", 0, 99.99, 2, [](Crop& c) -> float& { return c.K2Opct[kProd]; }),
      CropReal("K2ORESI", "K2O% RESI", 0, 99.99, 2, [](Crop& c) -> float& { return c.K2Opct[kResi]; }),
      CropReal("AppliedPROD", "&Applied PROD", 0, 1, 2, [](Crop& c) -> float& { return c.Applied[kProd]; }),
      CropReal("AppliedRESI", "Applied RESI", 0, 1, 2, [](Crop& c) -> float& { return c.Applied[kResi]; }),
      CropReal("AgePROD", "&Initial Age PROD", 0, 99.99, 2,
               [](Crop& c) -> float& { return c.InitAge[kProd]; }),
      CropReal("AgeRESI", "Initial Age RESI", 0, 99.99, 2,
               [](Crop& c) -> float& { return c.InitAge[kResi]; }),
      CropReal("AgeROOT", "Initial Age ROOT", 0, 99.99, 2,
               [](Crop& c) -> float& { return c.InitAge[kRoot]; }),
      CropReal("ETMAX", "&ETMAX", 0, 2, 2, [](Crop& c) -> float& { return c.ETMAX; }),
      CropReal("RDepth", "&RDepth", 0, 999, 0, [](Crop& c) -> float& { return c.RDepth; }),
      CropReal("PlantQUANT", "Planting &QUANT", 0, 99999, 0, [](Crop& c) -> float& { return c.PlantQUANT; }),
      CropReal("PlantDM", "Planting &DM%", 0, 100, 1, [](Crop& c) -> float& { return c.PlantDMpct; }),
      CropReal("PlantN", "Planting N%dm", 0, 99.99, 2, [](Crop& c) -> float& { return c.PlantNpctdm; }),
      CropReal("PlantP2O5", "Planting P2O5%", 0, 99.99, 2, [](Crop& c) -> float& { return c.PlantP2O5pct; }),
      CropReal("PlantK2O", "Planting K2O%", 0, 99.99, 2, [](Crop& c) -> float& { return c.PlantK2Opct; }),
  };
}

std::vector<ScenarioField> CropGridFields() {
  const auto& c = kCropColumns;
  return {
      Col(c, "YEAR", "Year", "Year of sowing", 1, 520, CropOf),
      Col(c, "WEEK1", "Sow", "Week of sowing", 1, 520, CropOf),
      Col(c, "WEEK2", "FulC", "Week of fullcover", 1, 520, CropOf),
      Col(c, "WEEK3", "Ripe", "Week of ripening", 1, 520, CropOf),
      Col(c, "WEEK4", "Harv", "Week of harvest", 1, 520, CropOf),
      Col(c, "PRODi", "Yield", "Product yield kg/ha", 0, 999999, CropOf),
      Col(c, "DM%", "DM%", "Dry matter content", 0, 100, CropOf),
      Col(c, "NFIXi", "NFix", "N fixation kg/ha", 0, 999999, CropOf),
      Col(c, "Code", "Code", "Crop=5;GreenManure=6", 5, 6, CropOf),
  };
}

std::vector<ScenarioField> ApplGridFields() {
  const auto& c = kApplColumns;
  return {
      Col(c, "YR", "Year", "Year of application", 1, 520, ApplOf),
      Col(c, "WK", "Week", "Week of application", 1, 520, ApplOf),
      Col(c, "QUANT", "Quant", "Quantity applied kg/ha", -999, 999999, ApplOf),
      Col(c, "DM%", "DM%", "Dry matter content", 0, 100, ApplOf),
      Col(c, "OM%dm", "OM%", "Organic matter content", 0, 100, ApplOf),
      Col(c, "N%dm", "N%", "Nitrogen content", 0, 99.99, ApplOf),
      Col(c, "P2O5%", "P2O5%", "P2O5 content", 0, 99.99, ApplOf),
      Col(c, "K2O%", "K2O%", "K2O content", 0, 99.99, ApplOf),
      Col(c, "IAGE", "IAge", "Initial age", 0, 99.99, ApplOf),
      Col(c, "Nmin%", "Nm%", "Mineral N content", 0, 99.99, ApplOf),
      Col(c, "ACT", "Type", "1:Manu;2:Cult;3:IOM;4:Fert", 0, 4, ApplOf),
  };
}

} // namespace kelmar
