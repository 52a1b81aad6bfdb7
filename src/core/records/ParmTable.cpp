#include "records/ParmTable.h"

namespace kelmar {

namespace {

struct Init {
  std::string_view name;
  float value, defLower, defUpper;
  int32_t decimals, fit;
  ParmField field;
};

#define KF(expr) [](Scenario& s) -> float& { return expr; }

const std::array<Init, kParmCount> kInitial{{
    {"ETBare", 0.5f, 0, 1, 2, 0, KF(s.ETbare)},
    {"MWU", 0.75f, 0, 1, 2, 0, KF(s.MWU)},
    {"pH", 7, 1, 14, 2, 0, KF(s.pH)},
    {"CNM", 8.3f, 0, 99, 2, 1, KF(s.CNM)},
    {"ADM", 0.5f, 0, 1, 2, 0, KF(s.ADM)},
    {"NDep", 35, 0, 999, 1, 0, KF(s.NDep)},
    {"NFix0", 10, 0, 999, 1, 1, KF(s.NFix0)},
    {"DN0", 25, 0, 999, 1, 0, KF(s.DN0)},
    {"DNF", 0.3f, 0, 99, 2, 1, KF(s.DNF)},
    {"GWTwk1", 12, 1, 52, 0, 0, KF(s.WaterTable[0].Week)},
    {"GWT1", 100, 0, 999, 1, 0, KF(s.WaterTable[0].GWT)},
    {"NGW1", 10, 0, 99, 2, 0, KF(s.WaterTable[0].NGW)},
    {"GWTwk2", 38, 1, 52, 0, 0, KF(s.WaterTable[1].Week)},
    {"GWT2", 130, 0, 999, 1, 0, KF(s.WaterTable[1].GWT)},
    {"NGW2", 10, 0, 99, 2, 0, KF(s.WaterTable[1].NGW)},
    {"THL1", 30, 5, 100, 0, 0, KF(s.Soil[0].THL)},
    {"IFi1", 100, 1, 16000, 0, 0, KF(s.Soil[0].IFi)},
    {"NMin1", 10, 0, 999, 1, 0, KF(s.Soil[0].NMIN)},
    {"SMO1", 0.364f, 0.35f, 1, 2, 0, KF(s.Soil[0].SMO)},
    {"GAM1", 0.029f, 0, 0.09f, 3, 0, KF(s.Soil[0].GAM)},
    {"CRc1", 99.17f, 10, 999, 1, 0, KF(s.Soil[0].CRc)},
    {"CRx1", 22.37f, 10, 999, 1, 0, KF(s.Soil[0].CRx)},
    {"Text1", 1, 0, 9, 2, 1, KF(s.Soil[0].Text)},
    {"NLF1", 1, 0, 9, 2, 1, KF(s.Soil[0].NLF)},
    {"FI1", 35, 0, 999, 1, 0, KF(s.Soil[0].FI)},
    {"BPF1", 0, 0, 1, 2, 0, KF(s.Soil[0].BPF)},
    {"THL2", 30, 5, 100, 0, 0, KF(s.Soil[1].THL)},
    {"IFi2", 100, 1, 16000, 0, 0, KF(s.Soil[1].IFi)},
    {"NMIN2", 10, 0, 999, 1, 0, KF(s.Soil[1].NMIN)},
    {"SMO2", 0.364f, 0.35f, 1, 2, 0, KF(s.Soil[1].SMO)},
    {"GAM2", 0.029f, 0, 0.09f, 3, 0, KF(s.Soil[1].GAM)},
    {"CRc2", 99.17f, 10, 999, 1, 0, KF(s.Soil[1].CRc)},
    {"CRx2", 22.37f, 10, 999, 1, 0, KF(s.Soil[1].CRx)},
    {"Text2", 1, 0, 9, 2, 0, KF(s.Soil[1].Text)},
    {"NLF2", 1, 0, 9, 2, 1, KF(s.Soil[1].NLF)},
    {"FI2", 35, 0, 999, 1, 0, KF(s.Soil[1].FI)},
    {"BPF2", 0, 0, 1, 2, 0, KF(s.Soil[1].BPF)},
    {"oOM", 94000, 0, 999999, 0, 0, KF(s.Appls[1].QUANT)},
    {"oNc", 6, 0, 99, 2, 0, KF(s.Appls[1].Npctdm)},
    {"oAge", 24, 0, 99, 2, 1, KF(s.Appls[1].IAGE)},
    {"yOM", 8000, 0, 999999, 0, 0, KF(s.Appls[2].QUANT)},
    {"yNc", 4, 0, 99, 2, 0, KF(s.Appls[2].Npctdm)},
    {"yAge", 4, 0, 99, 2, 0, KF(s.Appls[2].IAGE)},
    {"fOM", 3000, 0, 999999, 0, 0, KF(s.Appls[3].QUANT)},
    {"fNc", 3, 0, 99, 2, 0, KF(s.Appls[3].Npctdm)},
    {"fAge", 1.41f, 0, 99, 2, 0, KF(s.Appls[3].IAGE)},
    {"oOM2", 0, 0, 999999, 0, 0, KF(s.oOM2)},
    {"oNc2", 4.5f, 0, 99, 2, 0, KF(s.oNc2)},
    {"oAge2", 24, 0, 99, 2, 0, KF(s.oAge2)},
    {"DN02", 50, 0, 999, 1, 0, KF(s.DN02)},
    {"DNF2", 0.3f, 0, 99, 2, 0, KF(s.DNF2)},
}};

#undef KF

} // namespace

ParmTable::ParmTable() {
  for (int i = 0; i < kParmCount; ++i) {
    const Init& in = kInitial[i];
    entries_[i] = AutoParm{in.name, in.value, in.defLower, in.defUpper, in.decimals,
                           in.fit,  in.field, in.defLower, in.defUpper};
  }
}

void ParmTable::ResetRanges() {
  for (AutoParm& p : entries_) {
    p.lower = p.defLower;
    p.upper = p.defUpper;
  }
}

void ParmTable::Clamp(Scenario& s) const {
  for (const AutoParm& p : entries_) {
    float& v = p.field(s);
    if (v < p.lower) v = p.lower;
    if (v > p.upper) v = p.upper;
  }
}

void ParmTable::Backup(const Scenario& s) {
  BackupYear = s.Year;
  BackupWeek = s.Week;
  for (AutoParm& p : entries_) p.backup = p.field(const_cast<Scenario&>(s));
}

void ParmTable::Restore(Scenario& s) const {
  s.Year = BackupYear;
  s.Week = BackupWeek;
  for (const AutoParm& p : entries_) p.field(s) = p.backup;
}

int ParmTable::MarkedCount() const {
  int n = 0;
  for (const AutoParm& p : entries_)
    if (p.fit > 0) ++n;
  return n;
}

} // namespace kelmar
