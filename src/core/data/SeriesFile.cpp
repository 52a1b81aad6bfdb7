#include "data/SeriesFile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/TextReader.h"

namespace kelmar {

namespace {

using WeekValue = float WeekRecord::*;

// Everything in which the four kinds differ.
struct KindInfo {
  std::string_view id;
  std::string_view ext;
  std::string_view header; // column header, line 5
  std::array<WeekValue, 3> values;
  std::array<std::string_view, 3> names; // field names for read errors
  int valueCount;
  int width; // value columns: width and decimals
  int decimals;
  bool dense; // a row for every week (environment) or only for weeks with data
  std::string_view noData;
  std::string_view noDataSaveAs;
};

const std::array<KindInfo, kSeriesCount> kKinds{{
    {"Kelmar 400 Envi File",
     ".ENV",
     "  wk    Tc  Rain   ET0",
     {&WeekRecord::Tc, &WeekRecord::Rain, &WeekRecord::ET0},
     {"Tc", "Rain", "ET0"},
     3,
     6,
     1,
     true,
     "No environment data! Nothing to do.",
     "No environment data! Nothing to do."},
    {"Kelmar 400 Irri File",
     ".IRR",
     "  wk   Irr  NIrr",
     {&WeekRecord::Irr, &WeekRecord::NIrr, nullptr},
     {"Irr", "NIrr", ""},
     2,
     6,
     1,
     false,
     "No irrigation data! Nothing to do.",
     "No irrigation data! Nothing to do."},
    {"Kelmar 400 Nmin File",
     ".MIN",
     "  wk   Ni1   Ni2",
     {&WeekRecord::Ni1, &WeekRecord::Ni2, nullptr},
     {"Ni1", "Ni2", ""},
     2,
     6,
     1,
     false,
     "No N-mineral data! Nothing to do.",
     "No N-mineral data! Nothing to do."},
    {"Kelmar 430 OMon File",
     ".OM",
     "  wk    OMi    ONi",
     {&WeekRecord::OMi, &WeekRecord::ONi, nullptr},
     {"OMi", "ONi", ""},
     2,
     7,
     0,
     false,
     "No Organic Matter data! Nothing to do.",
     "No Organic matter data! Nothing to do."},
}};

const KindInfo& Info(SeriesKind kind) { return kKinds.at(static_cast<std::size_t>(kind)); }

// The nine input values of a week, for MoveSeries.
constexpr std::array<WeekValue, 9> kInputValues{&WeekRecord::Tc,  &WeekRecord::Rain, &WeekRecord::ET0,
                                                &WeekRecord::Irr, &WeekRecord::NIrr, &WeekRecord::Ni1,
                                                &WeekRecord::Ni2, &WeekRecord::OMi,  &WeekRecord::ONi};

bool HasData(const KindInfo& k, const WeekRecord& r) {
  if (k.dense) return true;
  for (int i = 0; i < k.valueCount; ++i)
    if (r.*k.values[i] > 0) return true;
  return false;
}

std::string Row(const KindInfo& k, const WeekRecord& r, int number) {
  LineBuilder b;
  b.real(number, 4, 0);
  for (int i = 0; i < k.valueCount; ++i) b.real(r.*k.values[i], k.width, k.decimals);
  return b.str();
}

// What a written file holds: weeks first..last, each row numbered
// week - numberShift, and the start year and week of line 4.
struct Layout {
  int first;
  int last;
  int numberShift;
  int32_t year;
  int32_t week;
  const std::string& fileName;
};

void WriteLayout(const Workspace& ws, SeriesKind kind, OutText& out, Layout l) {
  const KindInfo& k = Info(kind);
  const SeriesHeader& h = ws.scenario.series(kind);
  int first = std::max(l.first, 1);
  int last = std::min(l.last, kMaxWeeks);
  if (k.dense) last = std::min(last, h.Count);
  const int count = k.dense ? std::max(0, last - first + 1) : h.Count;

  // One stamp for the whole output, so repeated page headers agree.
  const std::string line1 = std::string(k.id) + "    " + PadRight(LeftTrim(h.Name.view()), kNameWidth) +
                            "    " + OutputStamp(ws.options);
  const std::string line4 = LineBuilder().integer(l.year, 4).integer(l.week, 6).integer(count, 6).str();
  auto headerBlock = [&] {
    if (out.listing()) out.emptyLines(4);
    out.line(line1);
    out.line(l.fileName);
    out.line("Year  week weeks");
    out.line(line4);
    out.line(k.header);
    out.line(Repeat('-', 70));
  };

  // Identifier, file name, "Year  week weeks", its values, column header, rule.
  constexpr int kSeriesHeaderLines = 6;
  headerBlock();
  int counter = kSeriesHeaderLines;
  for (int w = first; w <= last; ++w) {
    const WeekRecord& r = ws.weeks[static_cast<std::size_t>(w)];
    if (!HasData(k, r)) continue;
    if (out.listing() && counter == kListingPageLines) {
      out.formFeed();
      headerBlock();
      counter = kSeriesHeaderLines;
    }
    out.line(Row(k, r, w - l.numberShift));
    ++counter;
  }
}

} // namespace

std::string_view SeriesFileId(SeriesKind kind) { return Info(kind).id; }
std::string_view SeriesExtension(SeriesKind kind) { return Info(kind).ext; }
std::string_view SeriesColumnHeader(SeriesKind kind) { return Info(kind).header; }

void LoadSeries(Workspace& ws, SeriesKind kind, const std::string& fileName, int startWeek) {
  const std::string text = ReadFileText(fileName);
  LoadSeriesText(ws, kind, text, fileName, startWeek);
}

void LoadSeriesText(Workspace& ws, SeriesKind kind, std::string_view text, const std::string& fileName,
                    int startWeek) {
  if (startWeek < 1 || startWeek > kMaxWeeks)
    throw std::invalid_argument("series start week " + std::to_string(startWeek) + " lies outside 1..520");
  const KindInfo& k = Info(kind);
  TextReader r(text, fileName);
  const std::string id(r.readChars(20));
  if (id != k.id) throw InvalidFileId(id, "Loading " + fileName + "\r" + "Invalid file ID: " + id);

  SeriesHeader& h = ws.scenario.series(kind);
  if (startWeek == 1) {
    r.skipChars(4);
    h.Name = r.readChars(kNameWidth);
    h.FileName = ExpandFileName(fileName);
    r.skipLines(3); // rest of line 1, the stored path, the column titles
    h.Year = r.readInt("Year");
    h.Week = r.readInt("week");
  } else {
    r.skipLines(3);
    r.readInt("Year");
    r.readInt("week");
  }
  const int32_t announced = std::max(r.readInt("weeks"), 0);
  r.skipLines(3); // rest of line 4, column header, hyphens

  std::array<float, 3> v{};
  auto readRow = [&] {
    for (int i = 0; i < k.valueCount; ++i) v[i] = r.readFloat(k.names[i]);
    r.skipLine();
  };

  if (k.dense) {
    // Rows fill the weeks from startWeek on; rows past week 520 are cut.
    const int last = static_cast<int>(std::min<int64_t>(int64_t{announced} + startWeek - 1, kMaxWeeks));
    int stored = startWeek - 1; // last week filled so far
    auto finish = [&] {
      h.Count = std::max(h.Count, stored);
      h.InsertWeek = std::max(stored, 1);
    };
    try {
      for (int w = startWeek; w <= last; ++w) {
        if (r.atEnd()) break; // a short file loads the rows it has
        r.readReal("wk");     // the row's own week number is not used
        readRow();
        WeekRecord& rec = ws.weeks[static_cast<std::size_t>(w)];
        for (int i = 0; i < k.valueCount; ++i) rec.*k.values[i] = v[i];
        stored = w;
      }
    } catch (const FileError&) {
      finish();
      throw;
    }
    finish();
  } else {
    // Each row names its week; rows that fall outside 1..520 are dropped whole.
    int rows = 0;
    auto finish = [&] {
      h.Count = rows;
      h.InsertWeek = 1;
    };
    try {
      for (int32_t i = 0; i < announced; ++i) {
        if (r.atEnd()) break;
        const int64_t week = int64_t{r.readRoundedInt("wk")} + startWeek - 1;
        readRow();
        ++rows;
        if (week < 1 || week > kMaxWeeks) continue;
        WeekRecord& rec = ws.weeks[static_cast<std::size_t>(week)];
        for (int j = 0; j < k.valueCount; ++j) rec.*k.values[j] = v[j];
      }
    } catch (const FileError&) {
      finish();
      throw;
    }
    finish();
  }
}

int CountSeriesData(Workspace& ws, SeriesKind kind) {
  const KindInfo& k = Info(kind);
  int count = 0;
  for (int w = 1; w <= kMaxWeeks; ++w) {
    const WeekRecord& r = ws.weeks[static_cast<std::size_t>(w)];
    if (k.dense) {
      for (int i = 0; i < k.valueCount; ++i)
        if (r.*k.values[i] != 0) count = w;
    } else if (HasData(k, r)) {
      ++count;
    }
  }
  ws.scenario.series(kind).Count = count;
  return count;
}

std::string NoSeriesDataMessage(SeriesKind kind, bool saveAs) {
  const KindInfo& k = Info(kind);
  return std::string(saveAs ? k.noDataSaveAs : k.noData);
}

bool SeriesWeekHasData(const Workspace& ws, SeriesKind kind, int week) {
  if (week < 1 || week > kMaxWeeks) return false;
  return HasData(Info(kind), ws.weeks[static_cast<std::size_t>(week)]);
}

std::string RowText(const Workspace& ws, int weekIndex, SeriesKind kind) {
  if (weekIndex < 1 || weekIndex > kMaxWeeks)
    throw std::out_of_range("week " + std::to_string(weekIndex) + " lies outside 1..520");
  return Row(Info(kind), ws.weeks[static_cast<std::size_t>(weekIndex)], weekIndex);
}

void WriteSeries(const Workspace& ws, SeriesKind kind, OutText& out, int firstWeek, int lastWeek) {
  const SeriesHeader& h = ws.scenario.series(kind);
  WriteLayout(ws, kind, out, Layout{firstWeek, lastWeek, 0, h.Year, h.Week, h.FileName});
}

void WriteSeriesExtract(const Workspace& ws, SeriesKind kind, OutText& out, int rangeFrom, int rangeTill,
                        const std::string& fileName) {
  const SeriesHeader& h = ws.scenario.series(kind);
  const int from = std::clamp(rangeFrom, 1, kMaxWeeks);
  const int32_t year = h.Year + (from - 1) / 52;
  const int32_t week = h.Week + (from - 1) % 52;
  WriteLayout(ws, kind, out,
              Layout{from, rangeTill, from - 1, year, week, fileName.empty() ? h.FileName : fileName});
}

SeriesSaveResult SaveSeries(Workspace& ws, SeriesKind kind, const std::string& path, bool saveAs) {
  if (CountSeriesData(ws, kind) < 1) return {false, NoSeriesDataMessage(kind, saveAs)};
  SeriesHeader& h = ws.scenario.series(kind);
  const std::string full = ExpandFileName(path);
  OutText out(false);
  WriteLayout(ws, kind, out, Layout{1, kMaxWeeks, 0, h.Year, h.Week, full});
  WriteFileAtomic(full, out.text());
  h.FileName = full; // only once the file really holds the series
  return {true, {}};
}

SeriesSaveResult ExtractSeries(Workspace& ws, SeriesKind kind, const std::string& path, int rangeFrom,
                               int rangeTill) {
  if (CountSeriesData(ws, kind) < 1) return {false, NoSeriesDataMessage(kind, true)};
  const std::string full = ExpandFileName(path);
  OutText out(false);
  WriteSeriesExtract(ws, kind, out, rangeFrom, rangeTill, full);
  WriteFileAtomic(full, out.text());
  return {true, {}};
}

void ResetSeries(Workspace& ws, SeriesKind kind) {
  const KindInfo& k = Info(kind);
  for (int w = 1; w <= kMaxWeeks; ++w) {
    WeekRecord& r = ws.weeks[static_cast<std::size_t>(w)];
    for (int i = 0; i < k.valueCount; ++i) r.*k.values[i] = 0;
  }
  SeriesHeader& h = ws.scenario.series(kind);
  h.Count = 0;
  h.InsertWeek = 1;
  h.Name = "Empty";
  h.Year = 1;
  h.Week = 1;
  h.FileName = ws.state.DataDir + "NEW" + std::string(k.ext);
}

void MoveSeries(Workspace& ws) {
  // A run length below 1 moves nothing (and must not read before week 1).
  const int shift = std::max(ws.scenario.Weeks, 0);
  for (int w = 1; w <= kMaxWeeks; ++w) {
    WeekRecord& to = ws.weeks[static_cast<std::size_t>(w)];
    const bool inside = shift <= kMaxWeeks - w;
    for (WeekValue v : kInputValues) to.*v = inside ? ws.weeks[static_cast<std::size_t>(w + shift)].*v : 0.0f;
  }
  for (int i = 0; i < kSeriesCount; ++i) {
    SeriesHeader& h = ws.scenario.Series[static_cast<std::size_t>(i)];
    h.InsertWeek = 1;
    h.FileName = ws.state.DataDir + "NEW" + std::string(kKinds[static_cast<std::size_t>(i)].ext);
    h.Name = "Continued";
    h.Year += shift / 52;
    h.Week += shift % 52;
  }
}

} // namespace kelmar
