#include <gtest/gtest.h>

#include "Workspace.h"
#include "data/IniFile.h"
#include "session/OptionsIni.h"

using namespace kelmar;

TEST(IniFile, SectionsWithBlanksBooleansAndCaseInsensitiveKeys) {
  IniFile ini = IniFile::FromText(
      "[Kelmar Options]\nKelmOpti=48\r\nprnttype=2\n\n[Parameter Options]\nValue=1\nFit=0\n");
  EXPECT_EQ(ini.readInteger("Kelmar Options", "KelmOpti", 0), 48);
  EXPECT_EQ(ini.readInteger("kelmar options", "PrntType", 0), 2);
  EXPECT_TRUE(ini.readBool("Parameter Options", "Value", false));
  EXPECT_FALSE(ini.readBool("Parameter Options", "Fit", true));
  EXPECT_TRUE(ini.readBool("Parameter Options", "BPRL", true));
  ini.writeBool("Parameter Options", "BPRU", false);
  ini.writeString("Window Position", "TMainForm", "200,153,640,481,0");
  EXPECT_EQ(ini.text(),
            "[Kelmar Options]\r\nKelmOpti=48\r\nprnttype=2\r\n\r\n[Parameter Options]\r\nValue=1\r\n"
            "Fit=0\r\nBPRU=0\r\n\r\n[Window Position]\r\nTMainForm=200,153,640,481,0\r\n");
  ini.eraseSection("parameter options");
  EXPECT_TRUE(ini.sectionKeys("Parameter Options").empty());
}

TEST(OptionsIni, DefaultsChecksAndRoundTrip) {
  auto ws = MakeWorkspace();
  ws->state.DataDir = "/data/";
  IniFile empty;
  EXPECT_EQ(ReadOptions(empty, *ws), "/data/NEW.DAT");
  EXPECT_EQ(ws->options.CorrRng1, 10);
  EXPECT_EQ(ws->options.CorrRng2, 20);

  IniFile odd = IniFile::FromText("[Kelmar Options]\nGraphPrintScale=49\nSoilFile=/no/such/file.SOI\n");
  ReadOptions(odd, *ws);
  EXPECT_EQ(ws->options.GraphPrintScale, 100) << "a scale outside 50..200 becomes 100";
  EXPECT_EQ(ws->state.SoilFile, ws->state.ExeDir + "STARIN.SOI") << "a missing library file is ignored";

  ws->options.KelmOpti = 0x8130;
  ws->options.KelmOpt2 = 2;
  ws->options.CorrRng1 = 7.6f;
  ws->options.GraphPrintScale = 200;
  IniFile out;
  SaveOptions(out, *ws, "/data/x.DAT");
  EXPECT_EQ(out.sectionKeys("Kelmar Options").front(), "Version");
  auto back = MakeWorkspace();
  EXPECT_EQ(ReadOptions(IniFile::FromText(out.text()), *back), "/data/x.DAT");
  EXPECT_EQ(back->options.KelmOpti, 0x8130u);
  EXPECT_EQ(back->options.KelmOpt2, 2u);
  EXPECT_EQ(back->options.CorrRng1, 8) << "ranges are stored rounded to whole kg";
  EXPECT_EQ(back->options.GraphPrintScale, 200);
}
