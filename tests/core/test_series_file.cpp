#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/SeriesFile.h"
#include "data/TextReader.h"

using namespace kelmar;

namespace {

constexpr auto kEnv = SeriesKind::Environment;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t pos = 0, e; (e = text.find("\r\n", pos)) != std::string::npos; pos = e + 2)
    out.push_back(text.substr(pos, e - pos));
  return out;
}

// A series file in the program's layout with the given rows.
std::string SeriesText(std::string_view id, int count, const std::vector<std::string>& rows,
                       std::string eol = "\r\n") {
  std::string t = std::string(id) + "    Test series" + eol + "/data/TEST" + eol + "Year  week weeks" + eol;
  t += "   9     9 " + std::to_string(count) + eol + "  wk  values" + eol + std::string(70, '-') + eol;
  for (const std::string& r : rows) t += r + eol;
  return t;
}

// Environment rows for weeks 1..n: Tc = w + 0.5, Rain = w mod 7.
std::vector<std::string> EnvRows(int n) {
  std::vector<std::string> rows;
  for (int w = 1; w <= n; ++w)
    rows.push_back(std::to_string(w) + " " + std::to_string(w) + ".5 " + std::to_string(w % 7) + " 1.0");
  return rows;
}

std::string Written(const Workspace& ws, SeriesKind kind, bool listing = false) {
  OutText out(listing);
  WriteSeries(ws, kind, out, 1, 520);
  return out.text();
}

// Every series with data and a header of its own (Year 3 + kind, Week 50):
// the environment in weeks 1..100 (Tc = week - 10.5, never 0); irrigation in
// weeks 4 (N only: data), 5 (-1: no data) and 6; mineral N in weeks 70 and
// 200; organic matter in week 520.
std::unique_ptr<Workspace> Filled() {
  auto ws = MakeWorkspace();
  for (int w = 1; w <= 100; ++w) ws->weeks[w].Tc = static_cast<float>(w) - 10.5f;
  WeekRecords& r = ws->weeks;
  std::tie(r[4].NIrr, r[5].Irr, r[6].Irr, r[70].Ni1, r[200].Ni1, r[520].OMi, r[520].ONi) =
      std::tuple(2.5f, -1, 20, 30, 31, 94001, 0.5f);
  for (int k = 0; k < kSeriesCount; ++k) {
    SeriesHeader& h = ws->scenario.Series[k];
    std::tie(h.Name, h.FileName, h.Year, h.Week) =
        std::tuple("  Filled", "/d/" + std::to_string(k), 3 + k, 50);
    CountSeriesData(*ws, static_cast<SeriesKind>(k));
  }
  return ws;
}

} // namespace

// Write, read back, write again: the same text; leading blanks of the name
// are dropped when written.
TEST(SeriesFile, RoundTripOfEveryKind) {
  auto a = Filled();
  for (int k = 0; k < kSeriesCount; ++k) {
    const auto kind = static_cast<SeriesKind>(k);
    a->scenario.Series[k].FileName = ExpandFileName("round.trip"); // the path written in line 2
    const std::string first = Written(*a, kind);
    auto b = MakeWorkspace();
    LoadSeriesText(*b, kind, first, "round.trip", 1);
    const SeriesHeader& g = b->scenario.Series[k];
    EXPECT_EQ(std::tuple(g.Name.str(), g.FileName, g.Year, g.Week),
              std::tuple("Filled              ", ExpandFileName("round.trip"), 3 + k, 50));
    CountSeriesData(*b, kind);
    EXPECT_EQ(Written(*b, kind), first) << "kind " << k;
  }
}

TEST(SeriesFile, MeasuredWeatherFileSurvivesLoadAndSave) {
  const std::string path = std::string(KELMAR_WEATHER) + "/wageningen/WAGE1996.ENV";
  if (!FileExists(path)) GTEST_SKIP() << "weather data not present: " << path;
  auto ws = MakeWorkspace();
  LoadSeries(*ws, kEnv, path, 1);
  EXPECT_EQ(ws->scenario.series(kEnv).Count, 520);
  std::vector<std::string> in = Lines(ReadFileText(path)), out = Lines(Written(*ws, kEnv));
  ASSERT_EQ(in.size(), out.size());
  in[1] = out[1]; // the path written
  EXPECT_EQ(in, out);
}

