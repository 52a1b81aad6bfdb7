// Graph setup records and their files: the byte layout other programs and
// older versions read, refusal of foreign files, and what a damaged file
// leaves behind.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "data/Errors.h"
#include "data/GraphSetupFile.h"

namespace fs = std::filesystem;
using namespace kelmar;

namespace {

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

uint32_t U32(const std::string& b, std::size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(b[at + i])) << (8 * i);
  return v;
}

std::string Str(const std::string& b, std::size_t at) {
  return b.substr(at + 1, static_cast<uint8_t>(b[at]));
}

class GraphSetupFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("kelmar_gsa_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Path(const char* name) const { return (dir / name).string(); }
  fs::path dir;
};

// A setup in which every field differs from the defaults.
GraphSetup Unusual() {
  GraphSetup g = DefaultGraphSetup(3);
  g.GraphTitle = std::string(79, 'T');
  g.XAxisTitle = "x title";
  g.YAxisTitle = std::string(32, 'y');
  g.AxisColor = 0x123456;
  g.XMin = -1.5f;
  g.XMax = 1e6f;
  g.YMin = 3;
  g.YMax = 97;
  g.XAuto = false;
  g.YAuto = false;
  g.GridLines = false;
  g.GridStyle = kPenDashDotDot;
  g.GridColor = 0xABCDEF;
  g.BackColor = 0x010203;
  g.Font = {"Courier New", 14, kFontBold | kFontStrikeOut, 0x00FF00};
  g.Series[3] = {true, "last", false, 7, kPenDash, 0x111111, true, 50, ps_Plus, 0x222222, true};
  return g;
}

} // namespace

TEST(GraphSetupDefaults, KindsHaveTheirNamesAxesAndSeries) {
  struct Case {
    int kind;
    const char* y;
    std::array<const char*, 4> legends; // nullptr: inactive
  };
  const Case cases[] = {
      {0, "Nitrogen [kg/ha] ->", {"Available", "Net Available", "Modelled Uptake", "Intended Uptake"}},
      {1, "Temperature [oC] ->", {"Temperature", nullptr, nullptr, nullptr}},
      {2, "Water [mm] ->", {"Evaporation", nullptr, "Water Supply", nullptr}},
      {6, "C/N Ratio [-] ->", {nullptr, nullptr, "TopSoil", "Meas.TopSoil"}},
      {9, "Nitrogen [kg/ha] ->", {"TopSoil", "Meas.TopSoil", "SubSoil", "Meas.SubSoil"}},
      {10, "Modelled [kg N/ha] ->", {"TopSoil", nullptr, "SubSoil", nullptr}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    GraphSetup g = DefaultGraphSetup(c.kind);
    EXPECT_EQ(g.GraphTitle, GraphKindName(c.kind));
    EXPECT_EQ(g.YAxisTitle, c.y);
    EXPECT_EQ(g.XAxisTitle, c.kind == 10 ? "Measured [kg N/ha] ->" : "Week ->");
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(g.Series[i].Active, c.legends[i] != nullptr);
      EXPECT_EQ(g.Series[i].Title,
                c.legends[i] ? std::string(c.legends[i]) : "Series" + std::to_string(i + 1));
    }
  }
}

TEST(GraphSetupDefaults, StylesOfTheSeries) {
  // Kind 9 uses styles A, E, C and H; kind 6 F and G; kind 0 has D's dotted yellow line.
  GraphSetup g9 = DefaultGraphSetup(9);
  EXPECT_EQ(g9.Series[0], (SeriesSetup{true, "TopSoil", true, 2, kPenSolid, kColorRed, false, 8, ps_Square,
                                       kColorRed, false}));
  EXPECT_EQ(g9.Series[1], (SeriesSetup{true, "Meas.TopSoil", false, 2, kPenSolid, kColorRed, true, 8,
                                       ps_Square, kColorBlack, false}));
  EXPECT_EQ(g9.Series[3], (SeriesSetup{true, "Meas.SubSoil", false, 2, kPenSolid, kColorBlue, true, 8,
                                       ps_Triangle, kColorBlue, false}));
  GraphSetup g6 = DefaultGraphSetup(6);
  EXPECT_EQ(g6.Series[3].PointColor, kColorBlack);
  EXPECT_EQ(g6.Series[3].PointShape, ps_Triangle);
  EXPECT_FALSE(g6.Series[3].HasLine);
  GraphSetup g0 = DefaultGraphSetup(0);
  EXPECT_EQ(g0.Series[1].PointShape, ps_Plus);
  EXPECT_EQ(g0.Series[1].PointSize, 4);
  EXPECT_EQ(g0.Series[3].LineStyle, kPenDot);
  EXPECT_EQ(g0.Series[3].LineColor, kColorYellow);
}

