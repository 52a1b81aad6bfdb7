// Loading a scenario with its companions when one of the files is damaged.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "Workspace.h"
#include "data/FileSystem.h"
#include "data/ScenarioFile.h"
#include "data/SeriesFile.h"
#include "model/Driver.h"
#include "session/Companions.h"

using namespace kelmar;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void Put(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

std::string ScenarioText(const Workspace& ws) {
  OutText out(false);
  WriteScenario(ws, out);
  return out.text();
}

class Companions : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("kelmar_companions_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "other");
    for (const char* f : {"SANDY6.DAT", "SANDY6.ENV", "SANDY6.MIN"})
      fs::copy_file(fs::path(KELMAR_EXAMPLES) / f, dir / f);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

// A scenario file that fails part-way leaves the loaded scenario, its series,
// its parameters, its results and its document marks exactly as they were.
// Only the name changes, so that a later Save cannot pass for one of the
// damaged file.
TEST_F(Companions, DamagedScenarioChangesNothingLoaded) {
  auto ws = MakeWorkspace();
  ASSERT_TRUE(LoadScenarioWithCompanions(*ws, (dir / "SANDY6.DAT").string()).ok());
  RunModel(*ws);
  ws->state.DocStatus &= ~kResultsStale;
  const auto before = std::make_unique<Workspace>(*ws);
  const std::string text = Slurp(dir / "SANDY6.DAT");

  // Cut inside the parameters, the soil, a crop table and the applications.
  for (const char* at : {"ETbare", "SOIL", "CROPS:                Initial", "APPLICATIONS"}) {
    const std::size_t cut = text.find(at);
    ASSERT_NE(cut, std::string::npos) << at;
    const std::size_t end = text.find('\n', text.find('\n', cut) + 1);
    Put(dir / "other" / "CUT.DAT", text.substr(0, end + 1) + "broken\r\n");

    const LoadOutcome r = LoadScenarioWithCompanions(*ws, (dir / "other" / "CUT.DAT").string());
    EXPECT_EQ(r.status, LoadStatus::ReadError) << at;
    EXPECT_EQ(r.message.rfind("Loading scenario " + (dir / "other" / "CUT.DAT").string() + "\r", 0), 0u)
        << r.message;
    EXPECT_NE(r.message.find(", line "), std::string::npos) << r.message;
    EXPECT_EQ(ws->scenario.ScenarioFile, before->scenario.ScenarioFile);
    EXPECT_EQ(ScenarioText(*ws), ScenarioText(*before)) << at;
    EXPECT_EQ(ws->state.DataDir, before->state.DataDir);
    EXPECT_EQ(ws->state.DocStatus, before->state.DocStatus);
    EXPECT_EQ(std::memcmp(ws->weeks.data(), before->weeks.data(), sizeof ws->weeks), 0) << at;
    EXPECT_EQ(std::memcmp(&ws->run, &before->run, sizeof ws->run), 0) << at;
    for (int i = 1; i <= ParmTable::size(); ++i) EXPECT_EQ((*ws).parms[i].backup, before->parms[i].backup);
    for (int k = 0; k < kSeriesCount; ++k)
      EXPECT_EQ(ws->scenario.Series[k].FileName, before->scenario.Series[k].FileName);
  }
}

// A damaged series companion is not half taken over: the scenario is loaded,
// the series is left empty (and not a document to save over the file), and
// the failure is reported with the companion's name.
TEST_F(Companions, DamagedSeriesCompanionIsLeftEmpty) {
  const std::string min = Slurp(dir / "SANDY6.MIN");
  const std::size_t third = min.find('\n', min.find('\n', min.find('\n', min.find("wk")) + 1) + 1);
  Put(dir / "SANDY6.MIN", min.substr(0, third + 1) + "  x\r\n");
  auto ws = MakeWorkspace();
  const LoadOutcome r = LoadScenarioWithCompanions(*ws, (dir / "SANDY6.DAT").string());
  EXPECT_EQ(r.status, LoadStatus::CompanionReadError);
  EXPECT_EQ(r.message.rfind("Loading " + (dir / "SANDY6.MIN").string() + "\r", 0), 0u) << r.message;
  const SeriesHeader& h = ws->scenario.series(SeriesKind::Nmineral);
  EXPECT_EQ(h.Count, 0);
  EXPECT_EQ(ExtractFileName(h.FileName), "NEW.MIN");
  EXPECT_NE(ws->state.DocStatus & SavedBit(SeriesKind::Nmineral), 0u);
  EXPECT_EQ(ExtractFileName(ws->scenario.ScenarioFile), "SANDY6.DAT");
}

} // namespace
