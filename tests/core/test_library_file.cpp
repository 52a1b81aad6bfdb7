#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/LibraryFile.h"
#include "data/TextFormat.h"

using namespace kelmar;

namespace {

std::string Library(std::string_view id, int count, const std::vector<std::string>& entries) {
  std::string t =
      std::string(id) + "  standard library\r\n" + std::to_string(count) + "  column header text\r\n";
  for (const std::string& e : entries) t += e + "\r\n";
  return t;
}

const std::string kSoilId = "Kelmar 459 Soil File", kCropId = "Kelmar 459 Crop File";

const std::vector<std::string> kSoils = {FmtName("clay") + "  0.41 0.021 120.0  30.0  0.80  0.90  20.0  0.30",
                                         FmtName("loam") + "  0.38 0.025 110.0  25.0  0.60  0.70  30.0  0.20",
                                         FmtName("sand") + "  0.36 0.029  99.2  22.4  1.00  1.00  35.0  0.00",
                                         FmtName("peat") + "  0.70 0.010 200.0  50.0  0.50  0.50  10.0  0.10",
                                         FmtName("fifth, not counted") + "  1 1 1 1 1 1 1 1"};

} // namespace

// As many names as line 2 announces and the file holds, each the 20-character
// field as it stands, leading blanks included.
TEST(LibraryFile, NamesFollowTheCountNotTheLines) {
  for (int count : {3, 9, -2}) {
    std::vector<std::string> want;
    for (int i = 0; i < std::clamp(count, 0, 5); ++i) want.push_back(kSoils[i].substr(0, 20));
    EXPECT_EQ(LibraryEntryNamesText(Library(kSoilId, count, kSoils), "s.soi", LibraryKind::Soil), want)
        << count;
  }
}

// The first name is the third line of the file; a SubSoil keeps what the
// library does not hold (THL, IFi, NMIN), and the TopSoil is untouched.
TEST(LibraryFile, SoilEntryGoesIntoTheChosenLayer) {
  auto ws = MakeWorkspace();
  SoilLayer &top = ws->scenario.Soil[0], &sub = ws->scenario.Soil[1];
  std::tie(sub.THL, sub.IFi, sub.NMIN) = std::tuple(60, 250, 12.5f);
  const SoilLayer before = top;
  ReadSoilEntryText(*ws, Library(kSoilId, 3, kSoils), "s.soi", 0, 2);
  EXPECT_EQ(
      std::tuple(sub.Name.str(), sub.SMO, sub.GAM, sub.CRc, sub.CRx, sub.Text, sub.NLF, sub.FI, sub.BPF),
      std::tuple("                clay", 0.41f, 0.021f, 120, 30, 0.8f, 0.9f, 20, 0.3f));
  EXPECT_EQ(std::tuple(sub.THL, sub.IFi, sub.NMIN, top.Name.str(), top.SMO),
            std::tuple(60, 250, 12.5f, before.Name.str(), before.SMO));
  ReadSoilEntryText(*ws, Library(kSoilId, 4, kSoils), "s.soi", 3, 1);
  EXPECT_EQ(top.Name.str(), "                peat");
  EXPECT_THROW(ReadSoilEntryText(*ws, Library(kSoilId, 4, kSoils), "s.soi", 0, 3), std::invalid_argument);
}

// Reals numbered 1.25, 2.25 ... so that a shifted or skipped field shows.
TEST(LibraryFile, CropAndApplicationEntriesFillEveryFieldInOrder) {
  std::string crop = FmtName("winter wheat") + " 2 40 12 30 33";
  for (int i = 1; i <= 26; ++i) crop.append(" ").append(std::to_string(i)).append(".25");
  auto ws = MakeWorkspace();
  ASSERT_TRUE(
      AddCropFromLibraryText(*ws, Library(kCropId, 2, {FmtName("other") + " 1", crop + " 6"}), "c", 1));
  ASSERT_EQ(ws->scenario.CropCount, 2);
  const Crop& c = ws->scenario.Crops[2];
  EXPECT_EQ(std::tuple(c.Name.str(), c.YEAR, c.WEEK1, c.WEEK2, c.WEEK3, c.WEEK4, c.Code),
            std::tuple("        winter wheat", 2, 40, 12, 30, 33, 6));
  const float reals[26] = {
      c.PRODi,     c.DMpct,     c.NFIXi,        c.DMdistr[0],  c.DMdistr[1],  c.DMdistr[2], c.Npctdm[0],
      c.Npctdm[1], c.Npctdm[2], c.Applied[0],   c.Applied[1],  c.InitAge[0],  c.InitAge[1], c.InitAge[2],
      c.ETMAX,     c.DMpctResi, c.PlantQUANT,   c.PlantDMpct,  c.PlantNpctdm, c.P2O5pct[0], c.P2O5pct[1],
      c.K2Opct[0], c.K2Opct[1], c.PlantP2O5pct, c.PlantK2Opct, c.RDepth};
  for (int i = 0; i < 26; ++i) EXPECT_FLOAT_EQ(reals[i], i + 1.25f) << "crop real " << i + 1;

  const std::string appl = FmtName("cattle slurry") + "  1   2  12 1.25 2.25 3.25 4.25 5.25 6.25 7.25 8.25";
  ASSERT_TRUE(AddApplicationFromLibraryText(*ws, Library("Kelmar 459 Appl File", 1, {appl}), "a.app", 0));
  ASSERT_EQ(ws->scenario.ApplCount, 4);
  const Application& a = ws->scenario.Appls[4];
  EXPECT_EQ(std::tuple(a.Name.str(), a.ACT, a.YR, a.WK), std::tuple("       cattle slurry", 1, 2, 12));
  const float ar[8] = {a.QUANT, a.DMpct, a.OMpctdm, a.Npctdm, a.IAGE, a.P2O5pct, a.K2Opct, a.Nminpct};
  for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(ar[i], i + 1.25f) << "application real " << i + 1;
}

