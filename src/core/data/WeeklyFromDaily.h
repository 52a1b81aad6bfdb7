// From daily weather (DailyWeather.h) to the weekly environment series: the
// reference evapotranspiration of each day, short gaps filled, years with
// long gaps set aside, and the weeks of whole calendar years. Week k of a year
// holds days 7(k-1)+1 .. 7k; days 365 and 366 belong to week 52. Tc is the
// mean of the daily (Tmin + Tmax)/2, Rain and ET0 are sums, each rounded to
// 0.1.
//
// The steps are separate so that an import dialog can show what it found
// (AnalyseWeather), preview the weeks (MakeWeekly) and then write them
// (WriteWeeklyEnvironment).
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/DailyWeather.h"

namespace kelmar {

enum class Et0Method { File, PenmanMonteith, Makkink, Hargreaves };

// "file", "penman-monteith", "makkink", "hargreaves" (the command-line names).
std::string_view Et0MethodKey(Et0Method m);
std::optional<Et0Method> ParseEt0Method(std::string_view key);
// "ET0 from the file", "ET0 FAO-56 Penman-Monteith", "ET0 Makkink", "ET0 Hargreaves".
std::string_view Et0MethodTitle(Et0Method m);

// Site values that replace or complete those of the file.
struct SiteOverrides {
  std::optional<double> latitude;
  std::optional<double> elevation;
};

// Why a method cannot be used on this weather ("" when it can): a quantity
// the file lacks, or the latitude.
std::string Et0Unavailable(const DailyWeather& w, Et0Method m, const SiteOverrides& site = {});
// The best method the weather allows, in the order file, Penman-Monteith,
// Makkink, Hargreaves; nullopt when none can be used.
std::optional<Et0Method> BestEt0Method(const DailyWeather& w, const SiteOverrides& site = {});

// A run of consecutive days on which quantities are missing (several when
// they are missing on the same days, e.g. a day without a row).
struct WeatherGap {
  std::vector<DailyVar> vars;
  int year = 0, firstDay = 0; // first missing day
  int lastYear = 0, lastDay = 0;
  int days = 0;
  bool filled = false;      // interpolated; otherwise its years cannot be used
  std::string text() const; // "radiation missing 31 Aug 2002, filled by interpolation"
};

// A value that cannot be right: Tmin above Tmax, negative rain, radiation
// above the clear-sky maximum.
struct WeatherDoubt {
  int year = 0, day = 0;
  std::string what;
  std::string text() const; // "12 Mar 1997: Tmin 8.1 above Tmax 7.9"
};

// Everything found in the daily record for one ET0 method.
struct WeatherAnalysis {
  Et0Method method = Et0Method::File;
  double latitude = 0;  // used by the radiation-based methods and the checks
  double elevation = 0; // 0 when neither the file nor the caller gives it
  bool hasLatitude = false, hasElevation = false;
  std::vector<int> years;             // every calendar year the record touches, ascending
  std::vector<int> unusableYears;     // years touched by a long or edge gap, ascending
  std::vector<WeatherGap> gaps;       // of the quantities the method uses
  std::vector<WeatherDoubt> doubts;   // implausible values
  int firstDayYear = 0, firstDay = 0; // first and last day of the record
  int lastDayYear = 0, lastDay = 0;

  bool usable(int year) const;
};

// Finds the gaps, the unusable years and the doubtful values for `method`.
// Throws std::invalid_argument when the method cannot be used (Et0Unavailable)
// or the record holds no day.
WeatherAnalysis AnalyseWeather(const DailyWeather& w, Et0Method method, const SiteOverrides& site = {});

// The reference evapotranspiration of one day (mm) by a computed method;
// latitude in degrees, elevation in m. NaN where an input is missing.
double DailyEt0(const DailyRow& day, Et0Method method, double latitude, double elevation);
// Clear-sky radiation (MJ m-2 d-1) of a day of the year at a site.
double ClearSkyRadiation(int year, int dayOfYear, double latitude, double elevation);

// A request that the data cannot meet: years outside the record, too many
// years, an ET0 method the data do not allow.
class WeatherRequestError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

struct WeeklyRequest {
  std::optional<int> from;  // first calendar year; default the first usable year
  std::optional<int> years; // default as many usable years as follow, at most 10
  std::string site;         // default the file's station, else "Weather"
  bool strict = false;      // doubtful values are errors
};

struct WeeklyValues {
  float Tc = 0, Rain = 0, ET0 = 0;
};

struct WeeklyWeather {
  std::string name; // series name: site and years, at most 20 characters
  int firstYear = 0, years = 0;
  Et0Method method = Et0Method::File;
  std::vector<WeeklyValues> weeks; // 52 per year
};

// The weeks of the requested years. Throws WeatherRequestError for a request
// the record cannot meet, FileError when a requested year has a long gap
// (naming its dates) or, with `strict`, when a value in it is doubtful.
WeeklyWeather MakeWeekly(const DailyWeather& w, const WeatherAnalysis& a, const WeeklyRequest& request);

// The text of the environment file, written by the series writer; `fileName`
// goes into its second line. With `noteMethod` the title line names the ET0
// method after the series name.
std::string WeeklyEnvironmentText(const WeeklyWeather& weekly, const std::string& fileName,
                                  bool noteMethod = true);
// Writes it atomically (FileError on failure; a previous file stays intact).
void WriteWeeklyEnvironment(const WeeklyWeather& weekly, const std::string& path, bool noteMethod = true);

} // namespace kelmar
