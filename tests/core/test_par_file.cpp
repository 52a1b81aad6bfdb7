#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/TextReader.h"
#include "fitting/ParFile.h"

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
  const std::string old = Lines(text)[3];
  return text.replace(text.find(old), old.size(), line);
}

constexpr ParIncludes kAll{true, true, true, true};

// A workspace whose table differs from the initial one in every column:
// values, ranges and marks that are not the defaults.
std::unique_ptr<Workspace> Changed() {
  auto ws = MakeWorkspace();
  ParmTable& t = ws->parms;
  for (int i = 1; i <= kParmCount; ++i) {
    AutoParm& p = t[i];
    const double span = p.defUpper - p.defLower;
    p.lower = static_cast<float>(p.defLower + 0.1237 * span);
    p.upper = static_cast<float>(p.defUpper - 0.2113 * span);
    t.value(ws->scenario, i) = static_cast<float>(p.defLower + 0.4561 * span);
    p.fit = i % 3 == 0 ? 1 : 0;
  }
  return ws;
}

struct Snapshot {
  std::vector<float> value, lower, upper;
  std::vector<int> fit;
};

Snapshot Take(const Workspace& ws) {
  Snapshot s;
  for (int i = 1; i <= kParmCount; ++i) {
    s.value.push_back(ws.parms.value(ws.scenario, i));
    s.lower.push_back(ws.parms[i].lower);
    s.upper.push_back(ws.parms[i].upper);
    s.fit.push_back(ws.parms[i].fit);
  }
  return s;
}

} // namespace

TEST(ParFile, LayoutOfTheEntryLines) {
  auto ws = MakeWorkspace();
  std::vector<std::string> l = Lines(ParText(*ws));
  ASSERT_EQ(l.size(), 52u);
  EXPECT_EQ(l[0], "Kelmar 430 Parm File");
  EXPECT_EQ(l[1], "ETBare    0.50    0.00    1.00       2       0");
  EXPECT_EQ(l[3], "pH        7.00    1.00   14.00       2       0");
  EXPECT_EQ(l[20], "GAM1     0.029   0.000   0.090       3       0");
  EXPECT_EQ(l[38], "oOM      94000       0  999999       0       0");
  // Numbers that fill their field still stand apart from the name and each other.
  ws->parms[10].upper = 12345678;
  ws->parms[38].lower = -12345678;
  l = Lines(ParText(*ws));
  EXPECT_EQ(l[10], "GWTwk1      12       1 12345678       0       0");
  EXPECT_EQ(l[38], "oOM      94000 -12345678  999999       0       0");
}

TEST(ParFile, RoundTripReproducesTheTableToItsDecimals) {
  auto a = Changed();
  const std::string text = ParText(*a);
  auto b = MakeWorkspace();
  LoadParText(*b, text, "all.par", kAll);
  const Snapshot want = Take(*a), got = Take(*b);
  for (int i = 0; i < kParmCount; ++i) {
    const double half = 0.5 * std::pow(10.0, -a->parms[i + 1].decimals) * 1.0001;
    const std::string name(a->parms[i + 1].name);
    EXPECT_NEAR(got.value[i], want.value[i], half) << name;
    EXPECT_NEAR(got.lower[i], want.lower[i], half) << name;
    EXPECT_NEAR(got.upper[i], want.upper[i], half) << name;
    EXPECT_EQ(got.fit[i], want.fit[i]) << name;
  }
  EXPECT_EQ(ParText(*b), text) << "a loaded file writes back unchanged";
}

