// The contract of `kelmar weather import`: exit codes, what it tells, and the
// file it writes, checked by running the program.
#include <gtest/gtest.h>

#include "CliSupport.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Result = kelmar::test::CliResult;
using kelmar::test::Slurp;

const std::string kBrussels = KELMAR_WEATHER "/brussels/daily/brussels_climate.txt";

class CliWeather : public kelmar::test::CliFixture {
protected:
  Result Kelmar(const std::string& args) { return kelmar::test::RunKelmar(dir, "weather import " + args); }
};

// Everything after the title line, which also names the ET0 method.
std::string AfterTitle(const std::string& text) { return text.substr(text.find('\n') + 1); }

} // namespace

TEST_F(CliWeather, WritesTheWeeklyFileAndSaysWhatItUsed) {
  Write("BRUS1996.ENV", "an older file that is replaced");
  Result r = Kelmar("'" + kBrussels + "' -o BRUS1996.ENV --from 1996 --years 10 --name Brussels");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Read 10958 days, 1 Jan 1976 to 31 Dec 2005, format csv"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("ET0 from the file"), std::string::npos) << r.out;
  const std::string made = Slurp(dir / "BRUS1996.ENV");
  const std::string shipped = Slurp(KELMAR_WEATHER "/brussels/BRUS1996.ENV");
  EXPECT_EQ(AfterTitle(made), AfterTitle(shipped));
  EXPECT_EQ(made.substr(0, made.find('\r')),
            "Kelmar 400 Envi File    Brussels 1996-2005      ET0 from the file");
}

TEST_F(CliWeather, JoinsYearlyFilesAndReportsTheFilledGap) {
  std::string files;
  for (const char* y : {"996", "997", "998", "999", "000", "001", "002", "003", "004", "005"})
    files += std::string(" '" KELMAR_WEATHER "/wageningen/daily/NL1.") + y + "'";
  Result r = Kelmar(files + " -o W.ENV --et0 makkink");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("radiation missing 31 Aug 2002, filled by interpolation"), std::string::npos) << r.out;
  EXPECT_EQ(AfterTitle(AfterTitle(Slurp(dir / "W.ENV"))),
            AfterTitle(AfterTitle(Slurp(KELMAR_WEATHER "/wageningen/WAGE1996.ENV"))));
  // Without --et0 the best method the data allow is used.
  r = Kelmar(files + " -o P.ENV --years 1");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("ET0 FAO-56 Penman-Monteith (latitude 51.97, elevation 7 m)"), std::string::npos)
      << r.out;
}

TEST_F(CliWeather, ExitCodes) {
  // Days 10..14 of 2002 are missing: 2002 cannot be used, 2001 and 2003 can.
  std::string csv = "year,doy,tmin,tmax,rain\n";
  for (int y = 2001; y <= 2003; ++y)
    for (int d = 1; d <= 365; ++d)
      if (y != 2002 || d < 10 || d > 14) csv += std::to_string(y) + "," + std::to_string(d) + ",5,15,1\n";
  Write("gap.csv", csv);
  Write("bad.csv", "date,tmin,tmax,rain\n2001-01-01,1,2,x\n");
  fs::create_directories(dir / "locked");
  struct Case {
    std::string args;
    int code;
    std::string message; // part of the standard error
  };
  const Case cases[] = {
      {"gap.csv", 2, "--output is required"},
      {"gap.csv -o G.ENV --et0 sunshine", 2, "--et0"},
      {"gap.csv -o G.ENV --years 11", 2, "--years"},
      {"gap.csv -o G.ENV", 2, "No ET0 method fits the data"},
      {"gap.csv -o G.ENV --et0 makkink", 2, "ET0 Makkink cannot be used: the data hold no radiation"},
      {"gap.csv -o G.ENV --latitude 50 --from 1990", 2, "The daily data cover 2001-2003; 1990 lies outside"},
      {"gap.csv -o G.ENV --latitude 50 --from 2001 --years 2", 4, "10 Jan 2002 to 14 Jan 2002 (5 days)"},
      {"bad.csv -o G.ENV", 4, "bad.csv, line 2: a number was expected for rain, found 'x'"},
      {"gap.csv -o nodir/G.ENV --latitude 50", 4, "nodir/G.ENV"},
  };
  for (const Case& c : cases) {
    Result r = Kelmar(c.args);
    EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_FALSE(fs::exists(dir / "G.ENV")) << c.args;
  }
  // The usable years on either side of the gap.
  Result r = Kelmar("gap.csv -o G.ENV --latitude 50");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Gaps that make their years unusable:"), std::string::npos);
  r = Kelmar("gap.csv -o H.ENV --latitude 50 --from 2003 --name Test");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Wrote H.ENV: Test 2003, 52 weeks"), std::string::npos) << r.out;
}

TEST_F(CliWeather, StrictRefusesImplausibleValues) {
  std::string csv = "year,doy,tmin,tmax,rain,et0\n";
  for (int d = 1; d <= 365; ++d)
    csv += "2001," + std::to_string(d) + (d == 40 ? ",9,8,1,1\n" : ",5,15,1,1\n");
  Write("d.csv", csv);
  Result r = Kelmar("d.csv -o D.ENV");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("9 Feb 2001: Tmin 9.0 above Tmax 8.0"), std::string::npos) << r.out;
  fs::remove(dir / "D.ENV");
  r = Kelmar("d.csv -o D.ENV --strict");
  EXPECT_EQ(r.code, 4);
  EXPECT_NE(r.err.find("9 Feb 2001: Tmin 9.0 above Tmax 8.0"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "D.ENV"));
}
