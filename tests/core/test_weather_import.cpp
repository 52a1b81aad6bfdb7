// Daily weather to weekly environment: the shipped weekly files are rebuilt
// from their daily sources byte for byte, the four formats agree on the same
// days, and gaps, doubtful values and ET0 behave as users rely on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "data/DailyWeather.h"
#include "data/Errors.h"
#include "data/TextReader.h"
#include "data/WeeklyFromDaily.h"

using namespace kelmar;
namespace fs = std::filesystem;

namespace {

const std::string kWeather = KELMAR_WEATHER;

DailyWeather Brussels() {
  static const DailyWeather w = ReadDailyWeather(kWeather + "/brussels/daily/brussels_climate.txt");
  return w;
}

DailyWeather Wageningen() {
  DailyWeather w;
  for (const char* y : {"996", "997", "998", "999", "000", "001", "002", "003", "004", "005"})
    AppendDailyWeather(w, ReadDailyWeather(kWeather + "/wageningen/daily/NL1." + y));
  return w;
}

std::string Weekly(const DailyWeather& w, Et0Method m, WeeklyRequest req, const std::string& name,
                   const SiteOverrides& site = {}) {
  const WeatherAnalysis a = AnalyseWeather(w, m, site);
  return WeeklyEnvironmentText(MakeWeekly(w, a, req), name, false);
}

WeeklyRequest Years(int from, int years, std::string site = {}) {
  WeeklyRequest r;
  r.from = from;
  r.years = years;
  r.site = std::move(site);
  return r;
}

std::string Fmt(const char* f, double v) {
  char b[64];
  std::snprintf(b, sizeof b, f, v);
  return b;
}

} // namespace

TEST(WeatherImport, RebuildsEveryBrusselsFileFromTheDailyFile) {
  const DailyWeather w = Brussels();
  EXPECT_EQ(BestEt0Method(w), Et0Method::File);
  std::vector<std::pair<fs::path, int>> files{{kWeather + "/brussels/BRUS1996.ENV", 10}};
  for (const auto& e : fs::directory_iterator(kWeather + "/brussels/montecarlo"))
    files.push_back({e.path(), 6});
  ASSERT_EQ(files.size(), 26u);
  for (const auto& [path, years] : files) {
    const int from = std::stoi(path.stem().string().substr(4));
    const std::string made =
        Weekly(w, Et0Method::File, Years(from, years, "Brussels"), path.filename().string());
    EXPECT_EQ(made, ReadFileText(path.string())) << path;
  }
}

TEST(WeatherImport, RebuildsWageningenWithMakkinkAndTheOneRadiationGapFilled) {
  const DailyWeather w = Wageningen();
  EXPECT_EQ(w.site, "Wageningen");
  ASSERT_TRUE(w.latitude);
  EXPECT_DOUBLE_EQ(*w.latitude, 51.97);
  const WeatherAnalysis a = AnalyseWeather(w, Et0Method::Makkink);
  ASSERT_EQ(a.gaps.size(), 1u);
  EXPECT_TRUE(a.gaps[0].filled);
  EXPECT_EQ(a.gaps[0].text(), "radiation missing 31 Aug 2002, filled by interpolation");
  EXPECT_TRUE(a.unusableYears.empty());
  const WeeklyWeather weekly = MakeWeekly(w, a, {});
  EXPECT_EQ(weekly.firstYear, 1996);
  EXPECT_EQ(weekly.years, 10);
  EXPECT_EQ(WeeklyEnvironmentText(weekly, "WAGE1996.ENV", false),
            ReadFileText(kWeather + "/wageningen/WAGE1996.ENV"));
  // The title line names the method after the series name.
  const std::string noted = WeeklyEnvironmentText(weekly, "WAGE1996.ENV");
  EXPECT_EQ(noted.substr(0, noted.find('\r')), "Kelmar 400 Envi File    Wageningen 1996-2005    ET0 Makkink");
}

