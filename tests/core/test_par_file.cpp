#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/ParFile.h"
#include "data/TextReader.h"

using namespace kelmar;

namespace {

std::string ParText(const Workspace& ws) {
  OutText out;
  WritePar(ws, out);
  return out.text();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t pos = 0, e; (e = text.find("\r\n", pos)) != std::string::npos; pos = e + 2)
    out.push_back(text.substr(pos, e - pos));
  return out;
}

// The file with the line of pH (entry 3) replaced.
std::string WithPh(std::string text, const std::string& line) {
  const std::size_t at = text.find("\r\npH ") + 2;
  return text.replace(at, text.find("\r\n", at) - at, line);
}

constexpr ParIncludes kAll{true, true, true, true};

// A workspace whose table differs from the initial one in every column:
// values, ranges and marks that are not the defaults.
std::unique_ptr<Workspace> Changed() {
  auto ws = MakeWorkspace();
  for (int i = 1; i <= kParmCount; ++i) {
    AutoParm& p = ws->parms[i];
    const double span = p.defUpper - p.defLower;
    p.lower = static_cast<float>(p.defLower + 0.1237 * span);
    p.upper = static_cast<float>(p.defUpper - 0.2113 * span);
    ws->parms.value(ws->scenario, i) = static_cast<float>(p.defLower + 0.4561 * span);
    p.fit = 1 - p.fit;
  }
  return ws;
}

// Value, lower range, fit mark and upper range of every entry, in the order
// of the ParIncludes switches.
std::vector<std::array<float, 4>> Take(const Workspace& ws) {
  std::vector<std::array<float, 4>> s;
  for (int i = 1; i <= kParmCount; ++i) {
    const AutoParm& p = ws.parms[i];
    s.push_back({ws.parms.value(ws.scenario, i), p.lower, static_cast<float>(p.fit), p.upper});
  }
  return s;
}

} // namespace

// Numbers that fill their field still stand apart from the name and each other.
TEST(ParFile, LayoutOfTheEntryLines) {
  auto ws = MakeWorkspace();
  std::vector<std::string> l = Lines(ParText(*ws));
  ASSERT_EQ(l.size(), 52u);
  EXPECT_EQ(std::tuple(l[0], l[1], l[3], l[20], l[38]),
            std::tuple("Kelmar 430 Parm File", "ETBare    0.50    0.00    1.00       2       0",
                       "pH        7.00    1.00   14.00       2       0",
                       "GAM1     0.029   0.000   0.090       3       0",
                       "oOM      94000       0  999999       0       0"));
  ws->parms[10].upper = 12345678;
  ws->parms[38].lower = -12345678;
  l = Lines(ParText(*ws));
  EXPECT_EQ(l[10], "GWTwk1      12       1 12345678       0       0");
  EXPECT_EQ(l[38], "oOM      94000 -12345678  999999       0       0");
}

// Saved and loaded again with every combination of the switches: exactly the
// columns asked for are taken over; all four reproduce the table to its
// decimals, and the file writes back unchanged. A failed save leaves no
// partial file.
TEST(ParFile, SaveAndLoadTakeTheColumnsTheSwitchesAskFor) {
  auto source = Changed();
  const auto dir = std::filesystem::temp_directory_path() / "kelmar_par_test";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "S.PAR").string(), missing = (dir / "missing" / "S.PAR").string();
  SavePar(*source, path);
  EXPECT_EQ(ReadFileText(path), ParText(*source));
  EXPECT_THROW(SavePar(*source, missing), FileError);
  EXPECT_FALSE(FileExists(missing));
  EXPECT_THROW(LoadPar(*source, (dir / "none.PAR").string(), kAll), FileError);
  const auto file = Take(*source);
  for (int mask = 0; mask < 16; ++mask) {
    const std::array<bool, 4> inc{(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0};
    auto ws = MakeWorkspace();
    const auto before = Take(*ws);
    LoadPar(*ws, path, ParIncludes{inc[0], inc[1], inc[2], inc[3]});
    const auto after = Take(*ws);
    for (int i = 0; i < kParmCount; ++i) {
      const double half = 0.5 * std::pow(10.0, -ws->parms[i + 1].decimals) * 1.0001;
      for (int col = 0; col < 4; ++col)
        EXPECT_NEAR(after[i][col], inc[col] ? file[i][col] : before[i][col], half)
            << ws->parms[i + 1].name << ", column " << col << ", mask " << mask;
    }
    EXPECT_TRUE(mask != 15 || ParText(*ws) == ParText(*source)) << "a loaded file writes back unchanged";
  }
  std::filesystem::remove_all(dir);
}

// A damaged file or another identifier is rejected whole: a table half from
// the file and half from before would be worse than either.
TEST(ParFile, RejectedFilesChangeNothing) {
  const std::string good = ParText(*Changed());
  std::string comma = good; // a decimal comma in the last entry
  comma[comma.rfind('.')] = ',';
  const std::pair<const char*, std::string> cases[] = {
      {"file ends at entry 38", good.substr(0, good.find("oOM"))},
      {"decimal comma", comma},
      {"lower range above upper range", WithPh(good, "pH        5.00    2.01    2.00       2       1")},
      {"identifier only", "Kelmar 430 Parm File"},
      {"scenario file", "Kelmar 459 Data File" + good.substr(20)},
  };
  for (const auto& [what, text] : cases) {
    auto ws = MakeWorkspace();
    const std::string before = ParText(*ws);
    try {
      LoadParText(*ws, text, "d.par", kAll);
      ADD_FAILURE() << what << " was accepted";
    } catch (const InvalidFileId& e) {
      EXPECT_EQ(std::string(e.what()), "Invalid file ID!: Kelmar 459 Data File") << what;
    } catch (const FileError&) {
      EXPECT_STRNE(what, "scenario file");
    }
    EXPECT_EQ(ParText(*ws), before) << what;
  }
}

// A value outside the range is kept, as from a scenario file; the ranges are
// brought within their default limits. With only the upper range taken over,
// it must not fall below the lower range kept.
TEST(ParFile, RangesStayWithinTheirDefaultLimits) {
  auto ws = MakeWorkspace();
  LoadParText(*ws, WithPh(ParText(*ws), "pH       20.00   -3.00   99.00       2       1"), "r.par", kAll);
  EXPECT_EQ(std::tuple(ws->parms[3].lower, ws->parms[3].upper, ws->scenario.pH, ws->parms[3].fit),
            std::tuple(1, 14, 20, 1));
  auto other = MakeWorkspace(); // the upper range kept when not taken over
  LoadParText(*other, WithPh(ParText(*other), "pH        5.00   13.00    2.00       2       1"), "l.par",
              ParIncludes{false, true, true, false});
  EXPECT_FLOAT_EQ(other->parms[3].lower, 13);
  other->parms[3].lower = 10;
  const std::string low = WithPh(ParText(*MakeWorkspace()), "pH        7.00    1.00    8.00       2       0");
  EXPECT_THROW(LoadParText(*other, low, "u.par", ParIncludes{false, false, false, true}), FileError);
  EXPECT_FLOAT_EQ(other->parms[3].upper, 14);
}
