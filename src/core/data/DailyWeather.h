// Daily station weather read from the common exchange formats into one plain
// table: a CSV/TSV file with a header naming its columns, the CABO/WOFOST
// yearly files, APSIM .met files and DSSAT .WTH files. Every value is held in
// one unit whatever the file used (°C, mm/d, MJ m-2 d-1, kPa, %, m/s), and a
// missing value is NaN. The weekly environment is made from this table
// (WeeklyFromDaily.h).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelmar {

enum class WeatherFormat { Auto, Csv, Cabo, Met, Wth };

// "csv", "cabo", "met", "wth" ("auto" for Auto).
std::string_view WeatherFormatName(WeatherFormat f);
// The inverse, case-insensitive; nullopt for an unknown name.
std::optional<WeatherFormat> ParseWeatherFormat(std::string_view name);

// The daily quantities a file can hold.
enum class DailyVar { Tmin, Tmax, Rain, Et0, Radiation, VapourPressure, Humidity, Wind };
inline constexpr int kDailyVarCount = 8;

// "minimum temperature", "maximum temperature", "rain", "ET0", "radiation",
// "vapour pressure", "relative humidity", "wind speed".
std::string_view DailyVarName(DailyVar v);

struct DailyRow {
  int32_t year = 0;
  int32_t day = 0; // day of the year, 1..366
  std::array<double, kDailyVarCount> v{};

  double operator[](DailyVar x) const { return v[static_cast<std::size_t>(x)]; }
  double& operator[](DailyVar x) { return v[static_cast<std::size_t>(x)]; }
};

struct DailyWeather {
  WeatherFormat format = WeatherFormat::Auto; // as detected or asked for
  std::vector<std::string> sources;           // the files read, in order
  std::string site;                           // station name, when the file gives one
  std::optional<double> latitude;             // degrees, north positive
  std::optional<double> elevation;            // m above sea level
  std::array<bool, kDailyVarCount> has{};     // which quantities the file holds
  std::vector<std::string> columns;           // the file's own column names
  std::vector<DailyRow> rows;                 // in date order, one per day

  bool holds(DailyVar x) const { return has[static_cast<std::size_t>(x)]; }
};

// Calendar helpers.
bool IsLeapYear(int year);
int DaysInYear(int year);
// Day of the year of a calendar date; 0 when the date does not exist.
int DayOfYear(int year, int month, int day);
// "31 Aug 2002".
std::string FormatDate(int year, int dayOfYear);

// The format of a file, from its name and its first lines: Csv when nothing
// else fits.
WeatherFormat DetectWeatherFormat(std::string_view text, const std::string& fileName);

// Reads one file (or a buffer holding one, `fileName` naming it in messages).
// Rows come out sorted by date. Throws FileError naming the file, the line and
// the field: unknown layout, a missing date or required column, a value that
// is no number, the same day twice.
DailyWeather ReadDailyWeatherText(std::string_view text, const std::string& fileName,
                                  WeatherFormat format = WeatherFormat::Auto);
DailyWeather ReadDailyWeather(const std::string& fileName, WeatherFormat format = WeatherFormat::Auto);

// Joins the days of several files (e.g. one CABO file per year) into one
// record. Site, latitude and elevation come from the first file that gives
// them; a quantity one file lacks is missing on its days. Throws FileError
// when two files hold the same day.
void AppendDailyWeather(DailyWeather& into, DailyWeather more);

} // namespace kelmar