TEST(ParFile, IncludeSwitchesSelectTheColumns) {
  auto source = Changed();
  const std::string text = ParText(*source);
  const Snapshot fileSide = Take(*source);
  for (int mask = 0; mask < 16; ++mask) {
    ParIncludes inc{(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0};
    auto ws = MakeWorkspace();
    const Snapshot before = Take(*ws);
    LoadParText(*ws, text, "p.par", inc);
    const Snapshot after = Take(*ws);
    for (int i = 0; i < kParmCount; ++i) {
      const double tol = std::pow(10.0, -ws->parms[i + 1].decimals);
      EXPECT_NEAR(after.value[i], inc.value ? fileSide.value[i] : before.value[i], tol) << "mask " << mask;
      EXPECT_NEAR(after.lower[i], inc.lower ? fileSide.lower[i] : before.lower[i], tol) << "mask " << mask;
      EXPECT_NEAR(after.upper[i], inc.upper ? fileSide.upper[i] : before.upper[i], tol) << "mask " << mask;
      EXPECT_EQ(after.fit[i], inc.fit ? fileSide.fit[i] : before.fit[i]) << "mask " << mask;
    }
  }
}

// A damaged file or another identifier is rejected whole: a table half from
// the file and half from before would be worse than either.
TEST(ParFile, RejectedFilesChangeNothing) {
  const std::string good = ParText(*Changed());
  std::string textual = good; // a decimal comma in the last entry
  textual[textual.rfind('.')] = ',';
  std::string otherId = good;
  otherId.replace(0, 20, "Kelmar 459 Data File");
  struct Case {
    const char* what;
    std::string text;
    bool wrongId;
  };
  const std::vector<Case> cases = {
      {"file ends at entry 38", good.substr(0, good.find("oOM")), false},
      {"decimal comma", textual, false},
      {"lower range above upper range", WithPh(good, "pH       5.00   13.00    2.00       2       1"), false},
      {"identifier only", "Kelmar 430 Parm File", false},
      {"scenario file", otherId, true},
  };
  for (const Case& c : cases) {
    auto ws = MakeWorkspace();
    const std::string before = ParText(*ws);
    try {
      LoadParText(*ws, c.text, "d.par", kAll);
      ADD_FAILURE() << c.what << " was accepted";
    } catch (const InvalidFileId& e) {
      EXPECT_TRUE(c.wrongId) << c.what;
      EXPECT_EQ(std::string(e.what()), "Invalid file ID!: Kelmar 459 Data File");
    } catch (const FileError&) {
      EXPECT_FALSE(c.wrongId) << c.what;
    }
    EXPECT_EQ(ParText(*ws), before) << c.what;
  }
}

TEST(ParFile, RangesStayWithinTheirDefaultLimits) {
  auto ws = MakeWorkspace();
  LoadParText(*ws, WithPh(ParText(*ws), "pH       20.00   -3.00   99.00       2       1"), "r.par", kAll);
  EXPECT_FLOAT_EQ(ws->parms[3].lower, 1);
  EXPECT_FLOAT_EQ(ws->parms[3].upper, 14);
  EXPECT_FLOAT_EQ(ws->scenario.pH, 20) << "a value outside the range is kept, as from a scenario file";
  EXPECT_EQ(ws->parms[3].fit, 1);

  // Only the upper range taken over: it must not fall below the lower range kept.
  auto other = MakeWorkspace();
  other->parms[3].lower = 10;
  const std::string low = WithPh(ParText(*MakeWorkspace()), "pH        7.00    1.00    8.00       2       0");
  EXPECT_THROW(LoadParText(*other, low, "u.par", ParIncludes{false, false, false, true}), FileError);
  EXPECT_FLOAT_EQ(other->parms[3].upper, 14);
}

TEST(ParFile, SaveAndLoadThroughFiles) {
  auto a = Changed();
  const auto dir = std::filesystem::temp_directory_path() / "kelmar_par_test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "S.PAR").string();
  SavePar(*a, path);
  EXPECT_EQ(ReadFileText(path), ParText(*a));
  auto c = MakeWorkspace();
  LoadPar(*c, path, kAll);
  EXPECT_EQ(ParText(*c), ParText(*a));
  EXPECT_THROW(SavePar(*a, (dir / "missing" / "S.PAR").string()), FileError);
  EXPECT_FALSE(FileExists((dir / "missing" / "S.PAR").string()));
  EXPECT_THROW(LoadPar(*c, (dir / "none.PAR").string(), ParIncludes{}), FileError);
  std::filesystem::remove_all(dir);
}
