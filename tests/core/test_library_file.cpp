#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/LibraryFile.h"
#include "data/TextFormat.h"

using namespace kelmar;

namespace {

std::string Library(std::string_view id, int count, const std::vector<std::string>& entries) {
  std::string t = std::string(id) + "  standard library\r\n";
  t += std::to_string(count) + "  column header text\r\n";
  for (const std::string& e : entries) t += e + "\r\n";
  return t;
}

const std::string kSoilId = "Kelmar 459 Soil File";
const std::string kCropId = "Kelmar 459 Crop File";
const std::string kApplId = "Kelmar 459 Appl File";

std::vector<std::string> Soils() {
  return {FmtName("clay") + "  0.41 0.021 120.0  30.0  0.80  0.90  20.0  0.30",
          FmtName("loam") + "  0.38 0.025 110.0  25.0  0.60  0.70  30.0  0.20",
          FmtName("sand") + "  0.36 0.029  99.2  22.4  1.00  1.00  35.0  0.00",
          FmtName("peat") + "  0.70 0.010 200.0  50.0  0.50  0.50  10.0  0.10",
          FmtName("fifth, not counted") + "  1 1 1 1 1 1 1 1"};
}

} // namespace

TEST(LibraryFile, NamesFollowTheCountNotTheLines) {
  struct Case {
    const char* what;
    int count;
    std::size_t names;
  };
  for (const Case& c :
       {Case{"count below the lines", 3, 3}, Case{"count equal", 5, 5}, Case{"count above the lines", 9, 5},
        Case{"negative count", -2, 0}, Case{"no entries", 0, 0}}) {
    std::vector<std::string> names =
        LibraryEntryNamesText(Library(kSoilId, c.count, Soils()), "s.soi", LibraryKind::Soil);
    ASSERT_EQ(names.size(), c.names) << c.what;
    if (!names.empty()) {
      EXPECT_EQ(names.front(), "                clay") << "the 20-character field as it stands";
    }
  }
}

// The first name is the third line of the file; a SubSoil keeps what the
// library does not hold (THL, IFi, NMIN), and the TopSoil is untouched.
TEST(LibraryFile, SoilEntryGoesIntoTheChosenLayer) {
  auto ws = MakeWorkspace();
  SoilLayer& sub = ws->scenario.Soil[1];
  sub.THL = 60;
  sub.IFi = 250;
  sub.NMIN = 12.5f;
  const SoilLayer top = ws->scenario.Soil[0];
  ReadSoilEntryText(*ws, Library(kSoilId, 3, Soils()), "s.soi", 0, 2);
  EXPECT_EQ(sub.Name.str(), "                clay");
  const float want[8] = {0.41f, 0.021f, 120, 30, 0.8f, 0.9f, 20, 0.3f};
  const float got[8] = {sub.SMO, sub.GAM, sub.CRc, sub.CRx, sub.Text, sub.NLF, sub.FI, sub.BPF};
  for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(got[i], want[i]) << "parameter " << i + 1;
  EXPECT_FLOAT_EQ(sub.THL, 60);
  EXPECT_FLOAT_EQ(sub.IFi, 250);
  EXPECT_FLOAT_EQ(sub.NMIN, 12.5f);
  EXPECT_EQ(ws->scenario.Soil[0].Name, top.Name);
  EXPECT_FLOAT_EQ(ws->scenario.Soil[0].SMO, top.SMO);
  ReadSoilEntryText(*ws, Library(kSoilId, 4, Soils()), "s.soi", 3, 1);
  EXPECT_EQ(ws->scenario.Soil[0].Name.str(), "                peat");
  EXPECT_THROW(ReadSoilEntryText(*ws, Library(kSoilId, 4, Soils()), "s.soi", 0, 3), std::invalid_argument);
}

// Reals numbered 1.25, 2.25 ... so that a shifted or skipped field shows.
TEST(LibraryFile, CropAndApplicationEntriesFillEveryFieldInOrder) {
  std::string crop = FmtName("winter wheat") + " 2 40 12 30 33";
  for (int i = 1; i <= 26; ++i) crop += " " + std::to_string(i) + ".25";
  auto ws = MakeWorkspace();
  ASSERT_TRUE(
      AddCropFromLibraryText(*ws, Library(kCropId, 2, {FmtName("other") + " 1", crop + " 6"}), "c", 1));
  ASSERT_EQ(ws->scenario.CropCount, 2);
  const Crop& c = ws->scenario.Crops[2];
  EXPECT_EQ(c.Name.str(), "        winter wheat");
  EXPECT_EQ(std::vector<int>({c.YEAR, c.WEEK1, c.WEEK2, c.WEEK3, c.WEEK4, c.Code}),
            std::vector<int>({2, 40, 12, 30, 33, 6}));
  const float reals[26] = {
      c.PRODi,     c.DMpct,     c.NFIXi,        c.DMdistr[0],  c.DMdistr[1],  c.DMdistr[2], c.Npctdm[0],
      c.Npctdm[1], c.Npctdm[2], c.Applied[0],   c.Applied[1],  c.InitAge[0],  c.InitAge[1], c.InitAge[2],
      c.ETMAX,     c.DMpctResi, c.PlantQUANT,   c.PlantDMpct,  c.PlantNpctdm, c.P2O5pct[0], c.P2O5pct[1],
      c.K2Opct[0], c.K2Opct[1], c.PlantP2O5pct, c.PlantK2Opct, c.RDepth};
  for (int i = 0; i < 26; ++i) EXPECT_FLOAT_EQ(reals[i], i + 1.25f) << "crop real " << i + 1;

  const std::string appl = FmtName("cattle slurry") + "  1   2  12 1.25 2.25 3.25 4.25 5.25 6.25 7.25 8.25";
  ASSERT_TRUE(AddApplicationFromLibraryText(*ws, Library(kApplId, 1, {appl}), "a.app", 0));
  ASSERT_EQ(ws->scenario.ApplCount, 4);
  const Application& a = ws->scenario.Appls[4];
  EXPECT_EQ(a.Name.str(), "       cattle slurry");
  EXPECT_EQ(a.ACT * 10000 + a.YR * 100 + a.WK, 10212);
  const float ar[8] = {a.QUANT, a.DMpct, a.OMpctdm, a.Npctdm, a.IAGE, a.P2O5pct, a.K2Opct, a.Nminpct};
  for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(ar[i], i + 1.25f) << "application real " << i + 1;
}

