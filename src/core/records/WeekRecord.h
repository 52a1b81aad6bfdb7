// One week of the run: the weekly inputs of the four series and every weekly
// result of the model, 86 single-precision fields in a fixed order. Record 0 is
// the initial state of a run, record r run week r, record Weeks + 1 the state
// after the last run week. The order of the fields is part of the program's
// outputs (the weeks CSV) and must not change.
#pragma once

#include <array>
#include <string_view>

namespace kelmar {

struct WeekRecord {
  float GWT = 0;        // cm: ground-water table depth
  float NGW = 0;        // mg/l: N concentration of the ground water
  float FC1 = 0;        // mm: water content at field capacity, topsoil
  float FC2 = 0;        // mm: water content at field capacity, subsoil
  float CRmax1 = 0;     // mm/week: maximum capillary rise into the topsoil
  float CRmax2 = 0;     // mm/week: maximum capillary rise into the subsoil
  float Tc = 0;         // degC: weekly temperature (input)
  float Rain = 0;       // mm: rain (input)
  float ET0 = 0;        // mm: reference evapotranspiration (input)
  float Irr = 0;        // mm: irrigation (input)
  float NIrr = 0;       // kgN/ha: N in irrigation (input)
  float Ni1 = 0;        // kgN/ha: measured mineral N, topsoil (input)
  float Ni2 = 0;        // kgN/ha: measured mineral N, subsoil (input)
  float OMi = 0;        // kg/ha: measured organic matter (input)
  float ONi = 0;        // kg/ha: measured organic N (input)
  float Cover = 0;      // -: crop cover factor
  float RD = 0;         // cm: rooting depth
  float RF1 = 0;        // -: fraction of the roots in the topsoil
  float UPTi = 0;       // mm: intended water uptake
  float NUPTi = 0;      // kgN/ha: intended N uptake
  float NFIX = 0;       // kgN/ha: N fixation
  float Den1 = 0;       // kgN/ha: denitrification, topsoil
  float Den2 = 0;       // kgN/ha: denitrification, subsoil
  float BP1 = 0;        // -: bypass fraction, topsoil
  float BP2 = 0;        // -: bypass fraction, subsoil
  float BPF1 = 0;       // mm: bypass flow, topsoil
  float BPF2 = 0;       // mm: additional bypass flow, subsoil
  float MFIN1 = 0;      // mm: matrix flow into the topsoil
  float MFIN2 = 0;      // mm: matrix flow into the subsoil
  float NTeta1 = 0;     // mm: water content after inflow, topsoil
  float NTeta2 = 0;     // mm: water content after inflow, subsoil
  float UPT1 = 0;       // mm: modelled water uptake from the topsoil
  float UPT2 = 0;       // mm: modelled water uptake from the subsoil
  float MFOUT1 = 0;     // mm: matrix flow out of the topsoil (negative = upward)
  float MFOUT2 = 0;     // mm: matrix flow out of the subsoil (negative = upward)
  float FOUT1 = 0;      // mm: total flow out of the topsoil
  float FOUT2 = 0;      // mm: total flow out of the profile
  float Teta1 = 0;      // mm: water content at the start of the week, topsoil
  float Teta2 = 0;      // mm: water content at the start of the week, subsoil
  float theta1 = 0;     // -: volumetric water fraction, topsoil
  float theta2 = 0;     // -: volumetric water fraction, subsoil
  float Fi1 = 0;        // cm: soil water suction, topsoil
  float Fi2 = 0;        // cm: soil water suction, subsoil
  float pF1 = 0;        // -: log10 of Fi1
  float pF2 = 0;        // -: log10 of Fi2
  float fT = 0;         // -: temperature factor
  float fTheta = 0;     // -: moisture factor, topsoil
  float fT_fTheta = 0;  // -: fT x fTheta
  float UPTm = 0;       // mm: modelled water uptake, UPT1 + UPT2
  float OMt1 = 0;       // kg/ha: organic matter, topsoil
  float Nt1 = 0;        // kg/ha: organic N, topsoil
  float dOMt1 = 0;      // kg/ha: organic matter decomposed in the week, topsoil
  float dNt1 = 0;       // kgN/ha: N mineralised in the week, topsoil
  float SNM1 = 0;       // kgN/ha: cumulative N mineralised, topsoil
  float APPL = 0;       // kgN/ha: part of SNM1 from organic applications
  float CULT = 0;       // kgN/ha: part of SNM1 from cultivations
  float FERT = 0;       // kgN/ha: part of SNM1 from fertilisers
  float IOM = 0;        // kgN/ha: part of SNM1 from the initial organic matter
  float RESI = 0;       // kgN/ha: part of SNM1 from crop residues
  float GRMA = 0;       // kgN/ha: part of SNM1 from green manures
  float fT_fTheta2 = 0; // -: fT x moisture factor of the subsoil
  float OMt2 = 0;       // kg/ha: organic matter, subsoil
  float Nt2 = 0;        // kg/ha: organic N, subsoil
  float dOMt2 = 0;      // kg/ha: organic matter decomposed in the week, subsoil
  float dNt2 = 0;       // kgN/ha: N mineralised in the week, subsoil
  float SNM2 = 0;       // kgN/ha: cumulative N mineralised, subsoil
  float BPFN1 = 0;      // kgN/ha: N in the bypass flow, topsoil
  float BPFN2 = 0;      // kgN/ha: N in the additional bypass flow, subsoil
  float MNin1 = 0;      // kgN/ha: mineral N into the topsoil
  float MNin2 = 0;      // kgN/ha: mineral N into the subsoil
  float NewN1 = 0;      // kgN/ha: mineral N after inputs and denitrification, topsoil
  float NewN2 = 0;      // kgN/ha: mineral N after inputs and denitrification, subsoil
  float NUPT1 = 0;      // kgN/ha: N uptake from the topsoil
  float NUPT2 = 0;      // kgN/ha: N uptake from the subsoil
  float MNout1 = 0;     // kgN/ha: N leaving the topsoil with matrix flow
  float MNout2 = 0;     // kgN/ha: N leaving the subsoil with matrix flow
  float Nout1 = 0;      // kgN/ha: total N out of the topsoil
  float Nout2 = 0;      // kgN/ha: total N out of the profile (leaching)
  float N1 = 0;         // kgN/ha: mineral N at the start of the week, topsoil
  float N2 = 0;         // kgN/ha: mineral N at the start of the week, subsoil
  float NUPTm = 0;      // kgN/ha: modelled N uptake, NUPT1 + NUPT2 + NFIX
  float cAvail = 0;     // kgN/ha: cumulative N made available
  float cNUPTi = 0;     // kgN/ha: cumulative NUPTi
  float cNUPTm = 0;     // kgN/ha: cumulative NUPTm
  float cNout = 0;      // kgN/ha: cumulative Nout2
  float NetAvail = 0;   // kgN/ha: cumulative net N availability
};

inline constexpr int kWeekFieldCount = 86;
static_assert(sizeof(WeekRecord) == kWeekFieldCount * sizeof(float));

struct WeekField {
  std::string_view name;
  float WeekRecord::*member;
};

// The fields in record order, for generic access (tables, CSV export, tests).
inline constexpr std::array<WeekField, kWeekFieldCount> kWeekFields{{
    {"GWT", &WeekRecord::GWT},
    {"NGW", &WeekRecord::NGW},
    {"FC1", &WeekRecord::FC1},
    {"FC2", &WeekRecord::FC2},
    {"CRmax1", &WeekRecord::CRmax1},
    {"CRmax2", &WeekRecord::CRmax2},
    {"Tc", &WeekRecord::Tc},
    {"Rain", &WeekRecord::Rain},
    {"ET0", &WeekRecord::ET0},
    {"Irr", &WeekRecord::Irr},
    {"NIrr", &WeekRecord::NIrr},
    {"Ni1", &WeekRecord::Ni1},
    {"Ni2", &WeekRecord::Ni2},
    {"OMi", &WeekRecord::OMi},
    {"ONi", &WeekRecord::ONi},
    {"Cover", &WeekRecord::Cover},
    {"RD", &WeekRecord::RD},
    {"RF1", &WeekRecord::RF1},
    {"UPTi", &WeekRecord::UPTi},
    {"NUPTi", &WeekRecord::NUPTi},
    {"NFIX", &WeekRecord::NFIX},
    {"Den1", &WeekRecord::Den1},
    {"Den2", &WeekRecord::Den2},
    {"BP1", &WeekRecord::BP1},
    {"BP2", &WeekRecord::BP2},
    {"BPF1", &WeekRecord::BPF1},
    {"BPF2", &WeekRecord::BPF2},
    {"MFIN1", &WeekRecord::MFIN1},
    {"MFIN2", &WeekRecord::MFIN2},
    {"NTeta1", &WeekRecord::NTeta1},
    {"NTeta2", &WeekRecord::NTeta2},
    {"UPT1", &WeekRecord::UPT1},
    {"UPT2", &WeekRecord::UPT2},
    {"MFOUT1", &WeekRecord::MFOUT1},
    {"MFOUT2", &WeekRecord::MFOUT2},
    {"FOUT1", &WeekRecord::FOUT1},
    {"FOUT2", &WeekRecord::FOUT2},
    {"Teta1", &WeekRecord::Teta1},
    {"Teta2", &WeekRecord::Teta2},
    {"theta1", &WeekRecord::theta1},
    {"theta2", &WeekRecord::theta2},
    {"Fi1", &WeekRecord::Fi1},
    {"Fi2", &WeekRecord::Fi2},
    {"pF1", &WeekRecord::pF1},
    {"pF2", &WeekRecord::pF2},
    {"fT", &WeekRecord::fT},
    {"fTheta", &WeekRecord::fTheta},
    {"fT_fTheta", &WeekRecord::fT_fTheta},
    {"UPTm", &WeekRecord::UPTm},
    {"OMt1", &WeekRecord::OMt1},
    {"Nt1", &WeekRecord::Nt1},
    {"dOMt1", &WeekRecord::dOMt1},
    {"dNt1", &WeekRecord::dNt1},
    {"SNM1", &WeekRecord::SNM1},
    {"APPL", &WeekRecord::APPL},
    {"CULT", &WeekRecord::CULT},
    {"FERT", &WeekRecord::FERT},
    {"IOM", &WeekRecord::IOM},
    {"RESI", &WeekRecord::RESI},
    {"GRMA", &WeekRecord::GRMA},
    {"fT_fTheta2", &WeekRecord::fT_fTheta2},
    {"OMt2", &WeekRecord::OMt2},
    {"Nt2", &WeekRecord::Nt2},
    {"dOMt2", &WeekRecord::dOMt2},
    {"dNt2", &WeekRecord::dNt2},
    {"SNM2", &WeekRecord::SNM2},
    {"BPFN1", &WeekRecord::BPFN1},
    {"BPFN2", &WeekRecord::BPFN2},
    {"MNin1", &WeekRecord::MNin1},
    {"MNin2", &WeekRecord::MNin2},
    {"NewN1", &WeekRecord::NewN1},
    {"NewN2", &WeekRecord::NewN2},
    {"NUPT1", &WeekRecord::NUPT1},
    {"NUPT2", &WeekRecord::NUPT2},
    {"MNout1", &WeekRecord::MNout1},
    {"MNout2", &WeekRecord::MNout2},
    {"Nout1", &WeekRecord::Nout1},
    {"Nout2", &WeekRecord::Nout2},
    {"N1", &WeekRecord::N1},
    {"N2", &WeekRecord::N2},
    {"NUPTm", &WeekRecord::NUPTm},
    {"cAvail", &WeekRecord::cAvail},
    {"cNUPTi", &WeekRecord::cNUPTi},
    {"cNUPTm", &WeekRecord::cNUPTm},
    {"cNout", &WeekRecord::cNout},
    {"NetAvail", &WeekRecord::NetAvail},
}};

// Index (0-based) of the field called name, or -1.
constexpr int WeekFieldIndex(std::string_view name) {
  for (int i = 0; i < kWeekFieldCount; ++i)
    if (kWeekFields[i].name == name) return i;
  return -1;
}

using WeekRecords = std::array<WeekRecord, 522>;

} // namespace kelmar