// Refused before the file is even opened.
TEST(LibraryFile, FullRotationOrApplicationListRefusesToAdd) {
  auto ws = MakeWorkspace();
  std::tie(ws->scenario.CropCount, ws->scenario.ApplCount) = std::pair(40, 100);
  EXPECT_FALSE(AddCropFromLibrary(*ws, "/no/such/file.cro", 0));
  EXPECT_FALSE(AddApplicationFromLibrary(*ws, "/no/such/file.app", 0));
  EXPECT_EQ(std::pair(ws->scenario.CropCount, ws->scenario.ApplCount), std::pair(40, 100));
}

TEST(LibraryFile, WrongIdentifierIsRejectedForEveryKind) {
  auto ws = MakeWorkspace();
  const std::string soils = Library(kSoilId, 4, kSoils);
  try {
    AddCropFromLibraryText(*ws, soils, "/lib/std.soi", 0);
    FAIL() << "a soil library must not be read as crops";
  } catch (const InvalidFileId& e) {
    EXPECT_EQ(std::string(e.what()), "Loading from /lib/std.soi\rInvalid file ID: Kelmar 459 Soil File");
  }
  EXPECT_EQ(ws->scenario.CropCount, 1);
  EXPECT_THROW(AddApplicationFromLibraryText(*ws, soils, "s", 0), InvalidFileId);
  EXPECT_THROW(LibraryEntryNamesText(soils, "s", LibraryKind::Crop), InvalidFileId);
  EXPECT_THROW(ReadSoilEntryText(*ws, Library("Kelmar 400 Soil File", 4, kSoils), "s", 0, 1), InvalidFileId);
  EXPECT_THROW(LibraryEntryNamesText("", "s", LibraryKind::Soil), InvalidFileId);
}

// A failed read leaves the scenario as it was: no layer with a new name and
// old parameters, no half-filled crop.
TEST(LibraryFile, DamagedEntriesChangeNothing) {
  const std::string truncated = FmtName("loam") + "  0.38 0.025 110.0"; // the file ends inside the entry
  const std::tuple<const char*, std::string, int> cases[] = {
      {"entry beyond the count", Library(kSoilId, 3, kSoils), 3},
      {"negative index", Library(kSoilId, 3, kSoils), -1},
      {"entry beyond the file", Library(kSoilId, 9, kSoils), 7},
      {"truncated entry", Library(kSoilId, 2, {kSoils[0], truncated}), 1},
      {"text for a number", Library(kSoilId, 1, {FmtName("x") + " 0.4 abc 1 1 1 1 1 1"}), 0},
      {"count missing", kSoilId + "\r\n", 0},
  };
  for (const auto& [what, text, index] : cases) {
    auto ws = MakeWorkspace();
    ws->scenario.Soil[0].SMO = 0.5f;
    const std::string name = ws->scenario.Soil[0].Name.str();
    EXPECT_THROW(ReadSoilEntryText(*ws, text, "s.soi", index, 1), FileError) << what;
    EXPECT_EQ(std::tuple(ws->scenario.Soil[0].Name.str(), ws->scenario.Soil[0].SMO), std::tuple(name, 0.5f))
        << what;
  }
  auto ws = MakeWorkspace();
  const std::string shortCrop = FmtName("wheat") + " 1 10 20 30 40 1 2 3";
  EXPECT_THROW(AddCropFromLibraryText(*ws, Library(kCropId, 1, {shortCrop}), "c.cro", 0), FileError);
  EXPECT_EQ(std::pair(ws->scenario.CropCount, ws->scenario.Crops[2].Name.str()), std::pair(1, std::string()));
  EXPECT_THROW(LibraryEntryNames("/no/such/library.soi", LibraryKind::Soil), FileError);
}