TEST(GraphSetupDefaults, KindFromNameOrNumber) {
  EXPECT_EQ(GraphKindFromText("9"), 9);
  EXPECT_EQ(GraphKindFromText("mineral nitrogen"), 9);
  EXPECT_EQ(GraphKindFromText("N-MODELLED VS N-MEASURED"), 10);
  EXPECT_EQ(GraphKindFromText("11"), -1);
  EXPECT_EQ(GraphKindFromText("-1"), -1);
  EXPECT_EQ(GraphKindFromText("Printing"), -1);
  EXPECT_EQ(GraphKindFromText(""), -1);
}

TEST_F(GraphSetupFileTest, AllSetupsHaveTheDocumentedBytes) {
  GraphSetupStore store;
  SaveAllGraphSetups(Path("ALL.GSA"), store);
  EXPECT_TRUE(store.initialised);
  std::string b = Slurp(dir / "ALL.GSA");
  ASSERT_EQ(b.size(), 5521u);
  EXPECT_EQ(b.substr(0, 21), std::string("\x14Kelmar 421 Grph Cust"));
  for (int k = 0; k < 11; ++k) {
    SCOPED_TRACE(k);
    const std::size_t r = 21 + 500 * k;
    EXPECT_EQ(Str(b, r), GraphKindName(k));
    EXPECT_EQ(Str(b, r + 80), k == 10 ? "Measured [kg N/ha] ->" : "Week ->");
    EXPECT_EQ(Str(b, r + 113), std::string(DefaultGraphSetup(k).YAxisTitle));
    EXPECT_EQ(U32(b, r + 156), std::bit_cast<uint32_t>(1.0f)); // XMax
    EXPECT_EQ(b.substr(r + 168, 4), std::string("\x01\x01\x01\x02", 4));
    EXPECT_EQ(U32(b, r + 172), 0x808080u);
    EXPECT_EQ(b.substr(r + 146, 2), std::string(2, '\0'));
    EXPECT_EQ(b.substr(r + 213, 3), std::string(3, '\0'));
    // characters beyond the title's length are zero
    EXPECT_EQ(b.substr(r + 1 + GraphKindName(k).size(), 79 - GraphKindName(k).size()),
              std::string(79 - GraphKindName(k).size(), '\0'));
  }
  // Series 1 of kind 0 (style A) and series 2 (style B).
  const std::size_t s1 = 21 + 228, s2 = s1 + 68;
  EXPECT_EQ(b[s1], 1);
  EXPECT_EQ(Str(b, s1 + 1), "Available");
  EXPECT_EQ(b[s1 + 34], 1);
  EXPECT_EQ(U32(b, s1 + 36), 2u);
  EXPECT_EQ(U32(b, s1 + 44), 0x0000FFu);
  EXPECT_EQ(b[s1 + 48], 0);
  EXPECT_EQ(U32(b, s1 + 52), 8u);
  EXPECT_EQ(b[s2 + 48], 1);
  EXPECT_EQ(U32(b, s2 + 52), 4u);
  EXPECT_EQ(b[s2 + 56], ps_Plus);
  EXPECT_EQ(U32(b, s2 + 60), 0x008000u);
  // Series 4 of kind 1 is inactive and keeps its placeholder title.
  const std::size_t k1s4 = 21 + 500 + 228 + 3 * 68;
  EXPECT_EQ(b[k1s4], 0);
  EXPECT_EQ(Str(b, k1s4 + 1), "Series4");
}

TEST_F(GraphSetupFileTest, RoundTripsKeepEveryField) {
  GraphSetupStore out;
  out.EnsureInitialised();
  out.setups[3] = Unusual();
  SaveAllGraphSetups(Path("A.GSA"), out);
  GraphSetupStore in;
  EXPECT_EQ(LoadAllGraphSetups(Path("A.GSA"), in), 11);
  EXPECT_EQ(in.setups, out.setups);

  SaveGraphSetup(Path("ONE.GSU"), Unusual());
  std::string b = Slurp(dir / "ONE.GSU");
  ASSERT_EQ(b.size(), 521u);
  EXPECT_EQ(b.substr(0, 21), std::string("\x14zkGraph101 Grph Cust"));
  EXPECT_EQ(LoadGraphSetup(Path("ONE.GSU")), Unusual());
  // Written again, the bytes are identical.
  SaveGraphSetup(Path("TWO.GSU"), LoadGraphSetup(Path("ONE.GSU")));
  EXPECT_EQ(Slurp(dir / "TWO.GSU"), b);
}

