#include "report/Tables.h"

#include <algorithm>
#include <array>
#include <span>
#include <stdexcept>
#include <string_view>

#include "Workspace.h"
#include "calc/Corr.h"
#include "calc/NPK.h"
#include "data/TextFormat.h"
#include "report/Summary.h"

namespace kelmar {

namespace {

using Field = float WeekRecord::*;

// The run's weekly N deposition, which is no field of the week record.
constexpr Field kDepWeek = nullptr;

// One column of a weekly table: the sum of up to four terms, right-aligned
// in `width` with `decimals` decimals.
struct Column {
  std::array<Field, 4> terms{};
  int count = 0;
  int width = 6;
  int decimals = 0;
};

template <typename... F> constexpr Column Col(int width, int decimals, F... terms) {
  static_assert(sizeof...(F) >= 1 && sizeof...(F) <= 4);
  return Column{{static_cast<Field>(terms)...}, static_cast<int>(sizeof...(F)), width, decimals};
}

using W = WeekRecord;

constexpr Column kEnvironment[] = {Col(6, 1, &W::Tc), Col(6, 1, &W::Rain), Col(6, 1, &W::ET0),
                                   Col(6, 1, &W::Irr), Col(6, 1, &W::NIrr)};
constexpr Column kCropDevelopment[] = {Col(6, 2, &W::Cover), Col(6, 1, &W::UPTi), Col(6, 1, &W::NUPTi),
                                       Col(6, 1, &W::NFIX),  Col(6, 0, &W::RD),   Col(6, 2, &W::RF1)};
constexpr Column kGroundWater[] = {Col(6, 0, &W::GWT),    Col(6, 1, &W::NGW), Col(6, 0, &W::FC1),
                                   Col(6, 0, &W::CRmax1), Col(6, 0, &W::FC2), Col(6, 0, &W::CRmax2)};
constexpr Column kWaterTopSoil[] = {Col(6, 0, &W::Teta1),  Col(6, 2, &W::theta1), Col(6, 0, &W::Fi1),
                                    Col(6, 1, &W::pF1),    Col(6, 2, &W::BP1),    Col(6, 1, &W::BPF1),
                                    Col(6, 1, &W::MFIN1),  Col(6, 0, &W::NTeta1), Col(6, 1, &W::UPT1),
                                    Col(6, 1, &W::MFOUT1), Col(6, 1, &W::FOUT1)};
// The subsoil receives both the topsoil's bypass flow and its own addition.
constexpr Column kWaterSubSoil[] = {
    Col(6, 0, &W::Teta2), Col(6, 2, &W::theta2),         Col(6, 0, &W::Fi2),   Col(6, 1, &W::pF2),
    Col(6, 2, &W::BP2),   Col(6, 1, &W::BPF1, &W::BPF2), Col(6, 1, &W::MFIN2), Col(6, 0, &W::NTeta2),
    Col(6, 1, &W::UPT2),  Col(6, 1, &W::MFOUT2),         Col(6, 1, &W::FOUT2)};
constexpr Column kWaterBalance[] = {Col(6, 0, &W::Teta1, &W::Teta2), Col(6, 1, &W::Rain, &W::Irr),
                                    Col(6, 1, &W::UPTi), Col(6, 1, &W::UPTm), Col(6, 1, &W::FOUT2)};
constexpr Column kMinFactor[] = {Col(6, 2, &W::fT), Col(6, 2, &W::fTheta), Col(6, 2, &W::fT_fTheta),
                                 Col(6, 2, &W::fT_fTheta2)};
constexpr Column kOMTopSoil[] = {Col(7, 0, &W::OMt1), Col(6, 0, &W::Nt1),  Col(6, 0, &W::dOMt1),
                                 Col(6, 1, &W::dNt1), Col(6, 0, &W::IOM),  Col(6, 0, &W::CULT),
                                 Col(6, 0, &W::RESI), Col(6, 0, &W::GRMA), Col(6, 0, &W::APPL),
                                 Col(6, 0, &W::FERT), Col(6, 0, &W::SNM1)};
constexpr Column kOMSubSoil[] = {Col(7, 0, &W::OMt2), Col(6, 0, &W::Nt2),  Col(6, 0, &W::dOMt2),
                                 Col(6, 1, &W::dNt2), Col(6, 0, &W::SNM2), Col(6, 1, &W::Den2)};
constexpr Column kNTopSoil[] = {Col(6, 0, &W::N1),    Col(6, 1, &W::BPFN1),  Col(6, 1, &W::MNin1),
                                Col(6, 0, &W::NewN1), Col(6, 1, &W::NFIX),   Col(6, 1, &W::Den1),
                                Col(6, 1, &W::NUPT1), Col(6, 1, &W::MNout1), Col(6, 1, &W::Nout1)};
constexpr Column kNSubSoil[] = {Col(6, 0, &W::N2),     Col(6, 1, &W::BPFN1, &W::BPFN2),
                                Col(6, 1, &W::MNin2),  Col(6, 0, &W::NewN2),
                                Col(6, 1, &W::Den2),   Col(6, 1, &W::NUPT2),
                                Col(6, 1, &W::MNout2), Col(6, 1, &W::Nout2)};
// The N made available counts the subsoil's mineralisation here; the graph
// data leave it out.
constexpr Column kNBalance[] = {Col(6, 0, &W::N1, &W::N2), Col(6, 1, &W::dNt1, &W::NIrr, kDepWeek, &W::dNt2),
                                Col(6, 1, &W::NFIX),       Col(6, 1, &W::NUPTi),
                                Col(6, 1, &W::NUPTm),      Col(6, 1, &W::Den1, &W::Den2),
                                Col(6, 1, &W::Nout2)};
constexpr Column kMineralN[] = {Col(6, 0, &W::N1), Col(6, 0, &W::Ni1), Col(6, 0, &W::N2), Col(6, 0, &W::Ni2)};
constexpr Column kCumulativeN[] = {Col(6, 0, &W::cAvail), Col(6, 0, &W::cNUPTi), Col(6, 0, &W::cNUPTm),
                                   Col(6, 0, &W::cNout), Col(6, 0, &W::NetAvail)};
constexpr Column kGraphData[] = {Col(6, 1, &W::Tc),
                                 Col(6, 1, &W::Rain, &W::Irr),
                                 Col(6, 1, &W::ET0),
                                 Col(6, 1, &W::UPTi),
                                 Col(6, 1, &W::UPTm),
                                 Col(6, 1, &W::FOUT2),
                                 Col(6, 1, &W::pF1),
                                 Col(6, 1, &W::pF2),
                                 Col(7, 0, &W::OMt1),
                                 Col(6, 0, &W::Nt1),
                                 Col(6, 0, &W::IOM),
                                 Col(6, 0, &W::CULT),
                                 Col(6, 0, &W::RESI, &W::GRMA),
                                 Col(6, 0, &W::APPL, &W::FERT),
                                 Col(6, 1, &W::dNt1, &W::NIrr, kDepWeek),
                                 Col(6, 1, &W::NFIX),
                                 Col(6, 1, &W::NUPTi),
                                 Col(6, 1, &W::NUPTm),
                                 Col(6, 1, &W::Nout2),
                                 Col(6, 1, &W::N1),
                                 Col(6, 1, &W::Ni1),
                                 Col(6, 1, &W::N2),
                                 Col(6, 1, &W::Ni2),
                                 Col(6, 0, &W::cAvail),
                                 Col(6, 0, &W::cNUPTi),
                                 Col(6, 0, &W::cNUPTm),
                                 Col(6, 0, &W::NetAvail)};

struct KindInfo {
  std::string_view title;
  std::string_view header;
  std::span<const Column> columns; // weekly tables only
};

// Index = kind. The byte 0xE9 in headers 3 and 7 is the letter e-acute of the
// program's code page; it is split from the following letters so that the
// compiler does not read them as part of the escape.
const std::array<KindInfo, kLastTableKind + 1> kKinds{{
    {"", "", {}},
    {"View Environment", "  wk    Tc  Rain   ET0   Irr  NIrr", kEnvironment},
    {"View Crop Development", "  wk Cover  UPTi NUPTi  NFIX    RD   RF1", kCropDevelopment},
    {"View Ground Water Table",
     "  wk   GWT   NGW  \xE9"
     "FC1 CRmax  \xE9"
     "FC2 CRmax",
     kGroundWater},
    {"View Water Balance TopSoil", "  wk  Teta theta    Fi    pF   BP1   BPF  MFIN NTeta  UPT1 MFOUT  FOUT",
     kWaterTopSoil},
    {"View Water Balance SubSoil", "  wk  Teta theta    Fi    pF   BP2   BPF  MFIN NTeta  UPT2 MFOUT  FOUT",
     kWaterSubSoil},
    {"View Water Balance", "  wk  Init Avail  UPTi  UPTm   OUT", kWaterBalance},
    {"View Mineralisation Factor",
     "  wk    fT    f\xE9 fT_f\xE9 fT_f\xE9"
     "2",
     kMinFactor},
    {"View Organic Matter TopSoil", "  wk    OMt    Nt  dOMt   dNt   IOM  CULT  RESI  GRMA  APPL  FERT   SNM",
     kOMTopSoil},
    {"View Organic Matter SubSoil", "  wk    OMt    Nt  dOMt   dNt   SNM   Den", kOMSubSoil},
    {"View Nitrogen Balance TopSoil", "  wk    N1  BPFN  MNin  NewN   Fix   Den NUPT1 MNout  Nout",
     kNTopSoil},
    {"View Nitrogen Balance SubSoil", "  wk    N2  BPFN  MNin  NewN   Den NUPT2 MNout  Nout", kNSubSoil},
    {"View Nitrogen Balance", "  wk  Init Avail   Fix  UPTi  UPTm   Den   OUT", kNBalance},
    {"View Mineral Nitrogen", "  wk    N1   Ni1    N2   Ni2", kMineralN},
    {"View Cumulative Nitrogen Balance", "  wk Avail NUPTi NUPTm  Nout NetAvail", kCumulativeN},
    {"Graph Data",
     "  wk    Tc Avail   ET0  UPTi  UPTm   OUT   pF1   pF2    OMt    Nt   IOM  CULT  RESI  APPL Avail   Fix "
     "NUPTi NUPTm  NOUT    N1   Ni1    N2   Ni2 Avail UPTic UPTmc NetAv",
     kGraphData},
    {"Summary Water Balance", "CROP                 Week Init Avail  UPTi  UPTm   OUT  AVG", {}},
    {"Summary Mineralisation TopSoil",
     "CROP                 Week     OM    ON  IOM CULT RESI GRMA APPL FERT  SNM  AVG",
     {}},
    {"Summary Mineralisation SubSoil", "CROP                 Week     OM    ON   SNM   Den", {}},
    {"Summary Nitrogen Balance", "CROP                 Week Init Avail Fix UPTi UPTm  Den  OUT  AVG", {}},
    {"Summary N-modelled vs N-measured", "", {}},
    {"Summary Mineral Balance", "", {}},
}};

bool ValidKind(int kind) { return kind >= 1 && kind <= kLastTableKind; }

void WriteHeaderBlock(const Workspace& ws, OutText& out, int kind) {
  if (out.listing()) out.emptyLines(4);
  const Scenario& s = ws.scenario;
  out.line("Kelmar 420 Rslt File    " + PadRight(s.Title.view(), kNameWidth) + "    " +
           OutputStamp(ws.options));
  out.line(s.ScenarioFile);
  out.line(s.series(SeriesKind::Environment).FileName);
  out.line(kKinds[kind].title);
  out.line(kKinds[kind].header);
  out.line(Repeat('-', 70));
}

// Writes rows first..last through row(i), paging a listing every 58 lines.
template <typename RowText>
void WritePagedRows(const Workspace& ws, OutText& out, int kind, int first, int last, RowText row) {
  int counter = kTableHeaderLines;
  for (int i = first; i <= last; ++i) {
    if (out.listing() && counter == kListingPageLines) {
      out.formFeed();
      WriteHeaderBlock(ws, out, kind);
      counter = kTableHeaderLines;
    }
    out.line(row(i));
    ++counter;
  }
}

} // namespace

std::string TableTitle(int kind) { return ValidKind(kind) ? std::string(kKinds[kind].title) : std::string(); }

std::string TableHeader(int kind) {
  return ValidKind(kind) ? std::string(kKinds[kind].header) : std::string();
}

std::string TableRow(const Workspace& ws, int weekIndex, int kind) {
  if (kind < 1 || kind > kLastWeeklyKind)
    throw std::out_of_range("no weekly table of kind " + std::to_string(kind));
  if (weekIndex < 0 || weekIndex >= kWeekRecords)
    throw std::out_of_range("no week record " + std::to_string(weekIndex));
  const WeekRecord& rec = ws.weeks[weekIndex];
  LineBuilder b;
  b.real(weekIndex, 4, 0);
  for (const Column& c : kKinds[kind].columns) {
    double v = 0;
    for (int t = 0; t < c.count; ++t) v += c.terms[t] ? static_cast<double>(rec.*c.terms[t]) : ws.run.DepWeek;
    b.real(v, c.width, c.decimals);
  }
  return b.str();
}

void WriteTable(const Workspace& ws, OutText& out, int kind, int fromWeek, int tillWeek) {
  if (!ValidKind(kind)) throw std::out_of_range("no table of kind " + std::to_string(kind));
  WriteHeaderBlock(ws, out, kind);
  if (kind <= kLastWeeklyKind) {
    // Rows stop at the last run week; records past it hold an older run.
    const int first = std::max(fromWeek, 1);
    const int last = std::min({tillWeek, ws.scenario.Weeks, kMaxWeeks});
    auto row = [&](int w) { return TableRow(ws, w, kind); };
    if (kind != kTableGraphData) {
      WritePagedRows(ws, out, kind, first, last, row);
    } else {
      // The graph data are meant for other programs: never margin or paging.
      for (int w = first; w <= last; ++w) {
        out.text() += row(w);
        out.text() += kCrLf;
      }
    }
  } else if (kind <= kSummaryNBalance) {
    WritePagedRows(ws, out, kind, 1, SummaryCount(ws), [&](int r) { return SummaryRow(ws, r, kind); });
  } else {
    for (const std::string& l : kind == kSummaryNmVsNi ? NmVsNiLines(ws) : MineralBalanceLines(ws))
      out.line(l);
  }
}

} // namespace kelmar
