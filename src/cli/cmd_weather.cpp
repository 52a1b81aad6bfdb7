// kelmar weather import: daily station weather (CSV/TSV, CABO/WOFOST, APSIM
// .met, DSSAT .WTH) to a weekly environment file. Tells what it found (days,
// columns, ET0 method, filled and unusable gaps, doubtful values) and writes
// the file over any previous one, as kelmar convert does.
#include <iostream>
#include <memory>
#include <optional>

#include "Command.h"
#include "data/DailyWeather.h"
#include "data/Errors.h"
#include "data/WeeklyFromDaily.h"

namespace kelmar::cli {

namespace {

struct ImportOptions {
  std::vector<std::string> inputs;
  std::string out;
  std::string format = "auto";
  std::optional<int> from, years;
  std::string et0;
  std::optional<double> latitude, elevation;
  std::string name;
  bool strict = false;
};

constexpr std::size_t kListed = 20; // longer lists are cut, with a count of the rest

template <typename T> void List(std::ostream& os, const std::string& title, const std::vector<T>& items) {
  if (items.empty()) return;
  os << title << ":\n";
  for (std::size_t i = 0; i < items.size() && i < kListed; ++i) os << "  " << items[i].text() << '\n';
  if (items.size() > kListed) os << "  ... and " << items.size() - kListed << " more\n";
}

int Import(const ImportOptions& o) {
  const WeatherFormat format = ParseWeatherFormat(o.format).value_or(WeatherFormat::Auto);
  DailyWeather daily;
  for (const std::string& in : o.inputs) {
    try {
      AppendDailyWeather(daily, ReadDailyWeather(in, format));
    } catch (const FileError& e) {
      ReportError("Reading " + in + "\r" + e.what());
      return kExitFile;
    }
  }
  if (daily.rows.empty()) {
    ReportError("The daily files hold no day");
    return kExitFile;
  }
  std::cout << "Read " << daily.rows.size() << " days, "
            << FormatDate(daily.rows.front().year, daily.rows.front().day) << " to "
            << FormatDate(daily.rows.back().year, daily.rows.back().day) << ", format "
            << WeatherFormatName(daily.format == WeatherFormat::Auto ? format : daily.format) << '\n';

  const SiteOverrides site{o.latitude, o.elevation};
  std::optional<Et0Method> method;
  if (!o.et0.empty()) {
    method = ParseEt0Method(o.et0);
    if (const std::string why = Et0Unavailable(daily, *method, site); !why.empty()) {
      ReportError(std::string(Et0MethodTitle(*method)) + " cannot be used: " + why);
      return kExitUsage;
    }
  } else {
    method = BestEt0Method(daily, site);
    if (!method) {
      ReportError("No ET0 method fits the data: they hold neither ET0 nor radiation, and the latitude "
                  "Hargreaves needs is not known (give --latitude)");
      return kExitUsage;
    }
  }
  const WeatherAnalysis a = AnalyseWeather(daily, *method, site);
  std::cout << Et0MethodTitle(a.method);
  if (a.method != Et0Method::File && a.method != Et0Method::Makkink)
    std::cout << " (latitude " << a.latitude << ", elevation " << a.elevation << " m)";
  std::cout << '\n';

  std::vector<WeatherGap> filled, unfilled;
  for (const WeatherGap& g : a.gaps) (g.filled ? filled : unfilled).push_back(g);
  List(std::cout, "Gaps filled by interpolation", filled);
  List(std::cout, "Gaps that make their years unusable", unfilled);
  List(o.strict ? std::cerr : std::cout, "Implausible values", a.doubts);

  WeeklyRequest request;
  request.from = o.from;
  request.years = o.years;
  request.site = o.name;
  request.strict = o.strict;
  try {
    const WeeklyWeather weekly = MakeWeekly(daily, a, request);
    WriteWeeklyEnvironment(weekly, o.out);
    std::cout << "Wrote " << o.out << ": " << weekly.name << ", " << weekly.weeks.size() << " weeks\n";
  } catch (const WeatherRequestError& e) {
    ReportError(e.what());
    return kExitUsage;
  } catch (const FileError& e) {
    ReportError(e.what());
    return kExitFile;
  }
  return kExitOk;
}

const RegisterCommand registerWeather([](CLI::App& app, int& exitCode) {
  CLI::App* weather = app.add_subcommand("weather", "Daily weather tools");
  weather->require_subcommand(1);
  auto o = std::make_shared<ImportOptions>();
  CLI::App* cmd = weather->add_subcommand(
      "import", "Make a weekly environment file (.ENV) from daily weather: CSV/TSV with a header, "
                "CABO/WOFOST, APSIM .met or DSSAT .WTH");
  cmd->add_option("DAILY", o->inputs, "Daily weather files (several are joined, e.g. one per year)")
      ->required()
      ->check(CLI::ExistingFile);
  cmd->add_option("-o,--output", o->out, "Environment file to write")->required();
  cmd->add_option("--format", o->format, "Format of the daily files")
      ->check(CLI::IsMember({"auto", "csv", "cabo", "met", "wth"}, CLI::ignore_case));
  cmd->add_option("--from", o->from, "First calendar year (default: the first usable year)");
  cmd->add_option("--years", o->years, "Number of years, 1..10 (default: as many usable years as follow)")
      ->check(CLI::Range(1, 10));
  cmd->add_option("--et0", o->et0,
                  "ET0: from the file, or computed (default: the best the data allow, in this order)")
      ->check(CLI::IsMember({"file", "penman-monteith", "makkink", "hargreaves"}, CLI::ignore_case));
  cmd->add_option("--latitude", o->latitude, "Site latitude in degrees north (replaces the file's)")
      ->check(CLI::Range(-90.0, 90.0));
  cmd->add_option("--elevation", o->elevation, "Site elevation in m (replaces the file's)");
  cmd->add_option("--name", o->name, "Site name in the file's title (default: the station in the file)");
  cmd->add_flag("--strict", o->strict, "Implausible values are errors");
  cmd->callback([o, &exitCode] { exitCode = Import(*o); });
});

} // namespace

} // namespace kelmar::cli
