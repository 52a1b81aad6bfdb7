#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/SeriesFile.h"
#include "data/TextReader.h"

using namespace kelmar;

namespace {

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

std::string TempFile(const std::string& name) {
  auto dir = std::filesystem::temp_directory_path() / "kelmar_series_test";
  std::filesystem::create_directories(dir);
  return (dir / name).string();
}

} // namespace

// Write, read back, write again: identical apart from line 2 (the path written).
TEST(SeriesFile, RoundTripOfEveryKind) {
  for (int k = 0; k < kSeriesCount; ++k) {
    const auto kind = static_cast<SeriesKind>(k);
    auto a = MakeWorkspace();
    SeriesHeader& h = a->scenario.series(kind);
    h.Name = "  Round trip";
    h.Year = 3;
    h.Week = 14;
    for (int w : {1, 2, 53, 200, 519}) {
      WeekRecord& r = a->weeks[w];
      r.Tc = -3.5f + w * 0.1f;
      r.Rain = r.Irr = r.Ni1 = 12.3f;
      r.NIrr = r.ET0 = 2.5f;
      r.OMi = 94000.0f + w;
    }
    CountSeriesData(*a, kind);
    const std::string first = Written(*a, kind);
    auto b = MakeWorkspace();
    LoadSeriesText(*b, kind, first, "round.trip", 1);
    const SeriesHeader& g = b->scenario.series(kind);
    EXPECT_EQ(g.Name.str(), "Round trip          ") << "leading blanks are dropped when written";
    EXPECT_EQ(g.Year * 100 + g.Week, 314);
    EXPECT_EQ(g.FileName, ExpandFileName("round.trip"));
    CountSeriesData(*b, kind);
    std::vector<std::string> l1 = Lines(first), l2 = Lines(Written(*b, kind));
    ASSERT_EQ(l1.size(), l2.size()) << "kind " << k;
    l1[1] = l2[1];
    EXPECT_EQ(l1, l2) << "kind " << k;
  }
}

TEST(SeriesFile, MeasuredWeatherFileSurvivesLoadAndSave) {
  const std::string path = std::string(KELMAR_WEATHER) + "/WAGE1996.ENV";
  if (!FileExists(path)) GTEST_SKIP() << "weather data not present: " << path;
  auto ws = MakeWorkspace();
  LoadSeries(*ws, SeriesKind::Environment, path, 1);
  EXPECT_EQ(ws->scenario.series(SeriesKind::Environment).Count, 520);
  std::vector<std::string> in = Lines(ReadFileText(path)), out = Lines(Written(*ws, SeriesKind::Environment));
  ASSERT_EQ(in.size(), out.size());
  in[1] = out[1];
  EXPECT_EQ(in, out);
}

TEST(SeriesFile, InsertEnvironmentYearAtWeek105) {
  const std::string file = SeriesText("Kelmar 400 Envi File", 52, EnvRows(52));
  for (int before : {60, 300}) {
    auto ws = MakeWorkspace();
    SeriesHeader& h = ws->scenario.series(SeriesKind::Environment);
    h.FileName = "/kept.env";
    h.Year = 2;
    h.Count = before;
    ws->weeks[104].Tc = ws->weeks[157].Tc = 7;
    LoadSeriesText(*ws, SeriesKind::Environment, file, "ins.env", 105);
    EXPECT_EQ(h.Count, std::max(before, 156));
    EXPECT_EQ(h.InsertWeek, 156);
    EXPECT_EQ(h.FileName, "/kept.env") << "an insert keeps the series header";
    EXPECT_EQ(h.Year, 2);
    EXPECT_FLOAT_EQ(ws->weeks[105].Tc, 1.5f);
    EXPECT_FLOAT_EQ(ws->weeks[156].Tc, 52.5f);
    EXPECT_FLOAT_EQ(ws->weeks[156].Rain, 52 % 7);
    EXPECT_FLOAT_EQ(ws->weeks[104].Tc, 7);
    EXPECT_FLOAT_EQ(ws->weeks[157].Tc, 7);
  }
}