// The same days written as CSV, APSIM .met and DSSAT .WTH, each in its own
// units, give the weekly file the CABO file gives.
TEST(WeatherImport, FourFormatsOfTheSameDaysAgree) {
  const DailyWeather cabo = ReadDailyWeather(kWeather + "/wageningen/daily/NL1.997");
  std::string csv = "Date;Tmin(C);Tmax(C);Prcp(mm);Rad(kJ/m2);VP(hPa);Wind(km/h)\n";
  std::string met = "[weather.met.weather]\nlatitude = 51.97 (DECIMAL DEGREES)\nelevation = 7\ntav = 10\n"
                    "year day radn maxt mint rain vp wind\n"
                    "() () (MJ/m^2) (oC) (oC) (mm) (hPa) (m/s)\n";
  std::string wth =
      "*WEATHER DATA : Wageningen\n\n@ INSI      LAT     LONG  ELEV   TAV   AMP\n"
      "  WAGE   51.970    5.670     7  10.0  14.0\n\n@DATE  SRAD  TMAX  TMIN  RAIN  WIND  VAPR\n";
  for (const DailyRow& r : cabo.rows) {
    const double rad = r[DailyVar::Radiation], vp = r[DailyVar::VapourPressure], u = r[DailyVar::Wind];
    const std::string tn = Fmt("%.1f", r[DailyVar::Tmin]), tx = Fmt("%.1f", r[DailyVar::Tmax]),
                      rain = Fmt("%.1f", r[DailyVar::Rain]);
    // Day, month and year of the date for the CSV.
    int m = 1, d = r.day;
    for (int len : {31, 28 + (IsLeapYear(r.year) ? 1 : 0), 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}) {
      if (d <= len) break;
      d -= len;
      ++m;
    }
    csv += Fmt("%02.0f/", d) + Fmt("%02.0f/", m) + std::to_string(r.year) + ";" + tn + ";" + tx + ";" + rain +
           ";" + Fmt("%.17g", rad * 1000) + ";" + Fmt("%.17g", vp * 10) + ";" + Fmt("%.17g", u * 3.6) + "\n";
    met += std::to_string(r.year) + " " + std::to_string(r.day) + " " + Fmt("%.17g", rad) + " " + tx + " " +
           tn + " " + rain + " " + Fmt("%.17g", vp * 10) + " " + Fmt("%.17g", u) + "\n";
    wth += std::to_string(r.year * 1000 + r.day) + " " + Fmt("%.17g", rad) + " " + tx + " " + tn + " " +
           rain + " " + Fmt("%.17g", u * 86.4) + " " + Fmt("%.17g", vp) + "\n";
  }
  const SiteOverrides site{51.97, 7.0};
  for (Et0Method m : {Et0Method::PenmanMonteith, Et0Method::Makkink}) {
    const std::string expected = Weekly(cabo, m, Years(1997, 1, "Wageningen"), "W.ENV");
    const std::string fromCsv =
        Weekly(ReadDailyWeatherText(csv, "w.csv"), m, Years(1997, 1, "Wageningen"), "W.ENV", site);
    const DailyWeather fromMet = ReadDailyWeatherText(met, "w.met");
    const DailyWeather fromWth = ReadDailyWeatherText(wth, "W.WTH");
    EXPECT_EQ(fromMet.format, WeatherFormat::Met);
    EXPECT_EQ(fromWth.format, WeatherFormat::Wth);
    EXPECT_EQ(fromWth.site, "Wageningen");
    EXPECT_EQ(fromCsv, expected) << Et0MethodKey(m);
    EXPECT_EQ(Weekly(fromMet, m, Years(1997, 1, "Wageningen"), "W.ENV"), expected) << Et0MethodKey(m);
    EXPECT_EQ(Weekly(fromWth, m, Years(1997, 1, "Wageningen"), "W.ENV"), expected) << Et0MethodKey(m);
  }
  EXPECT_EQ(BestEt0Method(cabo), Et0Method::PenmanMonteith);
}