// An insert keeps the series header and the weeks the file does not name.
TEST(SeriesFile, InsertEnvironmentYearAtWeek105) {
  const std::string file = SeriesText("Kelmar 400 Envi File", 52, EnvRows(52));
  for (int before : {60, 300}) {
    auto ws = MakeWorkspace();
    SeriesHeader& h = ws->scenario.series(kEnv);
    std::tie(h.FileName, h.Year, h.Count) = std::tuple("/kept.env", 2, before);
    ws->weeks[104].Tc = ws->weeks[157].Tc = 7;
    LoadSeriesText(*ws, kEnv, file, "ins.env", 105);
    EXPECT_EQ(std::tuple(h.Count, h.InsertWeek, h.FileName, h.Year),
              std::tuple(std::max(before, 156), 156, "/kept.env", 2));
    const auto& w = ws->weeks;
    EXPECT_EQ(std::tuple(w[104].Tc, w[105].Tc, w[156].Tc, w[156].Rain, w[157].Tc),
              std::tuple(7, 1.5f, 52.5f, 52 % 7, 7));
  }
}

// Rows land at their week number from the start week on; rows outside weeks
// 1..520 are discarded, and a fractional week number is rounded.
TEST(SeriesFile, SparseRowsArePlacedByTheirWeekNumber) {
  // Kind, start week, rows, and the week and first value of every record changed.
  const std::tuple<SeriesKind, int, std::vector<std::string>, std::vector<std::pair<int, float>>> cases[] = {
      {SeriesKind::Irrigation, 10, {"3 25 0", "17 30 1.5", "30 20 0"}, {{12, 25}, {26, 30}, {39, 20}}},
      {SeriesKind::Omon, 1, {"0 94000 5000", "52 93000 4900"}, {{52, 93000}}},
      {SeriesKind::Nmineral, 2, {"519 40 20", "520 41 21"}, {{520, 40}}},
      {SeriesKind::Nmineral, 1, {"2.6 40 20", "-1 41 21", "1e9 1 1"}, {{3, 40}}},
  };
  for (const auto& [kind, startWeek, rows, want] : cases) {
    auto ws = MakeWorkspace();
    for (WeekRecord& r : ws->weeks) r.Irr = r.Ni1 = r.OMi = 0.25f;
    const int n = static_cast<int>(rows.size());
    LoadSeriesText(*ws, kind, SeriesText(SeriesFileId(kind), n, rows), "s", startWeek);
    float WeekRecord::*value = kind == SeriesKind::Irrigation ? &WeekRecord::Irr
                               : kind == SeriesKind::Nmineral ? &WeekRecord::Ni1
                                                              : &WeekRecord::OMi;
    std::vector<std::pair<int, float>> landed;
    for (int w = 0; w < kWeekRecords; ++w)
      if (ws->weeks[w].*value != 0.25f) landed.emplace_back(w, ws->weeks[w].*value);
    EXPECT_EQ(landed, want) << rows[0];
    const SeriesHeader& h = ws->scenario.series(kind);
    EXPECT_EQ(std::pair(h.Count, h.InsertWeek), std::pair(n, 1));
  }
}

TEST(SeriesFile, WrongIdentifierChangesNothing) {
  auto ws = MakeWorkspace();
  ws->weeks[5].Irr = 3;
  try {
    LoadSeriesText(*ws, SeriesKind::Irrigation, SeriesText("Kelmar 400 Envi File", 1, {"5 10 1"}), "x.irr",
                   1);
    FAIL() << "an environment file must not load as irrigation";
  } catch (const InvalidFileId& e) {
    EXPECT_EQ(std::string(e.what()), "Loading x.irr\rInvalid file ID: Kelmar 400 Envi File");
  }
  EXPECT_EQ(
      std::tuple(ws->scenario.series(SeriesKind::Irrigation).FileName, ws->weeks[5].Irr, ws->weeks[5].Tc),
      std::tuple("NEW.IRR", 3, 0));
}

