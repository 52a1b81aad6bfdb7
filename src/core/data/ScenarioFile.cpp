#include "data/ScenarioFile.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

#include "data/Columns.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/TextReader.h"

namespace kelmar {

namespace {

constexpr std::size_t kIdWidth = 20;
constexpr int kScenarioHeaderLines = 4; // identifier, scenario file, environment file, hyphens
constexpr int kInitialPools = 3;        // applications 1..3: the topsoil's initial organic matter
constexpr int kLinesAfterWeeks = 11;    // water table and soil sections, without the second parameters line

// What a file identifier says about the layout of the rest of the file.
struct Layout {
  std::string_view id;
  int parms2;     // values on the second parameters line: 7, 2 (deposition only) or 0 (line absent)
  int cropTables; // 4, or 3 when the P2O5/K2O table is absent
  bool hasRDepth; // crop table 4 holds RDepth after its six reals
  bool hasCode;   // ... and Code after RDepth
  int applReals;  // reals of an application row: 8 (up to Nmin%), 7 (up to K2O%) or 5 (up to IAGE)
};

constexpr std::array<Layout, 5> kLayouts{{
    {kScenarioId, 7, 4, true, true, 8},
    {"Kelmar 420 Data File", 7, 4, true, false, 8},
    {"Kelmar 410 Data File", 7, 4, true, false, 7},
    {"Kelmar 403 Data File", 2, 4, false, false, 7},
    {"Kelmar 400 Data File", 0, 3, false, false, 5},
}};

const Layout& ReadIdentifier(TextReader& r, const std::string& fileName) {
  std::string_view id = r.readChars(kIdWidth);
  for (const Layout& l : kLayouts)
    if (l.id == id) return l;
  throw InvalidFileId(std::string(id), "Loading " + fileName + "\r" + "Invalid file ID: " + std::string(id));
}

bool IsCurrent(const Layout& l) { return l.id == kScenarioId; }

int32_t ClampToRun(long long v) { return static_cast<int32_t>(std::clamp<long long>(v, 1, kMaxWeeks)); }

// Twice a nonsensical thickness near the float limit must not overflow.
float SaturatedFloat(double v) {
  constexpr double kMax = std::numeric_limits<float>::max();
  return static_cast<float>(std::clamp(v, -kMax, kMax));
}

std::string Of(std::string_view column, std::string_view record, int row) {
  return std::string(column) + " of " + std::string(record) + " " + std::to_string(row);
}

// The count at the start of a table header line; the rest of the line is
// skipped. A negative count means an empty table.
int ReadCount(TextReader& r, std::string_view what) {
  int32_t n = r.readInt(what);
  r.skipLine();
  return std::max(n, 0);
}

// Skips up to n lines, stopping early at the end of the text so that a huge
// count costs nothing.
void SkipRows(TextReader& r, long long n) {
  for (long long i = 0; i < n; ++i) {
    int before = r.lineNumber();
    r.skipLine();
    if (r.lineNumber() == before) return;
  }
}

// One row of crop table 1..4 (the name already read); `row` numbers the row
// in the file for messages.
void ReadCropRow(TextReader& r, Crop& c, int table, const Layout& l, int row) {
  const int level = l.hasCode ? 2 : l.hasRDepth ? 1 : 0;
  for (const CropColumn& col : kCropColumns)
    if (col.table == table && col.level <= level) ReadColumn(r, c, col, Of(col.label, "crop", row));
}

// Reads the crop tables of the layout. Row k of a table goes to crop
// `first` + k while that is within capacity; further rows are skipped.
// Returns the row count announced by the last table.
int ReadCropTables(TextReader& r, Scenario& s, const Layout& l, int first) {
  int count = 0;
  for (int table = 1; table <= l.cropTables; ++table) {
    r.skipLine(); // "CROPS:" title
    count = ReadCount(r, "the crop count");
    const int rows = std::clamp(kMaxCrops - first, 0, count);
    for (int k = 1; k <= rows; ++k) {
      Crop& c = s.Crops[first + k];
      c.Name = r.readChars(kNameWidth);
      ReadCropRow(r, c, table, l, k);
      r.skipLine();
    }
    SkipRows(r, static_cast<long long>(count) - rows);
    if (table == 3) {
      // Layouts without P2O5/K2O contents, rooting depth or code get these.
      for (int k = 1; k <= rows; ++k) {
        Crop& c = s.Crops[first + k];
        c.P2O5pct = {0, 0};
        c.K2Opct = {0, 0};
        c.PlantP2O5pct = 0;
        c.PlantK2Opct = 0;
        c.RDepth = SaturatedFloat(2.0 * s.Soil[0].THL);
        c.Code = 5;
      }
    }
  }
  return count;
}

void ReadApplRow(TextReader& r, Application& a, const Layout& l, int row) {
  a.Name = r.readChars(kNameWidth);
  for (const ApplColumn& col : kApplColumns)
    if (col.level <= l.applReals) ReadColumn(r, a, col, Of(col.label, "application", row));
  r.skipLine();
}

// Reads `rows` application rows into applications first + 1 onward, their
// P2O5%, K2O% and Nmin% zeroed first for layouts that lack them.
void ReadApplRows(TextReader& r, Scenario& s, const Layout& l, int first, int rows) {
  for (int k = 1; k <= rows; ++k) {
    Application& a = s.Appls[first + k];
    a.P2O5pct = 0;
    a.K2Opct = 0;
    a.Nminpct = 0;
  }
  for (int k = 1; k <= rows; ++k) ReadApplRow(r, s.Appls[first + k], l, k);
}

// A text field written on a line of its own or inside one must not break the
// line structure the reader relies on.
std::string OneLine(std::string_view s) {
  std::string r(s);
  std::replace_if(
      r.begin(), r.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return r;
}

// Appends lines to the output, counting them for the listing's paging.
class ScenarioWriter {
public:
  ScenarioWriter(OutText& out, const Scenario& s, const Options& opt) : out_(out) {
    head_[0] = std::string(kScenarioId) + "    " + PadRight(LeftTrim(OneLine(s.Title)), kNameWidth) + "    " +
               OutputStamp(opt);
    head_[1] = OneLine(s.ScenarioFile);
    head_[2] = OneLine(s.EnviFile);
    head_[3] = Repeat('-', 70);
  }

  void headerBlock() {
    if (out_.listing()) out_.emptyLines(4);
    for (const std::string& h : head_) out_.line(h);
    lines_ = kScenarioHeaderLines;
  }

  // A table is never split across listing pages: when it does not fit on
  // the rest of the page it starts a new one.
  void startTable(int height) {
    if (!out_.listing() || kListingPageLines - lines_ >= height) return;
    out_.formFeed();
    headerBlock();
  }

  void line(std::string_view s) {
    out_.line(s);
    ++lines_;
  }

private:
  OutText& out_;
  std::array<std::string, kScenarioHeaderLines> head_;
  int lines_ = 0; // lines on the current page
};

std::string Name(const Name20& n) { return OneLine(n.view()); }

} // namespace

void LoadScenarioText(Workspace& ws, std::string_view text, const std::string& fileName) {
  TextReader r(text, fileName);
  const Layout& l = ReadIdentifier(r, fileName);
  // Read into a copy and taken over only when the whole file has been read:
  // a file that fails part-way must not leave a mix of two scenarios behind.
  auto loaded = std::make_unique<Scenario>(ws.scenario);
  Scenario& s = *loaded;
  s.FileId = std::string(l.id);
  s.ScenarioFile = ExpandFileName(fileName);

  r.skipChars(4);
  s.Title = r.readChars(kNameWidth);
  r.skipLine();
  r.skipLine(); // the path the file was saved under
  s.EnviFile = std::string(r.readLine());
  r.skipLines(3); // hyphens, "PARAMETERS", column header

  // Clamped as they are read, so that a later read error cannot leave an
  // out-of-range run start or length behind.
  s.Year = ClampToRun(r.readInt("Year"));
  s.Week = ClampToRun(r.readInt("Week"));
  s.Weeks = ClampToRun(r.readInt("Weeks"));
  s.ETbare = r.readFloat("ETbare");
  s.MWU = r.readFloat("MWU");
  s.pH = r.readFloat("pH");
  s.CNM = r.readFloat("CNM");
  s.ADM = r.readFloat("ADM");
  s.NDep = r.readFloat("NDep");
  s.NFix0 = r.readFloat("NFix0");
  s.DN0 = r.readFloat("DN0");
  s.DNF = r.readFloat("DNF");
  r.skipLine();

  if (l.parms2 > 0) {
    r.skipLine();
    s.P2O5Dep = r.readFloat("P2O5Dep");
    s.K2ODep = r.readFloat("K2ODep");
  } else {
    s.P2O5Dep = 0;
    s.K2ODep = 0;
  }
  if (l.parms2 == 7) {
    s.oOM2 = r.readFloat("oOM2");
    s.oNc2 = r.readFloat("oNc2");
    s.oAge2 = r.readFloat("oAge2");
    s.DN02 = r.readFloat("DN02");
    s.DNF2 = r.readFloat("DNF2");
  } else {
    s.oOM2 = 0;
    s.oNc2 = 4.5f;
    s.oAge2 = 24;
    s.DN02 = 50;
    s.DNF2 = 0.3f;
  }
  if (l.parms2 > 0) r.skipLine();

  r.skipLines(2); // "WATERTABLE", column header
  for (int i = 0; i < 2; ++i) {
    WaterTablePoint& p = s.WaterTable[i];
    p.Week = r.readFloat(Of("Week", "water-table point", i + 1));
    p.GWT = r.readFloat(Of("GWT", "water-table point", i + 1));
    p.NGW = r.readFloat(Of("NGW", "water-table point", i + 1));
    r.skipLine();
  }

  // Always two layers, whatever count the file shows.
  r.skipLines(2); // "SOIL", count and column header
  for (int i = 0; i < kSoilCount; ++i) {
    SoilLayer& y = s.Soil[i];
    auto real = [&](std::string_view col) { return r.readFloat(Of(col, "soil layer", i + 1)); };
    y.Name = r.readChars(kNameWidth);
    y.THL = real("THL");
    y.IFi = real("IFi");
    y.NMIN = real("NMIN");
    y.SMO = real("SMO");
    y.GAM = real("GAM");
    y.CRc = real("CRc");
    y.CRx = real("CRx");
    r.skipLine();
  }
  r.skipLine();
  for (int i = 0; i < kSoilCount; ++i) {
    SoilLayer& y = s.Soil[i];
    auto real = [&](std::string_view col) { return r.readFloat(Of(col, "soil layer", i + 1)); };
    y.Name = r.readChars(kNameWidth);
    y.Text = real("Text");
    y.NLF = real("NLF");
    y.FI = real("FI");
    y.BPF = real("BPF");
    r.skipLine();
  }

  s.CropCount = std::min(ReadCropTables(r, s, l, 0), kMaxCrops);

  r.skipLine(); // "APPLICATIONS"
  const int count = ReadCount(r, "the application count");
  const int rows = std::min(count, kMaxAppls);
  ReadApplRows(r, s, l, 0, rows);
  SkipRows(r, static_cast<long long>(count) - rows);
  s.ApplCount = rows;

  if (!IsCurrent(l)) ws.parms.Clamp(s);
  s.FileId = std::string(kScenarioId);
  ws.state.DataDir = ExtractFilePath(s.ScenarioFile);
  ws.scenario = std::move(s);
}

void LoadScenario(Workspace& ws, const std::string& fileName) {
  const std::string text = ReadFileText(fileName);
  LoadScenarioText(ws, text, fileName);
}

std::string InsertScenarioText(Workspace& ws, std::string_view text, const std::string& fileName,
                               bool append) {
  TextReader r(text, fileName);
  const Layout& l = ReadIdentifier(r, fileName);
  // Merged into a copy and taken over only when the whole file has been read:
  // a half-merged rotation must not look like a good one.
  auto merged = std::make_unique<Scenario>(ws.scenario);
  Scenario& s = *merged;

  r.skipLines(6); // the rest of line 1, lines 2..6
  const int32_t fileYear = r.readInt("Year");
  r.readInt("Week");
  const int32_t fileWeeks = r.readInt("Weeks");
  r.skipLine();
  r.skipLines(kLinesAfterWeeks + (l.parms2 > 0 ? 2 : 0));

  const int cropsBefore = std::clamp(s.CropCount, 0, kMaxCrops);
  const int cropCount = ReadCropTables(r, s, l, cropsBefore);
  const int cropsAdded = std::min(cropCount, kMaxCrops - cropsBefore);

  long long yearShift = 0;
  if (append) {
    const long long runYears = s.Weeks / 52;
    yearShift = std::clamp<long long>(runYears + s.Year - fileYear, 1, kMaxWeeks);
    s.Weeks = ClampToRun(runYears * 52 + fileWeeks);
    for (int i = cropsBefore + 1; i <= cropsBefore + cropsAdded; ++i)
      s.Crops[i].YEAR = static_cast<int32_t>(std::min<long long>(s.Crops[i].YEAR + yearShift, kMaxWeeks));
  }
  s.CropCount = cropsBefore + cropsAdded;

  // The file's own initial pools are skipped; a file with fewer than three
  // applications adds none (and never removes any).
  r.skipLine(); // "APPLICATIONS"
  const int count = ReadCount(r, "the application count");
  const int pools = std::min(count, kInitialPools);
  SkipRows(r, pools);
  const int applsBefore = std::clamp(s.ApplCount, 0, kMaxAppls);
  const int rows = std::min(count - pools, kMaxAppls - applsBefore);
  ReadApplRows(r, s, l, applsBefore, rows);
  if (append) {
    for (int i = applsBefore + 1; i <= applsBefore + rows; ++i)
      s.Appls[i].YR = static_cast<int32_t>(std::min<long long>(s.Appls[i].YR + yearShift, kMaxWeeks));
  }
  s.ApplCount = applsBefore + rows;

  if (!IsCurrent(l)) ws.parms.Clamp(s);
  ws.scenario = std::move(s);
  return IsCurrent(l) ? std::string() : std::string(l.id);
}

std::string InsertScenario(Workspace& ws, const std::string& fileName, bool append) {
  const std::string text = ReadFileText(fileName);
  return InsertScenarioText(ws, text, fileName, append);
}

void WriteScenario(const Workspace& ws, OutText& out) {
  const Scenario& s = ws.scenario;
  const int crops = std::clamp(s.CropCount, 0, kMaxCrops);
  const int appls = std::clamp(s.ApplCount, 0, kMaxAppls);
  ScenarioWriter w(out, s, ws.options);
  w.headerBlock();

  w.line("PARAMETERS");
  w.line(" Year Week Weeks ETbare  MWU    pH   CNM   ADM  NDep NFix0   DN0   DNF");
  w.line(LineBuilder()
             .integer(s.Year, 5)
             .integer(s.Week, 5)
             .integer(s.Weeks, 6)
             .real(s.ETbare, 6, 2)
             .real(s.MWU, 6, 2)
             .real(s.pH, 6, 2)
             .real(s.CNM, 6, 2)
             .real(s.ADM, 6, 2)
             .real(s.NDep, 6, 1)
             .real(s.NFix0, 6, 1)
             .real(s.DN0, 6, 1)
             .real(s.DNF, 6, 2)
             .str());
  w.line("P2O5Dep K2ODep oOM2  oNc2 oAge2  DN02  DNF2");
  w.line(LineBuilder()
             .real(s.P2O5Dep, 6, 1)
             .real(s.K2ODep, 6, 1)
             .real(s.oOM2, 7, 0)
             .real(s.oNc2, 6, 2)
             .real(s.oAge2, 6, 2)
             .real(s.DN02, 6, 1)
             .real(s.DNF2, 6, 2)
             .str());

  w.line("WATERTABLE");
  w.line("  Week   GWT   NGW");
  for (const WaterTablePoint& p : s.WaterTable)
    w.line(LineBuilder().real(p.Week, 6, 0).real(p.GWT, 6, 1).real(p.NGW, 6, 2).str());

  w.line("SOIL");
  w.line(LineBuilder().integer(kSoilCount, 20).text("   THL   IFi  NMIN   SMO   GAM   CRc   CRx").str());
  for (const SoilLayer& y : s.Soil)
    w.line(LineBuilder()
               .name(Name(y.Name))
               .real(y.THL, 6, 0)
               .real(y.IFi, 6, 0)
               .real(y.NMIN, 6, 1)
               .real(y.SMO, 6, 2)
               .real(y.GAM, 6, 3)
               .real(y.CRc, 6, 1)
               .real(y.CRx, 6, 1)
               .str());
  w.line(LineBuilder().integer(kSoilCount, 20).text("  Text   NLF    FI   BPF").str());
  for (const SoilLayer& y : s.Soil)
    w.line(LineBuilder()
               .name(Name(y.Name))
               .real(y.Text, 6, 2)
               .real(y.NLF, 6, 2)
               .real(y.FI, 6, 1)
               .real(y.BPF, 6, 2)
               .str());

  auto cropTable = [&](int table, std::string_view title, std::string_view columns) {
    w.startTable(crops + 2);
    w.line(title);
    w.line(LineBuilder().integer(crops, 20).text(columns).str());
    for (int i = 1; i <= crops; ++i) {
      const Crop& c = s.Crops[i];
      LineBuilder b;
      b.name(Name(c.Name));
      for (const CropColumn& col : kCropColumns)
        if (col.table == table) WriteColumn(b, c, col);
      w.line(b.str());
    }
  };
  cropTable(1, "CROPS:                      sow  fcov  ripe  harv   kg/ha      kgN/ha",
            "  YEAR WEEK1 WEEK2 WEEK3 WEEK4  PRODi   DM% NFIXi");
  cropTable(2, "CROPS:                DMdistr [-]       N%dm              Applied",
            "  PROD  RESI  ROOT  PROD  RESI  ROOT  PROD  RESI");
  cropTable(3, "CROPS:                Initial Age      [-]    DM%  Planting",
            "  PROD  RESI  ROOT ETMAX  RESI QUANT   DM%  N%dm");
  cropTable(4, "CROPS:                P2O5%       K2O%       Planting    [cm]   Crop",
            "  PROD  RESI  PROD  RESI P2O5%  K2O% RDepth Code");

  w.startTable(appls + 2);
  w.line("APPLICATIONS");
  w.line(LineBuilder()
             .integer(appls, 20)
             .text(" ACT YR  WK  QUANT   DM% OM%dm  N%dm  IAGE  P2O5% K2O% Nmin%")
             .str());
  for (int i = 1; i <= appls; ++i) {
    const Application& a = s.Appls[i];
    LineBuilder b;
    b.name(Name(a.Name));
    for (const ApplColumn& col : kApplColumns) WriteColumn(b, a, col);
    w.line(b.str());
  }
}

void SaveScenario(Workspace& ws, const std::string& path) {
  // Line 2 of the file holds the new name; the scenario takes it only once the
  // file is written.
  std::string name = ExpandFileName(path);
  std::swap(ws.scenario.ScenarioFile, name);
  OutText out(false);
  WriteScenario(ws, out);
  std::swap(ws.scenario.ScenarioFile, name);
  WriteFileAtomic(name, out.text());
  ws.scenario.ScenarioFile = std::move(name);
}

} // namespace kelmar