TEST(WeatherImport, CsvHeadersDatesAndDelimitersAreReadLiberally) {
  struct Case {
    const char* text;
    int year, day;
    double tmin, tmax, rain;
  };
  const Case cases[] = {
      {"Day\tMonth\tYear\tTmin(C)\tTmax(C)\tPrcp(mm)\tEt0(mm)\n3\t2\t2001\t-1.5\t4\t0.2\t0.3\n", 2001, 34,
       -1.5, 4, 0.2},
      {"date,tmin_c,tmax_c,rain_mm\n2000-03-01,1,2,3\n", 2000, 61, 1, 2, 3},
      {"# comment\nDATE;MinT;MaxT;Precipitation\n01.03.1999;1;2;3\n", 1999, 60, 1, 2, 3},
      {"year doy tn tx rr\n2004 366 1 2 3\n", 2004, 366, 1, 2, 3},
      {"\"Date\",\"TMIN\",\"TMAX\",\"PRCP\"\n\"20100105\",1,2,3\r\n", 2010, 5, 1, 2, 3},
      {"YEAR,MONTH,DAY,T_MIN,T_MAX,RAIN\r\n1990,12,31,1,2,\r\n", 1990, 365, 1, 2, NAN},
  };
  for (const Case& c : cases) {
    const DailyWeather w = ReadDailyWeatherText(c.text, "x.txt");
    ASSERT_EQ(w.rows.size(), 1u) << c.text;
    EXPECT_EQ(w.format, WeatherFormat::Csv) << c.text;
    EXPECT_EQ(w.rows[0].year, c.year) << c.text;
    EXPECT_EQ(w.rows[0].day, c.day) << c.text;
    EXPECT_DOUBLE_EQ(w.rows[0][DailyVar::Tmin], c.tmin) << c.text;
    EXPECT_DOUBLE_EQ(w.rows[0][DailyVar::Tmax], c.tmax) << c.text;
    if (std::isnan(c.rain))
      EXPECT_TRUE(std::isnan(w.rows[0][DailyVar::Rain])) << c.text;
    else
      EXPECT_DOUBLE_EQ(w.rows[0][DailyVar::Rain], c.rain) << c.text;
  }
  const DailyWeather b = ReadDailyWeatherText(cases[0].text, "b.txt");
  EXPECT_TRUE(b.holds(DailyVar::Et0));
  EXPECT_FALSE(b.holds(DailyVar::Radiation));
  EXPECT_EQ(b.columns,
            (std::vector<std::string>{"Day", "Month", "Year", "Tmin(C)", "Tmax(C)", "Prcp(mm)", "Et0(mm)"}));
}