TEST(SeriesFile, SparseRowsArePlacedByTheirWeekNumber) {
  struct Case {
    SeriesKind kind;
    int startWeek;
    std::vector<std::string> rows;
    std::vector<int> weeks; // where each row lands; 0 = discarded
  };
  const std::vector<Case> cases = {
      {SeriesKind::Irrigation, 1, {"3 25 0", "17 30 1.5", "30 20 0"}, {3, 17, 30}},
      {SeriesKind::Irrigation, 10, {"3 25 0", "17 30 1.5", "30 20 0"}, {12, 26, 39}},
      {SeriesKind::Omon, 1, {"0 94000 5000", "52 93000 4900"}, {0, 52}},
      {SeriesKind::Nmineral, 2, {"519 40 20", "520 41 21"}, {520, 0}},
      {SeriesKind::Nmineral, 1, {"2.6 40 20", "-1 41 21", "1e9 1 1"}, {3, 0, 0}},
  };
  for (std::size_t c = 0; c < cases.size(); ++c) {
    const Case& tc = cases[c];
    auto ws = MakeWorkspace();
    for (int w = 1; w <= 520; ++w) ws->weeks[w].Irr = ws->weeks[w].Ni1 = ws->weeks[w].OMi = 0.25f;
    const std::string text = SeriesText(SeriesFileId(tc.kind), static_cast<int>(tc.rows.size()), tc.rows);
    LoadSeriesText(*ws, tc.kind, text, "s", tc.startWeek);
    float WeekRecord::*first = tc.kind == SeriesKind::Irrigation ? &WeekRecord::Irr
                               : tc.kind == SeriesKind::Nmineral ? &WeekRecord::Ni1
                                                                 : &WeekRecord::OMi;
    std::vector<float> want(521, 0.25f);
    for (std::size_t i = 0; i < tc.rows.size(); ++i) {
      TextReader r(tc.rows[i], "row");
      r.readReal("wk");
      if (tc.weeks[i] > 0) want[tc.weeks[i]] = r.readFloat("value");
    }
    for (int w = 1; w <= 520; ++w)
      ASSERT_FLOAT_EQ(ws->weeks[w].*first, want[w]) << "case " << c << ", week " << w;
    EXPECT_EQ(ws->scenario.series(tc.kind).Count, static_cast<int>(tc.rows.size()));
    EXPECT_EQ(ws->scenario.series(tc.kind).InsertWeek, 1);
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
  EXPECT_EQ(ws->scenario.series(SeriesKind::Irrigation).FileName, "NEW.IRR");
  EXPECT_FLOAT_EQ(ws->weeks[5].Irr, 3);
  EXPECT_FLOAT_EQ(ws->weeks[5].Tc, 0);
}

// Damaged and unusual files: what loads, what fails, and what is kept.
TEST(SeriesFile, DamagedAndUnusualEnvironmentFiles) {
  const std::string id = "Kelmar 400 Envi File";
  std::vector<std::string> truncated = EnvRows(7);
  truncated[6] = "7 7.5"; // the file ends inside row 7
  std::string truncatedText = SeriesText(id, 10, truncated);
  truncatedText.resize(truncatedText.size() - 2);
  struct Case {
    const char* what;
    std::string text;
    int startWeek;
    bool fails;
    int count;      // Count afterwards (was 0)
    int lastFilled; // last week holding Tc != 0 afterwards (0 = none)
  };
  const std::vector<Case> cases = {
      {"fewer rows than announced", SeriesText(id, 20, EnvRows(10)), 1, false, 10, 10},
      {"blank lines at the end", SeriesText(id, 20, EnvRows(10)) + "\r\n\r\n  \r\n", 1, false, 10, 10},
      {"LF line ends", SeriesText(id, 10, EnvRows(10), "\n"), 1, false, 10, 10},
      {"CR line ends", SeriesText(id, 10, EnvRows(10), "\r"), 1, false, 10, 10},
      {"negative count", SeriesText(id, -5, EnvRows(10)), 1, false, 0, 0},
      {"rows past week 520 are cut", SeriesText(id, 10, EnvRows(10)), 515, false, 520, 520},
      {"count near the integer limit", SeriesText(id, 2147483647, EnvRows(10)), 520, false, 520, 520},
      {"row truncated at the end of the file", truncatedText, 1, true, 6, 6},
      {"text instead of a number", SeriesText(id, 10, {"1 2 3 4", "2 two 3 4"}), 1, true, 1, 1},
      {"value too large for a float", SeriesText(id, 1, {"1 1e39 0 0"}), 1, true, 0, 0},
      {"count missing", id + "    n\r\n/p\r\nYear  week weeks\r\n1 1\r\n  wk\r\n", 1, true, 0, 0},
      {"identifier only", id, 1, true, 0, 0},
  };
  for (const Case& c : cases) {
    auto ws = MakeWorkspace();
    if (c.fails) {
      EXPECT_THROW(LoadSeriesText(*ws, SeriesKind::Environment, c.text, "e.env", c.startWeek), FileError)
          << c.what;
    } else {
      EXPECT_NO_THROW(LoadSeriesText(*ws, SeriesKind::Environment, c.text, "e.env", c.startWeek)) << c.what;
    }
    int last = 0;
    for (int w = 1; w <= 520; ++w) last = ws->weeks[w].Tc != 0 ? w : last;
    EXPECT_EQ(ws->scenario.series(SeriesKind::Environment).Count, c.count) << c.what;
    EXPECT_EQ(last, c.lastFilled) << c.what;
    EXPECT_GE(ws->scenario.series(SeriesKind::Environment).InsertWeek, 1) << c.what;
  }
  auto ws = MakeWorkspace();
  EXPECT_THROW(LoadSeries(*ws, SeriesKind::Environment, TempFile("missing.env"), 1), FileError);
  EXPECT_THROW(LoadSeries(*ws, SeriesKind::Environment, std::filesystem::temp_directory_path(), 1),
               FileError);
  EXPECT_THROW(LoadSeriesText(*ws, SeriesKind::Environment, "", "e.env", 0), std::invalid_argument);
}

TEST(SeriesFile, CountsAndSparseRows) {
  auto ws = MakeWorkspace();
  ws->weeks[100].ET0 = -0.1f; // any non-zero value counts for the environment
  EXPECT_EQ(CountSeriesData(*ws, SeriesKind::Environment), 100);
  ws->scenario.series(SeriesKind::Irrigation).Year = 1;
  ws->weeks[4].NIrr = 2.5f; // Irr 0 but N in the water: data
  ws->weeks[5].Irr = -1;    // no data
  ws->weeks[6].Irr = 20;
  EXPECT_EQ(CountSeriesData(*ws, SeriesKind::Irrigation), 2);
  std::vector<std::string> l = Lines(Written(*ws, SeriesKind::Irrigation));
  ASSERT_EQ(l.size(), 8u);
  EXPECT_EQ(l[3], "   1     1     2");
  EXPECT_EQ(l[6], "   4   0.0   2.5");
  EXPECT_EQ(l[7], "   6  20.0   0.0");
}

TEST(SeriesFile, SaveWritesUpToTheLastDataWeek) {
  auto ws = MakeWorkspace();
  ws->scenario.series(SeriesKind::Environment).Year = 1;
  for (int w = 1; w <= 100; ++w) ws->weeks[w].Rain = w == 50 ? 0.0f : 1.0f;
  const std::string path = TempFile("a.env");
  ASSERT_TRUE(SaveSeries(*ws, SeriesKind::Environment, path, false).written);
  EXPECT_EQ(ws->scenario.series(SeriesKind::Environment).FileName, path);
  const std::string text = ReadFileText(path);
  std::vector<std::string> l = Lines(text);
  ASSERT_EQ(l.size(), 106u) << "100 rows after 6 header lines";
  EXPECT_EQ(l[1], path);
  EXPECT_EQ(l[3], "   1     1   100");
  EXPECT_EQ(l[105], " 100   0.0   1.0   0.0");
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  std::filesystem::remove(path);
}

TEST(SeriesFile, SaveWithoutDataOrToAnUnwritablePlaceKeepsTheSeries) {
  auto ws = MakeWorkspace();
  SeriesSaveResult r = SaveSeries(*ws, SeriesKind::Omon, TempFile("a.om"), false);
  EXPECT_FALSE(r.written);
  EXPECT_EQ(r.message, "No Organic Matter data! Nothing to do.");
  EXPECT_FALSE(FileExists(TempFile("a.om")));
  // Save As and printing spell it differently.
  EXPECT_EQ(ExtractSeries(*ws, SeriesKind::Omon, TempFile("b.om"), 1, 520).message,
            "No Organic matter data! Nothing to do.");
  ws->weeks[3].OMi = 1000;
  EXPECT_THROW(SaveSeries(*ws, SeriesKind::Omon, TempFile("no/such/dir/a.om"), true), FileError);
  EXPECT_EQ(ws->scenario.series(SeriesKind::Omon).FileName, "NEW.OM") << "a failed save keeps the old name";
}

TEST(SeriesFile, ExtractRangeRenumbersAndShiftsTheStart) {
  auto ws = MakeWorkspace();
  SeriesHeader& env = ws->scenario.series(SeriesKind::Environment);
  env.Year = 3;
  env.Week = 40;
  env.FileName = "/d/ORIG.ENV";
  ws->scenario.series(SeriesKind::Nmineral).Year = 5;
  for (int w = 1; w <= 100; ++w) ws->weeks[w].Tc = static_cast<float>(w);
  ws->weeks[70].Ni1 = 30;
  ws->weeks[200].Ni1 = 31; // outside the range, but counted in line 4
  CountSeriesData(*ws, SeriesKind::Environment);
  CountSeriesData(*ws, SeriesKind::Nmineral);

  OutText out;
  WriteSeriesExtract(*ws, SeriesKind::Environment, out, 60, 120, "/d/PART.ENV");
  std::vector<std::string> l = Lines(out.text());
  ASSERT_EQ(l.size(), 6u + 41u) << "weeks 60..100: the environment ends at its last data week";
  EXPECT_EQ(l[1], "/d/PART.ENV");
  EXPECT_EQ(l[3], "   4    47    41") << "Year + 59 div 52, Week + 59 mod 52 (not wrapped)";
  EXPECT_EQ(l[6], "   1  60.0   0.0   0.0");
  EXPECT_EQ(l[46], "  41 100.0   0.0   0.0");
  EXPECT_EQ(env.Year * 100 + env.Week, 340);
  EXPECT_EQ(env.FileName, "/d/ORIG.ENV");

  OutText nmin;
  WriteSeriesExtract(*ws, SeriesKind::Nmineral, nmin, 60, 120);
  l = Lines(nmin.text());
  ASSERT_EQ(l.size(), 7u);
  EXPECT_EQ(l[3], "   6     8     2");
  EXPECT_EQ(l[6], "  11  30.0   0.0");
}

TEST(SeriesFile, ListingPagesEveryFiftyTwoRows) {
  auto ws = MakeWorkspace();
  for (int w = 1; w <= 100; ++w) ws->weeks[w].Tc = 1;
  CountSeriesData(*ws, SeriesKind::Environment);
  std::vector<std::string> l = Lines(Written(*ws, SeriesKind::Environment, true));
  // Page 1: 4 empty lines, 6 header lines, 52 rows; form feed; page 2 the same with 48 rows.
  ASSERT_EQ(l.size(), 4u + 6u + 52u + 1u + 4u + 6u + 48u);
  EXPECT_EQ(l[3], "");
  EXPECT_EQ(l[4].substr(0, 25), "     Kelmar 400 Envi File");
  EXPECT_EQ(l[61], "       52   1.0   0.0   0.0");
  EXPECT_EQ(l[62], "\f");
  EXPECT_EQ(l[66], "");
  EXPECT_EQ(l[67], l[4]) << "the header is repeated with the same stamp";
  EXPECT_EQ(l[73], "       53   1.0   0.0   0.0");
  EXPECT_EQ(l.back(), "      100   1.0   0.0   0.0");
}

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
    EXPECT_FLOAT_EQ(ws->weeks[1].*f, 61);
    EXPECT_FLOAT_EQ(ws->weeks[460].*f, 520);
    EXPECT_FLOAT_EQ(ws->weeks[461].*f, 0);
  }
  const char* names[] = {"/data/NEW.ENV", "/data/NEW.IRR", "/data/NEW.MIN", "/data/NEW.OM"};
  for (int k = 0; k < kSeriesCount; ++k) {
    const SeriesHeader& h = ws->scenario.Series[k];
    EXPECT_EQ(h.FileName, names[k]);
    EXPECT_EQ(h.Name.str(), "Continued");
    EXPECT_EQ(h.Year * 100 + h.Week, 358) << "year + 1, week + 8, not brought back into 1..52";
    EXPECT_EQ(h.InsertWeek * 100 + h.Count, 107);
  }
  ResetSeries(*ws, SeriesKind::Nmineral);
  const SeriesHeader& n = ws->scenario.series(SeriesKind::Nmineral);
  EXPECT_EQ(n.Name.str(), "Empty");
  EXPECT_EQ(n.FileName, "/data/NEW.MIN");
  EXPECT_EQ(n.Count * 10000 + n.Year * 100 + n.Week, 101);
  EXPECT_FLOAT_EQ(ws->weeks[1].Ni1 + ws->weeks[1].Ni2, 0);
  EXPECT_FLOAT_EQ(ws->weeks[1].Irr, 61) << "other series are untouched";
}