// Damaged and unusual files: what loads, what fails, and what is kept.
TEST(SeriesFile, DamagedAndUnusualEnvironmentFiles) {
  const std::string id = "Kelmar 400 Envi File";
  // What, text, start week, whether it fails, Count afterwards (was 0) and the
  // last week holding Tc != 0 afterwards (0 = none).
  const std::tuple<const char*, std::string, int, bool, int, int> cases[] = {
      {"fewer rows than announced", SeriesText(id, 20, EnvRows(10)), 1, false, 10, 10},
      {"blank lines at the end", SeriesText(id, 20, EnvRows(10)) + "\r\n\r\n  \r\n", 1, false, 10, 10},
      {"LF line ends", SeriesText(id, 10, EnvRows(10), "\n"), 1, false, 10, 10},
      {"CR line ends", SeriesText(id, 10, EnvRows(10), "\r"), 1, false, 10, 10},
      {"negative count", SeriesText(id, -5, EnvRows(10)), 1, false, 0, 0},
      {"rows past week 520 are cut", SeriesText(id, 10, EnvRows(10)), 515, false, 520, 520},
      {"count near the integer limit", SeriesText(id, 2147483647, EnvRows(10)), 520, false, 520, 520},
      {"row truncated at the end of the file", SeriesText(id, 10, EnvRows(6)) + "7 7.5", 1, true, 6, 6},
      {"text instead of a number", SeriesText(id, 10, {"1 2 3 4", "2 two 3 4"}), 1, true, 1, 1},
      {"value too large for a float", SeriesText(id, 1, {"1 1e39 0 0"}), 1, true, 0, 0},
      {"count missing", id + "    n\r\n/p\r\nYear  week weeks\r\n1 1\r\n  wk\r\n", 1, true, 0, 0},
      {"identifier only", id, 1, true, 0, 0},
  };
  for (const auto& [what, text, startWeek, fails, count, lastFilled] : cases) {
    auto ws = MakeWorkspace();
    bool failed = false;
    try {
      LoadSeriesText(*ws, kEnv, text, "e.env", startWeek);
    } catch (const FileError&) {
      failed = true;
    }
    int last = 0;
    for (int w = 1; w <= 520; ++w) last = ws->weeks[w].Tc != 0 ? w : last;
    const SeriesHeader& h = ws->scenario.series(kEnv);
    EXPECT_EQ(std::tuple(failed, h.Count, last, h.InsertWeek >= 1),
              std::tuple(fails, count, lastFilled, true))
        << what;
  }
  auto ws = MakeWorkspace();
  EXPECT_THROW(LoadSeries(*ws, kEnv, "/no/such/file.env", 1), FileError);
  EXPECT_THROW(LoadSeries(*ws, kEnv, std::filesystem::temp_directory_path(), 1), FileError);
  EXPECT_THROW(LoadSeriesText(*ws, kEnv, "", "e.env", 0), std::invalid_argument);
}

// Any non-zero value counts for the environment; for the others only a value
// above zero: Irr 0 with N in the water is data, Irr -1 is not. Only the weeks
// with data are written.
TEST(SeriesFile, CountsAndSparseRows) {
  auto ws = Filled();
  const auto& h = ws->scenario.Series;
  EXPECT_EQ(std::tuple(h[0].Count, h[1].Count, h[2].Count, h[3].Count), std::tuple(100, 2, 2, 1));
  ws->weeks[101].ET0 = -0.1f;
  EXPECT_EQ(CountSeriesData(*ws, kEnv), 101);
  EXPECT_EQ(Lines(Written(*ws, SeriesKind::Irrigation)),
            (std::vector<std::string>{"Kelmar 400 Irri File    Filled" + std::string(18, ' '), "/d/1",
                                      "Year  week weeks", "   4    50     2", "  wk   Irr  NIrr",
                                      std::string(70, '-'), "   4   0.0   2.5", "   6  20.0   0.0"}));
}