TEST(WeatherImport, ReadErrorsNameFileLineAndField) {
  struct Case {
    const char* text;
    WeatherFormat format;
    const char* message;
  };
  const Case cases[] = {
      {"date,tmin,tmax,rain\n2001-01-01,1,x,0\n", WeatherFormat::Csv,
       "f, line 2: a number was expected for tmax, found 'x'"},
      {"date,tmin,tmax\n2001-01-01,1,2\n", WeatherFormat::Csv,
       "f, line 1: the header names no column for the rain"},
      {"tmin,tmax,rain\n1,2,3\n", WeatherFormat::Csv,
       "f, line 1: the header names no date: a date column, year and day of the year, or day, month and year "
       "were expected"},
      {"date,tmin,tmax,rain\n2001-02-30,1,2,0\n", WeatherFormat::Csv,
       "f, line 2: a date was expected for date, found '2001-02-30'"},
      {"year,day,tmin,tmax,rain\n2001,366,1,2,0\n", WeatherFormat::Csv,
       "f, line 2: the day 366 does not exist in 2001"},
      {"date,tmin,tmax,rain\n2001-01-01,1,2\n", WeatherFormat::Csv,
       "f, line 2: 4 fields were expected, found 3"},
      {"date,tmin,tmax,rain\n2001-01-02,1,2,0\n2001-01-01,1,2,0\n2001-01-02,1,2,0\n", WeatherFormat::Csv,
       "f, line 4: 2 Jan 2001 occurs twice (also line 2)"},
      {"* c\n 5.67 51.97 7. -0.18 -0.55\n 1 2002 1 2246. -1.6 0.4 0.55 3.5\n", WeatherFormat::Cabo,
       "f, line 3: 9 fields were expected, found 8"},
      {"* c\n 5.67 51.97 7. -0.18 -0.55\n 1 2002 1 2246. -1.6 0.4 abc 3.5 0\n", WeatherFormat::Cabo,
       "f, line 3: a number was expected for vapour pressure, found 'abc'"},
      {"*WEATHER DATA : X\n@DATE SRAD TMAX TMIN RAIN\n01366 1 2 3 4\n", WeatherFormat::Wth,
       "f, line 3: the day 366 does not exist in 2001"},
      {"*WEATHER DATA : X\n01001 1 2 3 4\n", WeatherFormat::Wth,
       "f, line 2: a row came before the @DATE header"},
  };
  for (const Case& c : cases) {
    try {
      ReadDailyWeatherText(c.text, "f", c.format);
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const FileError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(WeatherImport, DetectsTheFormatFromNameAndContent) {
  struct Case {
    const char* text;
    const char* name;
    WeatherFormat format;
  };
  const Case cases[] = {
      {"anything", "a.WTH", WeatherFormat::Wth},
      {"*WEATHER DATA : x\n", "a.txt", WeatherFormat::Wth},
      {"anything", "A.MET", WeatherFormat::Met},
      {"[weather.met.weather]\n", "a", WeatherFormat::Met},
      {"!comment\nlatitude = 3\n", "a", WeatherFormat::Met},
      {"** header\n*\n  5.67  51.97     7.  -0.18 -0.55\n   1 2002   1\n", "NL1.002", WeatherFormat::Cabo},
      {"Day\tMonth\tYear\tTmin(C)\n", "x.txt", WeatherFormat::Csv},
      {"", "x.csv", WeatherFormat::Csv},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DetectWeatherFormat(c.text, c.name), c.format) << c.name << ": " << c.text;
}

namespace {

// Days of constant weather from 1 Jan of `first` to 31 Dec of `last`, with
// the days listed in `skip` left out (as year * 1000 + day of the year).
std::string Csv(int first, int last, std::vector<int> skip = {}, double tmin = 10, double tmax = 20,
                double rain = 1) {
  std::string s = "year,doy,tmin,tmax,rain,et0\n";
  for (int y = first; y <= last; ++y)
    for (int d = 1; d <= DaysInYear(y); ++d) {
      if (std::find(skip.begin(), skip.end(), y * 1000 + d) != skip.end()) continue;
      s += std::to_string(y) + "," + std::to_string(d) + "," + Fmt("%g", tmin) + "," + Fmt("%g", tmax) + "," +
           Fmt("%g", rain) + "," + Fmt("%g", d / 10.0) + "\n";
    }
  return s;
}

} // namespace

TEST(WeatherImport, WeeksHoldSevenDaysAndWeek52TheRest) {
  const DailyWeather w = ReadDailyWeatherText(Csv(2003, 2004), "c.csv");
  const WeatherAnalysis a = AnalyseWeather(w, Et0Method::File);
  const WeeklyWeather weekly = MakeWeekly(w, a, {});
  EXPECT_EQ(weekly.name, "Weather 2003-2004");
  ASSERT_EQ(weekly.weeks.size(), 104u);
  EXPECT_FLOAT_EQ(weekly.weeks[0].Tc, 15);
  EXPECT_FLOAT_EQ(weekly.weeks[0].Rain, 7);
  EXPECT_FLOAT_EQ(weekly.weeks[0].ET0, 2.8f);     // days 1..7 of 0.1 each day number
  EXPECT_FLOAT_EQ(weekly.weeks[51].Rain, 8);      // 2003: days 358..365
  EXPECT_FLOAT_EQ(weekly.weeks[103].Rain, 9);     // 2004: days 358..366
  EXPECT_FLOAT_EQ(weekly.weeks[103].ET0, 325.8f); // 35.8 + ... + 36.6
}

TEST(WeatherImport, ShortGapsAreFilledLongOnesSetTheirYearsAside) {
  // 2001: three missing days (filled); 2002: four (unusable); 2003 complete.
  const DailyWeather w = ReadDailyWeatherText(
      Csv(2001, 2003, {2001010, 2001011, 2001012, 2002100, 2002101, 2002102, 2002103}), "g.csv");
  const WeatherAnalysis a = AnalyseWeather(w, Et0Method::File);
  ASSERT_EQ(a.gaps.size(), 2u);
  EXPECT_EQ(a.gaps[0].text(), "minimum temperature, maximum temperature, rain and ET0 missing 10 Jan 2001 to "
                              "12 Jan 2001 (3 days), filled by interpolation");
  EXPECT_FALSE(a.gaps[1].filled);
  EXPECT_EQ(a.unusableYears, std::vector<int>{2002});
  // The filled days take the line between their neighbours: ET0 of day d is d/10.
  const WeeklyWeather first = MakeWeekly(w, a, Years(2001, 1));
  EXPECT_FLOAT_EQ(first.weeks[1].ET0, 7.7f); // days 8..14
  EXPECT_FLOAT_EQ(first.weeks[1].Rain, 7);
  // A request that includes 2002 is refused with the gap's dates.
  try {
    MakeWeekly(w, a, Years(2001, 2));
    ADD_FAILURE();
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("The year 2002 cannot be used"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("10 Apr 2002 to 13 Apr 2002 (4 days)"), std::string::npos);
  }
  // Without a count the years stop before the unusable one; from 2003 on all is well.
  EXPECT_EQ(MakeWeekly(w, a, {}).years, 1);
  WeeklyRequest from2003;
  from2003.from = 2003;
  EXPECT_EQ(MakeWeekly(w, a, from2003).years, 1);
  EXPECT_THROW(MakeWeekly(w, a, Years(2002, 1)), FileError);
}

TEST(WeatherImport, GapsAtTheEdgeOfTheRecordAreNotFilled) {
  // The record starts on 2 Jan 2001 and ends on 30 Dec 2003: a single day at
  // either edge cannot be interpolated.
  std::string text = Csv(2001, 2003, {2001001, 2003364});
  const DailyWeather w = ReadDailyWeatherText(text, "e.csv");
  const WeatherAnalysis a = AnalyseWeather(w, Et0Method::File);
  EXPECT_EQ(a.unusableYears, std::vector<int>{2001});
  // (2003 has a filled inner day; remove the last day for a real edge gap.)
  const DailyWeather cut = ReadDailyWeatherText(text.substr(0, text.rfind("2003,365")), "e.csv");
  EXPECT_EQ(AnalyseWeather(cut, Et0Method::File).unusableYears, (std::vector<int>{2001, 2003}));
  // A gap over New Year is filled from both sides, also when only the second
  // year is asked for.
  const DailyWeather ny = ReadDailyWeatherText(Csv(2001, 2002, {2001365, 2002001}), "n.csv");
  const WeatherAnalysis an = AnalyseWeather(ny, Et0Method::File);
  EXPECT_TRUE(an.unusableYears.empty());
  const WeeklyWeather second = MakeWeekly(ny, an, Years(2002, 1));
  EXPECT_FLOAT_EQ(second.weeks[0].Rain, 7);
  // 31 Dec and 1 Jan lie on the line from 36.4 (30 Dec) to 0.2 (2 Jan).
  EXPECT_FLOAT_EQ(second.weeks[0].ET0, 15.0f); // 12.27 + 0.2 + ... + 0.7
}

TEST(WeatherImport, ImplausibleValuesAreReportedAndStrictRefusesThem) {
  std::string text = Csv(2001, 2001);
  text.replace(text.find("2001,5,10,20,1"), 14, "2001,5,21,20,1");
  text.replace(text.find("2001,9,10,20,1"), 14, "2001,9,10,20,-2");
  const DailyWeather w = ReadDailyWeatherText(text, "d.csv");
  const WeatherAnalysis a = AnalyseWeather(w, Et0Method::File);
  ASSERT_EQ(a.doubts.size(), 2u);
  EXPECT_EQ(a.doubts[0].text(), "5 Jan 2001: Tmin 21.0 above Tmax 20.0");
  EXPECT_EQ(a.doubts[1].text(), "9 Jan 2001: negative rain -2.0");
  EXPECT_NO_THROW(MakeWeekly(w, a, {}));
  WeeklyRequest strict;
  strict.strict = true;
  EXPECT_THROW(MakeWeekly(w, a, strict), FileError);
}

TEST(WeatherImport, Et0MethodsFollowFao56) {
  // FAO-56 example 18: Brussels, 6 July, 100 m: ET0 3.9 mm/d.
  DailyRow d;
  d.year = 2001;
  d.day = 187;
  d[DailyVar::Tmin] = 12.3;
  d[DailyVar::Tmax] = 21.5;
  d[DailyVar::Radiation] = 22.07;
  d[DailyVar::VapourPressure] = 1.409;
  d[DailyVar::Wind] = 2.078;
  EXPECT_NEAR(DailyEt0(d, Et0Method::PenmanMonteith, 50.8, 100), 3.9, 0.05);
  // FAO-56 example 8: 20 S on 3 September, Ra 32.2; clear sky 0.75 of it at sea level.
  EXPECT_NEAR(ClearSkyRadiation(2001, 246, -20, 0), 0.75 * 32.2, 0.1);
  // Makkink at 20 °C: Δ = 0.1447 kPa/°C.
  d[DailyVar::Tmin] = 15;
  d[DailyVar::Tmax] = 25;
  d[DailyVar::Radiation] = 20;
  EXPECT_NEAR(DailyEt0(d, Et0Method::Makkink, 0, 0), 0.65 * 0.1447 / (0.1447 + 0.066) * 20 / 2.45, 1e-3);
  // Hargreaves grows with the temperature range.
  DailyRow narrow = d;
  narrow[DailyVar::Tmin] = 19;
  narrow[DailyVar::Tmax] = 21;
  EXPECT_GT(DailyEt0(d, Et0Method::Hargreaves, 50, 0), DailyEt0(narrow, Et0Method::Hargreaves, 50, 0));
}

TEST(WeatherImport, BestMethodDependsOnWhatTheDataHold) {
  struct Case {
    const char* header;
    std::optional<double> latitude;
    std::optional<Et0Method> best;
  };
  const Case cases[] = {
      {"date,tmin,tmax,rain,et0,rad,vp,wind", 50.0, Et0Method::File},
      {"date,tmin,tmax,rain,rad,vp,wind", 50.0, Et0Method::PenmanMonteith},
      {"date,tmin,tmax,rain,rad,rh,wind", 50.0, Et0Method::PenmanMonteith},
      {"date,tmin,tmax,rain,rad,vp,wind", std::nullopt, Et0Method::Makkink},
      {"date,tmin,tmax,rain,rad,vp", 50.0, Et0Method::Makkink},
      {"date,tmin,tmax,rain", 50.0, Et0Method::Hargreaves},
      {"date,tmin,tmax,rain", std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    const DailyWeather w = ReadDailyWeatherText(std::string(c.header) + "\n", "h.csv");
    EXPECT_EQ(BestEt0Method(w, {c.latitude, std::nullopt}), c.best) << c.header;
  }
  EXPECT_THROW(AnalyseWeather(Brussels(), Et0Method::Makkink), std::invalid_argument);
}

TEST(WeatherImport, RequestsOutsideTheRecordAreRefused) {
  const DailyWeather w = ReadDailyWeatherText(Csv(2001, 2002), "r.csv");
  const WeatherAnalysis a = AnalyseWeather(w, Et0Method::File);
  EXPECT_THROW(MakeWeekly(w, a, Years(2000, 1)), WeatherRequestError);
  EXPECT_THROW(MakeWeekly(w, a, Years(2001, 3)), WeatherRequestError);
  EXPECT_THROW(MakeWeekly(w, a, Years(2001, 11)), WeatherRequestError);
  EXPECT_THROW(MakeWeekly(w, a, Years(2001, 0)), WeatherRequestError);
}

TEST(WeatherImport, RoundsToOneDecimalAndNeverWritesMinusZero) {
  // Tc of -0.04 and a site name too long for the 20-character field.
  const DailyWeather w = ReadDailyWeatherText(Csv(2001, 2001, {}, -1.08, 1, 0), "z.csv");
  WeeklyRequest r;
  r.site = "A very long station name";
  const WeeklyWeather weekly = MakeWeekly(w, AnalyseWeather(w, Et0Method::File), r);
  EXPECT_EQ(weekly.name, "A very long sta 2001");
  const std::string text = WeeklyEnvironmentText(weekly, "Z.ENV", false);
  EXPECT_NE(text.find("\r\n   1   0.0   0.0   2.8\r\n"), std::string::npos);
  EXPECT_EQ(text.find("-0.0"), std::string::npos);
}

TEST(WeatherImport, CaboSkipsQualityRowsAndReadsMissingCodes) {
  const DailyWeather w = ReadDailyWeatherText("*  Station: Somewhere  \n** WCCFORMAT=2\n"
                                              "  5.67  51.97  7.  -0.18 -0.55\n"
                                              "   1 2002   1  2246.  -1.6   0.4   0.550   3.5   0.1\n"
                                              "-999 2002   2     0.   0.0   0.0   0.000   0.0   0.0\n"
                                              "   1 2002   2  -999.  -3.9   -99   0.500   2.0   0.0\n",
                                              "NL9.002");
  EXPECT_EQ(w.format, WeatherFormat::Cabo);
  EXPECT_EQ(w.site, "Somewhere");
  ASSERT_TRUE(w.elevation);
  EXPECT_DOUBLE_EQ(*w.elevation, 7);
  ASSERT_EQ(w.rows.size(), 2u);
  EXPECT_DOUBLE_EQ(w.rows[0][DailyVar::Radiation], 2.246); // kJ/m2 to MJ/m2
  EXPECT_TRUE(std::isnan(w.rows[1][DailyVar::Radiation]));
  EXPECT_TRUE(std::isnan(w.rows[1][DailyVar::Tmax]));
  EXPECT_DOUBLE_EQ(w.rows[1][DailyVar::Tmin], -3.9);
}