TEST_F(GraphSetupFileTest, ForeignIdentifierChangesNothing) {
  GraphSetupStore store;
  store.EnsureInitialised();
  store.setups[5] = Unusual();
  const auto before = store.setups;
  SaveGraphSetup(Path("ONE.GSU"), DefaultGraphSetup(1)); // right size class, wrong kind
  std::ofstream(dir / "TEXT.GSA", std::ios::binary) << "Kelmar 459 Data File\r\n" << std::string(6000, 'x');
  struct Case {
    const char* file;
    const char* id;
  };
  for (const Case c : {Case{"ONE.GSU", "zkGraph101 Grph Cust"}, Case{"TEXT.GSA", "elmar 459 Data File\r"}}) {
    SCOPED_TRACE(c.file);
    try {
      LoadAllGraphSetups(Path(c.file), store);
      ADD_FAILURE() << "accepted";
    } catch (const InvalidFileId& e) {
      EXPECT_EQ(e.id(), c.id);
      EXPECT_EQ(std::string(e.what()), std::string("Invalid file ID!: ") + c.id);
    }
    EXPECT_EQ(store.setups, before);
  }
  // A .GSA file is not a one-graph setup.
  SaveAllGraphSetups(Path("ALL.GSA"), store);
  EXPECT_THROW(LoadGraphSetup(Path("ALL.GSA")), InvalidFileId);
}

TEST_F(GraphSetupFileTest, ShortFilesKeepWhatWasReadCompletely) {
  GraphSetupStore full;
  full.EnsureInitialised();
  for (auto& g : full.setups) g = Unusual();
  SaveAllGraphSetups(Path("ALL.GSA"), full);
  // Two whole records and half of the third.
  fs::resize_file(dir / "ALL.GSA", 21 + 2 * 500 + 250);
  GraphSetupStore store;
  try {
    LoadAllGraphSetups(Path("ALL.GSA"), store);
    ADD_FAILURE() << "accepted";
  } catch (const FileError& e) {
    EXPECT_STREQ(e.what(), "Error loading all graphs setup !");
  }
  EXPECT_EQ(store.setups[0], Unusual());
  EXPECT_EQ(store.setups[1], Unusual());
  EXPECT_EQ(store.setups[2], DefaultGraphSetup(2));
  EXPECT_EQ(store.setups[10], DefaultGraphSetup(10));

  // Shorter than the identifier, missing, or a one-graph file cut short.
  fs::resize_file(dir / "ALL.GSA", 10);
  EXPECT_THROW(LoadAllGraphSetups(Path("ALL.GSA"), store), FileError);
  EXPECT_THROW(LoadAllGraphSetups(Path("NONE.GSA"), store), FileError);
  SaveGraphSetup(Path("ONE.GSU"), Unusual());
  fs::resize_file(dir / "ONE.GSU", 520);
  EXPECT_THROW(LoadGraphSetup(Path("ONE.GSU")), FileError);
}

TEST_F(GraphSetupFileTest, OverlongLengthBytesAreCut) {
  GraphSetupBytes b = EncodeGraphSetup(DefaultGraphSetup(0));
  b[0] = 255;   // title length
  b[180] = 200; // font name length
  GraphSetup g = DecodeGraphSetup(b.data());
  EXPECT_EQ(g.GraphTitle.size(), 79u);
  EXPECT_EQ(g.Font.Name.size(), 32u);
}

TEST_F(GraphSetupFileTest, FailedSaveKeepsThePreviousFile) {
  GraphSetupStore store;
  SaveAllGraphSetups(Path("ALL.GSA"), store);
  const std::string before = Slurp(dir / "ALL.GSA");
  EXPECT_THROW(SaveAllGraphSetups((dir / "missing" / "ALL.GSA").string(), store), FileError);
  EXPECT_THROW(SaveGraphSetup((dir / "missing" / "ONE.GSU").string(), Unusual()), FileError);
  EXPECT_EQ(Slurp(dir / "ALL.GSA"), before);
}