// Save writes up to the last data week and takes the path as the file name.
// Without data nothing is written: Save and Save As spell the message
// differently. A failed save keeps the old name.
TEST(SeriesFile, SaveWritesUpToTheLastDataWeekOrNothing) {
  const auto dir = std::filesystem::temp_directory_path() / "kelmar_series_test";
  std::filesystem::create_directories(dir);
  auto ws = Filled();
  const std::string path = (dir / "a.env").string(), om = (dir / "a.om").string();
  ASSERT_TRUE(SaveSeries(*ws, kEnv, path, false).written);
  EXPECT_EQ(ws->scenario.series(kEnv).FileName, path);
  const std::string text = ReadFileText(path);
  const std::vector<std::string> l = Lines(text);
  ASSERT_EQ(l.size(), 106u) << "100 rows after 6 header lines";
  EXPECT_EQ(std::tuple(l[1], l[3], l[6], l[105]),
            std::tuple(path, "   3    50   100", "   1  -9.5   0.0   0.0", " 100  89.5   0.0   0.0"));
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");

  EXPECT_THROW(SaveSeries(*ws, SeriesKind::Omon, (dir / "no" / "a.om").string(), true), FileError);
  EXPECT_EQ(ws->scenario.series(SeriesKind::Omon).FileName, "/d/3");
  auto empty = MakeWorkspace();
  SeriesSaveResult r = SaveSeries(*empty, SeriesKind::Omon, om, false);
  EXPECT_EQ(std::pair(r.written, r.message),
            std::pair(false, std::string("No Organic Matter data! Nothing to do.")));
  EXPECT_EQ(ExtractSeries(*empty, SeriesKind::Omon, om, 1, 520).message,
            "No Organic matter data! Nothing to do.");
  EXPECT_FALSE(FileExists(om));
  std::filesystem::remove_all(dir);
}