TEST(LibraryFile, FullRotationOrApplicationListRefusesToAdd) {
  auto ws = MakeWorkspace();
  ws->scenario.CropCount = 40;
  ws->scenario.ApplCount = 100;
  // Refused before the file is even opened.
  EXPECT_FALSE(AddCropFromLibrary(*ws, "/no/such/file.cro", 0));
  EXPECT_FALSE(AddApplicationFromLibrary(*ws, "/no/such/file.app", 0));
  EXPECT_EQ(ws->scenario.CropCount, 40);
  EXPECT_EQ(ws->scenario.ApplCount, 100);
}

TEST(LibraryFile, WrongIdentifierIsRejectedForEveryKind) {
  auto ws = MakeWorkspace();
  const std::string soils = Library(kSoilId, 4, Soils());
  try {
    AddCropFromLibraryText(*ws, soils, "/lib/std.soi", 0);
    FAIL() << "a soil library must not be read as crops";
  } catch (const InvalidFileId& e) {
    EXPECT_EQ(std::string(e.what()), "Loading from /lib/std.soi\rInvalid file ID: Kelmar 459 Soil File");
  }
  EXPECT_EQ(ws->scenario.CropCount, 1);
  EXPECT_THROW(AddApplicationFromLibraryText(*ws, soils, "s", 0), InvalidFileId);
  EXPECT_THROW(LibraryEntryNamesText(soils, "s", LibraryKind::Crop), InvalidFileId);
  EXPECT_THROW(ReadSoilEntryText(*ws, Library("Kelmar 400 Soil File", 4, Soils()), "s", 0, 1), InvalidFileId);
  EXPECT_THROW(LibraryEntryNamesText("", "s", LibraryKind::Soil), InvalidFileId);
}

// A failed read leaves the scenario as it was: no layer with a new name and
// old parameters, no half-filled crop.
TEST(LibraryFile, DamagedEntriesChangeNothing) {
  struct Case {
    const char* what;
    std::string text;
    int index;
  };
  std::vector<std::string> soils = Soils();
  soils[1] = FmtName("loam") + "  0.38 0.025 110.0"; // file ends inside the entry
  soils.resize(2);
  const std::vector<Case> cases = {
      {"entry beyond the count", Library(kSoilId, 3, Soils()), 3},
      {"negative index", Library(kSoilId, 3, Soils()), -1},
      {"entry beyond the file", Library(kSoilId, 9, Soils()), 7},
      {"truncated entry", Library(kSoilId, 2, soils), 1},
      {"text for a number", Library(kSoilId, 1, {FmtName("x") + " 0.4 abc 1 1 1 1 1 1"}), 0},
      {"count missing", kSoilId + "\r\n", 0},
  };
  for (const Case& c : cases) {
    auto ws = MakeWorkspace();
    ws->scenario.Soil[0].SMO = 0.5f;
    const std::string name = ws->scenario.Soil[0].Name.str();
    EXPECT_THROW(ReadSoilEntryText(*ws, c.text, "s.soi", c.index, 1), FileError) << c.what;
    EXPECT_EQ(ws->scenario.Soil[0].Name.str(), name) << c.what;
    EXPECT_FLOAT_EQ(ws->scenario.Soil[0].SMO, 0.5f) << c.what;
  }
  auto ws = MakeWorkspace();
  const std::string shortCrop = FmtName("wheat") + " 1 10 20 30 40 1 2 3";
  EXPECT_THROW(AddCropFromLibraryText(*ws, Library(kCropId, 1, {shortCrop}), "c.cro", 0), FileError);
  EXPECT_EQ(ws->scenario.CropCount, 1);
  EXPECT_EQ(ws->scenario.Crops[2].Name.str(), "");
  EXPECT_THROW(LibraryEntryNames("/no/such/library.soi", LibraryKind::Soil), FileError);
}
