#include "data/Columns.h"

namespace kelmar {

namespace {

#define CR(expr) [](Crop& c) -> float& { return expr; }, nullptr
#define CW(expr) nullptr, [](Crop& c) -> int32_t& { return expr; }
#define AR(expr) [](Application& a) -> float& { return expr; }, nullptr
#define AW(expr) nullptr, [](Application& a) -> int32_t& { return expr; }

} // namespace

const std::array<CropColumn, 32> kCropColumns{{
    {"YEAR", 1, 6, 0, CW(c.YEAR)},
    {"WEEK1", 1, 6, 0, CW(c.WEEK1)},
    {"WEEK2", 1, 6, 0, CW(c.WEEK2)},
    {"WEEK3", 1, 6, 0, CW(c.WEEK3)},
    {"WEEK4", 1, 6, 0, CW(c.WEEK4)},
    {"PRODi", 1, 7, 0, CR(c.PRODi)},
    {"DM%", 1, 6, 1, CR(c.DMpct)},
    {"NFIXi", 1, 6, 0, CR(c.NFIXi)},
    {"DMdistr PROD", 2, 6, 2, CR(c.DMdistr[kProd])},
    {"DMdistr RESI", 2, 6, 2, CR(c.DMdistr[kResi])},
    {"DMdistr ROOT", 2, 6, 2, CR(c.DMdistr[kRoot])},
    {"N%dm PROD", 2, 6, 2, CR(c.Npctdm[kProd])},
    {"N%dm RESI", 2, 6, 2, CR(c.Npctdm[kResi])},
    {"N%dm ROOT", 2, 6, 2, CR(c.Npctdm[kRoot])},
    {"Applied PROD", 2, 6, 2, CR(c.Applied[kProd])},
    {"Applied RESI", 2, 6, 2, CR(c.Applied[kResi])},
    {"Initial Age PROD", 3, 6, 2, CR(c.InitAge[kProd])},
    {"Initial Age RESI", 3, 6, 2, CR(c.InitAge[kResi])},
    {"Initial Age ROOT", 3, 6, 2, CR(c.InitAge[kRoot])},
    {"ETMAX", 3, 6, 2, CR(c.ETMAX)},
    {"DM% RESI", 3, 6, 1, CR(c.DMpctResi)},
    {"Planting QUANT", 3, 6, 0, CR(c.PlantQUANT)},
    {"Planting DM%", 3, 6, 1, CR(c.PlantDMpct)},
    {"Planting N%dm", 3, 6, 2, CR(c.PlantNpctdm)},
    {"P2O5% PROD", 4, 6, 2, CR(c.P2O5pct[kProd])},
    {"P2O5% RESI", 4, 6, 2, CR(c.P2O5pct[kResi])},
    {"K2O% PROD", 4, 6, 2, CR(c.K2Opct[kProd])},
    {"K2O% RESI", 4, 6, 2, CR(c.K2Opct[kResi])},
    {"Planting P2O5%", 4, 6, 2, CR(c.PlantP2O5pct)},
    {"Planting K2O%", 4, 6, 2, CR(c.PlantK2Opct)},
    {"RDepth", 4, 6, 0, CR(c.RDepth), 1},
    {"Code", 4, 6, 0, CW(c.Code), 2},
}};

const std::array<ApplColumn, 11> kApplColumns{{
    {"ACT", 1, 3, 0, AW(a.ACT)},
    {"YR", 1, 4, 0, AW(a.YR)},
    {"WK", 1, 4, 0, AW(a.WK)},
    {"QUANT", 1, 7, 0, AR(a.QUANT)},
    {"DM%", 1, 6, 1, AR(a.DMpct)},
    {"OM%dm", 1, 6, 1, AR(a.OMpctdm)},
    {"N%dm", 1, 6, 2, AR(a.Npctdm)},
    {"IAGE", 1, 6, 2, AR(a.IAGE)},
    {"P2O5%", 1, 6, 2, AR(a.P2O5pct), 7},
    {"K2O%", 1, 6, 2, AR(a.K2Opct), 7},
    {"Nmin%", 1, 6, 2, AR(a.Nminpct), 8},
}};

} // namespace kelmar
