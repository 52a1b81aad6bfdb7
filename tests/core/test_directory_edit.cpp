// Directory Edit in the core: which lines a directory lists, and which
// replacements reach which files and records.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "Workspace.h"
#include "data/ScenarioFile.h"
#include "session/DirectoryEdit.h"

using namespace kelmar;
namespace fs = std::filesystem;

namespace {

class DirectoryEdit : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("kelmar_diredit_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* f : {"A.DAT", "B.DAT"}) fs::copy_file(fs::path(KELMAR_EXAMPLES) / "SANDY6.DAT", dir / f);
    std::ofstream(dir / "C.DAT") << "Something else\r\n";
    std::ofstream(dir / "D.DAT") << "Kelmar 459 Data File\r\n12\r\n";
  }
  void TearDown() override { fs::remove_all(dir); }

  std::unique_ptr<Workspace> Load(const char* f) {
    auto ws = MakeWorkspace();
    LoadScenario(*ws, (dir / f).string());
    return ws;
  }
  static ScenarioField Field(const std::vector<ScenarioField>& fields, std::string_view key) {
    for (const ScenarioField& f : fields)
      if (f.key == key) return f;
    throw std::logic_error("no field");
  }
  fs::path dir;
};

} // namespace

// With crop 4 of A renamed, A grows winter wheat twice: crop mode lists and
// replaces both, whatever the case of the name; one record can be replaced
// alone.
TEST_F(DirectoryEdit, CropsAreFoundByNameAndReplacedAllOrOne) {
  auto a = Load("A.DAT");
  a->scenario.Crops[4].Name = "        WINTER WHEAT";
  SaveScenario(*a, (dir / "A.DAT").string());
  DirEditTarget t{DirEditTarget::Mode::Crop, "Winter Wheat", "Yield", "9100",
                  Field(CropGridFields(), "Yield")};
  const std::vector<DirEditLine> lines = ScanScenarioDirectory(t, dir.string());
  // A and B with their wheat, D with its read error; C is no scenario.
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(DirEditLineText(lines[0]), "A                      2 9000");
  EXPECT_EQ(DirEditLineText(lines[1]), "A                      4 70000");
  EXPECT_EQ(DirEditLineText(lines[2]), "B                      2 9000");
  EXPECT_EQ(lines.back().file, (dir / "D.DAT").string());
  EXPECT_EQ(DirEditLineText(lines.back()).rfind("D                      0 ! ", 0), 0u);

  EXPECT_EQ(ReplaceInScenarioFile(t, (dir / "A.DAT").string(), 0), "");
  EXPECT_EQ(ReplaceInScenarioFile(t, (dir / "B.DAT").string(), lines[0].item), "");
  for (int i = 1; i <= a->scenario.CropCount; ++i) {
    const float was = a->scenario.Crops[static_cast<size_t>(i)].PRODi;
    EXPECT_EQ(Load("A.DAT")->scenario.Crops[static_cast<size_t>(i)].PRODi, i == 2 || i == 4 ? 9100.0f : was);
    EXPECT_EQ(Load("B.DAT")->scenario.Crops[static_cast<size_t>(i)].PRODi, i == 2 ? 9100.0f : was);
  }
}

// A refused value, a record the file does not have and a file of another
// kind all leave the file as it was and say why.
TEST_F(DirectoryEdit, RefusalsLeaveFilesAlone) {
  const auto bytes = [&](const char* f) {
    std::ifstream in(dir / f, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string before = bytes("A.DAT");
  DirEditTarget t{DirEditTarget::Mode::Plain, "PARAMETERS", "Length", "1301",
                  Field(ParameterFields(), "Weeks")};
  EXPECT_EQ(ReplaceInScenarioFile(t, (dir / "A.DAT").string(), 0), "Value must be between 1 and 1300 !");
  t = {DirEditTarget::Mode::Crop, "winter wheat", "Yield", "1", Field(CropGridFields(), "Yield")};
  EXPECT_EQ(ReplaceInScenarioFile(t, (dir / "A.DAT").string(), 41), "No record 41");
  EXPECT_EQ(bytes("A.DAT"), before);
  EXPECT_EQ(ReplaceInScenarioFile(t, (dir / "C.DAT").string(), 0).rfind("Invalid file ID", 0), 0u);
}