// The bytes of saved sparse series: every value right-aligned under its
// header column (6:1, 6:1 and 7:0 after a week number of width 4), CR LF line
// ends. A value that fills or overflows its field is kept apart from the one
// before by a blank, so that the row still reads back.
TEST(SeriesFile, SavedSparseFilesHaveTheirExactLayout) {
  const auto dir = std::filesystem::temp_directory_path() / ("kelmar_layout_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  auto ws = MakeWorkspace();
  WeekRecords& r = ws->weeks;
  std::tie(r[3].Irr, r[3].NIrr, r[150].NIrr) = std::tuple(12.34f, 1.26f, 2.5f);
  std::tie(r[8].Ni1, r[8].Ni2, r[400].Ni1, r[400].Ni2) = std::tuple(21.3f, 34.9f, 1234.5f, 5);
  std::tie(r[1].OMi, r[1].ONi, r[52].OMi, r[52].ONi) = std::tuple(94000.4f, 4999.6f, 12345678, 12);
  const std::string bar = std::string(70, '-') + "\r\n";
  const std::tuple<SeriesKind, const char*, std::string> cases[] = {
      {SeriesKind::Irrigation, "a.irr",
       "Kelmar 400 Irri File    Sprinkler               \r\n@\r\nYear  week weeks\r\n   2    14     2\r\n"
       "  wk   Irr  NIrr\r\n" +
           bar + "   3  12.3   1.3\r\n 150   0.0   2.5\r\n"},
      {SeriesKind::Nmineral, "a.min",
       "Kelmar 400 Nmin File    Sprinkler               \r\n@\r\nYear  week weeks\r\n   2    14     2\r\n"
       "  wk   Ni1   Ni2\r\n" +
           bar + "   8  21.3  34.9\r\n 400 1234.5   5.0\r\n"},
      {SeriesKind::Omon, "a.om",
       "Kelmar 430 OMon File    Sprinkler               \r\n@\r\nYear  week weeks\r\n   2    14     2\r\n"
       "  wk    OMi    ONi\r\n" +
           bar + "   1  94000   5000\r\n  52 12345678     12\r\n"},
  };
  for (const auto& [kind, name, layout] : cases) {
    SeriesHeader& h = ws->scenario.series(kind);
    std::tie(h.Name, h.Year, h.Week) = std::tuple(" Sprinkler", 2, 14);
    const std::string path = (dir / name).string();
    ASSERT_TRUE(SaveSeries(*ws, kind, path, false).written) << name;
    std::string expected = layout;
    expected.replace(expected.find('@'), 1, path);
    EXPECT_EQ(ReadFileText(path), expected) << name;
  }
  std::filesystem::remove_all(dir);
}

// Rows renumbered from 1, line 4 with Year + 59 div 52 and Week + 59 mod 52
// (not wrapped) and the count of the whole series; the environment ends at its
// last data week; the header in memory is unchanged.
TEST(SeriesFile, ExtractRangeRenumbersAndShiftsTheStart) {
  auto ws = Filled();
  OutText out;
  WriteSeriesExtract(*ws, kEnv, out, 60, 120, "/d/PART.ENV");
  std::vector<std::string> l = Lines(out.text());
  ASSERT_EQ(l.size(), 6u + 41u) << "weeks 60..100";
  EXPECT_EQ(
      std::tuple(l[1], l[3], l[6], l[46]),
      std::tuple("/d/PART.ENV", "   4    57    41", "   1  49.5   0.0   0.0", "  41  89.5   0.0   0.0"));
  const SeriesHeader& env = ws->scenario.series(kEnv);
  EXPECT_EQ(std::tuple(env.Year, env.Week, env.FileName), std::tuple(3, 50, "/d/0"));

  OutText nmin;
  WriteSeriesExtract(*ws, SeriesKind::Nmineral, nmin, 60, 120);
  l = Lines(nmin.text());
  ASSERT_EQ(l.size(), 7u);
  EXPECT_EQ(std::tuple(l[1], l[3], l[6]), std::tuple("/d/2", "   6    57     2", "  11  30.0   0.0"));
}

// Page 1: 4 empty lines, 6 header lines, 52 rows; form feed; page 2 the same
// with 48 rows and the header repeated with the same stamp.
TEST(SeriesFile, ListingPagesEveryFiftyTwoRows) {
  std::vector<std::string> l = Lines(Written(*Filled(), kEnv, true));
  ASSERT_EQ(l.size(), 4u + 6u + 52u + 1u + 4u + 6u + 48u);
  EXPECT_EQ(l[4].substr(0, 25), "     Kelmar 400 Envi File");
  EXPECT_EQ(std::tuple(l[3], l[61], l[62], l[66], l[67], l[73], l.back()),
            std::tuple("", "       52  41.5   0.0   0.0", "\f", "", l[4], "       53  42.5   0.0   0.0",
                       "      100  89.5   0.0   0.0"));
}

// Continue moves every input value Weeks weeks towards the start; each series
// gets the name "Continued", a NEW file name, InsertWeek 1 and its start
// advanced by Weeks (year + 1, week + 8, not brought back into 1..52); counts
// stay. New empties one series and leaves the others.
TEST(SeriesFile, NewAndMoveOnContinue) {
  auto ws = MakeWorkspace();
  ws->state.DataDir = "/data/";
  ws->scenario.Weeks = 60;
  const std::array<float WeekRecord::*, 9> inputs{&WeekRecord::Tc,  &WeekRecord::Rain, &WeekRecord::ET0,
                                                  &WeekRecord::Irr, &WeekRecord::NIrr, &WeekRecord::Ni1,
                                                  &WeekRecord::Ni2, &WeekRecord::OMi,  &WeekRecord::ONi};
  for (int w = 1; w <= 520; ++w)
    for (auto f : inputs) ws->weeks[w].*f = static_cast<float>(w);
  for (SeriesHeader& h : ws->scenario.Series) h = SeriesHeader{"x", "x", 2, 50, 7, 99};
  MoveSeries(*ws);
  for (auto f : inputs) {
    EXPECT_EQ(std::tuple(ws->weeks[1].*f, ws->weeks[460].*f, ws->weeks[461].*f), std::tuple(61, 520, 0));
  }
  const char* names[] = {"/data/NEW.ENV", "/data/NEW.IRR", "/data/NEW.MIN", "/data/NEW.OM"};
  for (int k = 0; k < kSeriesCount; ++k) {
    const SeriesHeader& h = ws->scenario.Series[k];
    EXPECT_EQ(std::tuple(h.FileName, h.Name.str(), h.Year, h.Week, h.InsertWeek, h.Count),
              std::tuple(names[k], "Continued", 3, 58, 1, 7));
  }
  ResetSeries(*ws, SeriesKind::Nmineral);
  const SeriesHeader& n = ws->scenario.series(SeriesKind::Nmineral);
  EXPECT_EQ(std::tuple(n.Name.str(), n.FileName, n.Count, n.Year, n.Week),
            std::tuple("Empty", "/data/NEW.MIN", 0, 1, 1));
  EXPECT_EQ(std::tuple(ws->weeks[1].Ni1, ws->weeks[1].Ni2, ws->weeks[1].Irr), std::tuple(0, 0, 61));
}
