#include "data/WeeklyFromDaily.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>

#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/SeriesFile.h"
#include "data/TextFormat.h"

namespace kelmar {

namespace {

constexpr double kLambda = 2.45;        // latent heat of vaporisation, MJ/kg
constexpr double kGammaMakkink = 0.066; // psychrometric constant, kPa/°C
constexpr int kMaxFilledDays = 3;       // longest gap filled by interpolation
constexpr int kMaxYears = kMaxWeeks / 52;

double SatVp(double t) { return 0.6108 * std::exp(17.27 * t / (t + 237.3)); }
double SlopeSatVp(double t) { return 4098 * SatVp(t) / ((t + 237.3) * (t + 237.3)); }

// Extraterrestrial radiation, MJ m-2 d-1 (FAO-56 eq. 21).
double ExtraterrestrialRadiation(int year, int doy, double latitude) {
  const double pi = std::numbers::pi;
  const double phi = latitude * pi / 180;
  const double days = DaysInYear(year);
  const double dr = 1 + 0.033 * std::cos(2 * pi * doy / days);
  const double delta = 0.409 * std::sin(2 * pi * doy / days - 1.39);
  const double ws = std::acos(std::clamp(-std::tan(phi) * std::tan(delta), -1.0, 1.0));
  return 24 * 60 / pi * 0.0820 * dr *
         (ws * std::sin(phi) * std::sin(delta) + std::cos(phi) * std::cos(delta) * std::sin(ws));
}

std::vector<DailyVar> NeededVars(const DailyWeather& w, Et0Method m) {
  std::vector<DailyVar> v{DailyVar::Tmin, DailyVar::Tmax, DailyVar::Rain};
  switch (m) {
  case Et0Method::File:
    v.push_back(DailyVar::Et0);
    break;
  case Et0Method::Makkink:
    v.push_back(DailyVar::Radiation);
    break;
  case Et0Method::PenmanMonteith:
    v.push_back(DailyVar::Radiation);
    v.push_back(DailyVar::Wind);
    v.push_back(w.holds(DailyVar::VapourPressure) ? DailyVar::VapourPressure : DailyVar::Humidity);
    break;
  case Et0Method::Hargreaves:
    break;
  }
  return v;
}

std::optional<double> Latitude(const DailyWeather& w, const SiteOverrides& s) {
  return s.latitude ? s.latitude : w.latitude;
}

std::string OneDecimal(double v) { return FmtReal(v, 0, 1); }

// Rounded to 0.1 from the exact value (x * 10 would itself round, and turn
// 13.4499999 into 13.5), never -0.0.
float Round1(double x) {
  char buf[64];
  const auto w = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, 1);
  double r = 0;
  std::from_chars(buf, w.ptr, r);
  // Absurd input (a temperature of 1e20) must not overflow the float.
  return static_cast<float>(std::clamp(r, -1e30, 1e30) + 0.0);
}

} // namespace

std::string_view Et0MethodKey(Et0Method m) {
  switch (m) {
  case Et0Method::File:
    return "file";
  case Et0Method::PenmanMonteith:
    return "penman-monteith";
  case Et0Method::Makkink:
    return "makkink";
  case Et0Method::Hargreaves:
    return "hargreaves";
  }
  return "file";
}

std::optional<Et0Method> ParseEt0Method(std::string_view key) {
  for (Et0Method m : {Et0Method::File, Et0Method::PenmanMonteith, Et0Method::Makkink, Et0Method::Hargreaves})
    if (EqualsIgnoreCase(key, Et0MethodKey(m))) return m;
  return std::nullopt;
}

std::string_view Et0MethodTitle(Et0Method m) {
  switch (m) {
  case Et0Method::File:
    return "ET0 from the file";
  case Et0Method::PenmanMonteith:
    return "ET0 FAO-56 Penman-Monteith";
  case Et0Method::Makkink:
    return "ET0 Makkink";
  case Et0Method::Hargreaves:
    return "ET0 Hargreaves";
  }
  return "";
}

std::string Et0Unavailable(const DailyWeather& w, Et0Method m, const SiteOverrides& site) {
  auto lacks = [&](DailyVar v) { return "the data hold no " + std::string(DailyVarName(v)); };
  switch (m) {
  case Et0Method::File:
    if (!w.holds(DailyVar::Et0)) return lacks(DailyVar::Et0);
    return "";
  case Et0Method::PenmanMonteith:
    if (!w.holds(DailyVar::Radiation)) return lacks(DailyVar::Radiation);
    if (!w.holds(DailyVar::VapourPressure) && !w.holds(DailyVar::Humidity))
      return "the data hold neither vapour pressure nor relative humidity";
    if (!w.holds(DailyVar::Wind)) return lacks(DailyVar::Wind);
    if (!Latitude(w, site)) return "the latitude is not known (give --latitude)";
    return "";
  case Et0Method::Makkink:
    if (!w.holds(DailyVar::Radiation)) return lacks(DailyVar::Radiation);
    return "";
  case Et0Method::Hargreaves:
    if (!Latitude(w, site)) return "the latitude is not known (give --latitude)";
    return "";
  }
  return "";
}

std::optional<Et0Method> BestEt0Method(const DailyWeather& w, const SiteOverrides& site) {
  for (Et0Method m : {Et0Method::File, Et0Method::PenmanMonteith, Et0Method::Makkink, Et0Method::Hargreaves})
    if (Et0Unavailable(w, m, site).empty()) return m;
  return std::nullopt;
}

std::string WeatherGap::text() const {
  std::string s;
  for (std::size_t i = 0; i < vars.size(); ++i)
    s += (i == 0 ? "" : i + 1 == vars.size() ? " and " : ", ") + std::string(DailyVarName(vars[i]));
  s += " missing " + FormatDate(year, firstDay);
  if (days > 1) s += " to " + FormatDate(lastYear, lastDay) + " (" + std::to_string(days) + " days)";
  s += filled ? ", filled by interpolation" : "";
  return s;
}

std::string WeatherDoubt::text() const { return FormatDate(year, day) + ": " + what; }

bool WeatherAnalysis::usable(int year) const {
  // Both lists ascend; a record over thousands of years is asked once a year.
  return std::binary_search(years.begin(), years.end(), year) &&
         !std::binary_search(unusableYears.begin(), unusableYears.end(), year);
}

double ClearSkyRadiation(int year, int dayOfYear, double latitude, double elevation) {
  return (0.75 + 2e-5 * elevation) * ExtraterrestrialRadiation(year, dayOfYear, latitude);
}

double DailyEt0(const DailyRow& d, Et0Method method, double latitude, double elevation) {
  const double tmin = d[DailyVar::Tmin], tmax = d[DailyVar::Tmax];
  const double t = (tmin + tmax) / 2;
  switch (method) {
  case Et0Method::File:
    return d[DailyVar::Et0];
  case Et0Method::Makkink: {
    const double delta = SlopeSatVp(t);
    return 0.65 * delta / (delta + kGammaMakkink) * d[DailyVar::Radiation] / kLambda;
  }
  case Et0Method::Hargreaves: {
    const double ra = ExtraterrestrialRadiation(d.year, d.day, latitude);
    return std::max(0.0, 0.0023 * (t + 17.8) * std::sqrt(std::max(tmax - tmin, 0.0)) * ra / kLambda);
  }
  case Et0Method::PenmanMonteith: {
    const double rs = d[DailyVar::Radiation];
    const double u2 = d[DailyVar::Wind];
    const double es = (SatVp(tmin) + SatVp(tmax)) / 2;
    const double vp = d[DailyVar::VapourPressure];
    const double ea = std::isnan(vp) ? d[DailyVar::Humidity] / 100 * es : vp;
    const double p = 101.3 * std::pow((293 - 0.0065 * elevation) / 293, 5.26);
    const double gamma = 0.000665 * p;
    const double delta = SlopeSatVp(t);
    const double rso = ClearSkyRadiation(d.year, d.day, latitude, elevation);
    const double ratio = rso > 0 ? std::min(rs / rso, 1.0) : 1.0;
    const double sigma = 4.903e-9;
    const double rnl = sigma * (std::pow(tmax + 273.16, 4) + std::pow(tmin + 273.16, 4)) / 2 *
                       (0.34 - 0.14 * std::sqrt(std::max(ea, 0.0))) * (1.35 * ratio - 0.35);
    const double rn = 0.77 * rs - rnl;
    const double et0 =
        (0.408 * delta * rn + gamma * 900 / (t + 273) * u2 * (es - ea)) / (delta + gamma * (1 + 0.34 * u2));
    return std::max(et0, 0.0); // no dew is counted as negative evaporation
  }
  }
  return std::numeric_limits<double>::quiet_NaN();
}

WeatherAnalysis AnalyseWeather(const DailyWeather& w, Et0Method method, const SiteOverrides& site) {
  if (const std::string why = Et0Unavailable(w, method, site); !why.empty())
    throw std::invalid_argument(std::string(Et0MethodTitle(method)) + " cannot be used: " + why);
  if (w.rows.empty()) throw std::invalid_argument("the daily data hold no day");
  WeatherAnalysis a;
  a.method = method;
  if (auto lat = Latitude(w, site)) a.latitude = *lat, a.hasLatitude = true;
  if (auto el = site.elevation ? site.elevation : w.elevation) a.elevation = *el, a.hasElevation = true;
  const int y0 = w.rows.front().year, y1 = w.rows.back().year;
  a.firstDayYear = y0, a.firstDay = w.rows.front().day;
  a.lastDayYear = y1, a.lastDay = w.rows.back().day;
  for (int y = y0; y <= y1; ++y) a.years.push_back(y);

  // Doubtful values, as the file has them.
  for (const DailyRow& r : w.rows) {
    const double tmin = r[DailyVar::Tmin], tmax = r[DailyVar::Tmax];
    if (tmin > tmax)
      a.doubts.push_back({r.year, r.day, "Tmin " + OneDecimal(tmin) + " above Tmax " + OneDecimal(tmax)});
    if (r[DailyVar::Rain] < 0)
      a.doubts.push_back({r.year, r.day, "negative rain " + OneDecimal(r[DailyVar::Rain])});
    if (a.hasLatitude && w.holds(DailyVar::Radiation)) {
      const double rso = ClearSkyRadiation(r.year, r.day, a.latitude, a.elevation);
      if (r[DailyVar::Radiation] > rso)
        a.doubts.push_back({r.year, r.day,
                            "radiation " + FmtReal(r[DailyVar::Radiation], 0, 2) +
                                " MJ/m2 above the clear-sky " + FmtReal(rso, 0, 2)});
    }
  }

  // Gaps of the quantities the method needs, day by day over whole years.
  std::vector<int> yearStart; // index of 1 January of each year
  int n = 0;
  for (int y = y0; y <= y1; ++y) yearStart.push_back(n), n += DaysInYear(y);
  auto index = [&](int year, int day) { return yearStart[static_cast<std::size_t>(year - y0)] + day - 1; };
  auto dateOf = [&](int i, int& year, int& day) {
    year = y0;
    while (year < y1 && i >= yearStart[static_cast<std::size_t>(year - y0 + 1)]) ++year;
    day = i - yearStart[static_cast<std::size_t>(year - y0)] + 1;
  };
  std::vector<double> series(static_cast<std::size_t>(n));
  // Years touched by a gap that is not filled, marked rather than searched
  // for: a file whose dates span thousands of years (a mistyped year) would
  // otherwise take minutes.
  std::vector<char> unusable(static_cast<std::size_t>(y1 - y0) + 1, 0);
  for (DailyVar v : NeededVars(w, method)) {
    std::fill(series.begin(), series.end(), std::numeric_limits<double>::quiet_NaN());
    for (const DailyRow& r : w.rows) series[static_cast<std::size_t>(index(r.year, r.day))] = r[v];
    for (int i = 0; i < n;) {
      if (!std::isnan(series[static_cast<std::size_t>(i)])) {
        ++i;
        continue;
      }
      int j = i;
      while (j + 1 < n && std::isnan(series[static_cast<std::size_t>(j + 1)])) ++j;
      WeatherGap g;
      g.vars = {v};
      dateOf(i, g.year, g.firstDay);
      dateOf(j, g.lastYear, g.lastDay);
      g.days = j - i + 1;
      g.filled = i > 0 && j < n - 1 && g.days <= kMaxFilledDays;
      if (!g.filled)
        for (int y = g.year; y <= g.lastYear; ++y) unusable[static_cast<std::size_t>(y - y0)] = 1;
      a.gaps.push_back(g);
      i = j + 1;
    }
  }
  for (int y = y0; y <= y1; ++y)
    if (unusable[static_cast<std::size_t>(y - y0)]) a.unusableYears.push_back(y);
  std::stable_sort(a.gaps.begin(), a.gaps.end(), [](const WeatherGap& p, const WeatherGap& q) {
    return p.year != q.year ? p.year < q.year : p.firstDay < q.firstDay;
  });
  // One entry for the quantities missing on the same days.
  std::vector<WeatherGap> merged;
  for (WeatherGap& g : a.gaps) {
    if (!merged.empty() && merged.back().year == g.year && merged.back().firstDay == g.firstDay &&
        merged.back().days == g.days)
      merged.back().vars.push_back(g.vars.front());
    else
      merged.push_back(std::move(g));
  }
  a.gaps = std::move(merged);
  return a;
}

WeeklyWeather MakeWeekly(const DailyWeather& w, const WeatherAnalysis& a, const WeeklyRequest& request) {
  if (a.years.empty()) throw WeatherRequestError("the daily data hold no day");
  const int y0 = a.years.front(), y1 = a.years.back();
  const std::string span = y0 == y1 ? std::to_string(y0) : std::to_string(y0) + "-" + std::to_string(y1);
  auto gapsOf = [&](int year) {
    std::string s;
    for (const WeatherGap& g : a.gaps)
      if (!g.filled && g.year <= year && year <= g.lastYear) s += "\n  " + g.text();
    return s;
  };
  auto refuse = [&](int year) {
    throw FileError("The year " + std::to_string(year) + " cannot be used:" + gapsOf(year));
  };

  int from = 0;
  if (request.from) {
    from = *request.from;
    if (from < y0 || from > y1)
      throw WeatherRequestError("The daily data cover " + span + "; " + std::to_string(from) +
                                " lies outside");
  } else {
    auto it = std::find_if(a.years.begin(), a.years.end(), [&](int y) { return a.usable(y); });
    if (it == a.years.end())
      throw FileError("No year of " + span + " can be used: each has a gap of more than " +
                      std::to_string(kMaxFilledDays) + " days or lies at the edge of the record");
    from = *it;
  }
  int years = 0;
  if (request.years) {
    years = *request.years;
    if (years < 1 || years > kMaxYears)
      throw WeatherRequestError("The number of years must lie in 1.." + std::to_string(kMaxYears) + ", not " +
                                std::to_string(years));
    if (from + years - 1 > y1)
      throw WeatherRequestError("The daily data cover " + span + "; " + std::to_string(years) +
                                " years from " + std::to_string(from) + " reach past " + std::to_string(y1));
    for (int y = from; y < from + years; ++y)
      if (!a.usable(y)) refuse(y);
  } else {
    if (!a.usable(from)) refuse(from);
    while (years < kMaxYears && from + years <= y1 && a.usable(from + years)) ++years;
  }
  const int last = from + years - 1;

  if (request.strict) {
    std::string s;
    int count = 0;
    for (const WeatherDoubt& d : a.doubts)
      if (d.year >= from && d.year <= last && count++ < 20) s += "\n  " + d.text();
    if (count > 20) s += "\n  ... and " + std::to_string(count - 20) + " more";
    if (count > 0)
      throw FileError("Implausible daily values in " + std::to_string(from) + "-" + std::to_string(last) +
                      ":" + s);
  }

  // The days of the requested years, gaps filled by linear interpolation.
  const std::vector<DailyVar> needed = NeededVars(w, a.method);
  int total = 0;
  for (int y = from; y <= last; ++y) total += DaysInYear(y);
  std::vector<DailyRow> days(static_cast<std::size_t>(total));
  {
    std::size_t k = 0;
    for (int y = from; y <= last; ++y)
      for (int d = 1; d <= DaysInYear(y); ++d, ++k) {
        days[k].v.fill(std::numeric_limits<double>::quiet_NaN());
        days[k].year = y;
        days[k].day = d;
      }
    auto first = std::lower_bound(w.rows.begin(), w.rows.end(), from,
                                  [](const DailyRow& r, int year) { return r.year < year; });
    // Rows are in date order; each lands on its own day.
    std::size_t pos = 0;
    for (auto it = first; it != w.rows.end() && it->year <= last; ++it) {
      while (pos < days.size() && (days[pos].year != it->year || days[pos].day != it->day)) ++pos;
      if (pos < days.size()) days[pos].v = it->v;
    }
  }
  for (DailyVar v : needed) {
    // The requested years hold no long gap, but a short one may reach into
    // the year before or after: its ends come from the neighbouring rows.
    auto valueAt = [&](int year, int day) {
      auto it = std::lower_bound(w.rows.begin(), w.rows.end(), std::pair{year, day},
                                 [](const DailyRow& r, std::pair<int, int> d) {
                                   return r.year != d.first ? r.year < d.first : r.day < d.second;
                                 });
      return it != w.rows.end() && it->year == year && it->day == day
                 ? (*it)[v]
                 : std::numeric_limits<double>::quiet_NaN();
    };
    for (std::size_t i = 0; i < days.size();) {
      if (!std::isnan(days[i][v])) {
        ++i;
        continue;
      }
      std::size_t j = i;
      while (j + 1 < days.size() && std::isnan(days[j + 1][v])) ++j;
      double before = std::numeric_limits<double>::quiet_NaN(), after = before;
      int offBefore = 1, offAfter = 1;
      if (i > 0)
        before = days[i - 1][v];
      else {
        // Up to three days back into the previous year.
        for (int k = 1; k <= kMaxFilledDays + 1 && std::isnan(before); ++k) {
          const int d = days[0].day - k, y = days[0].year;
          before = d >= 1 ? valueAt(y, d) : valueAt(y - 1, DaysInYear(y - 1) + d);
          offBefore = k;
        }
      }
      if (j + 1 < days.size())
        after = days[j + 1][v];
      else {
        for (int k = 1; k <= kMaxFilledDays + 1 && std::isnan(after); ++k) {
          const DailyRow& e = days.back();
          const int d = e.day + k;
          after = d <= DaysInYear(e.year) ? valueAt(e.year, d) : valueAt(e.year + 1, d - DaysInYear(e.year));
          offAfter = k;
        }
      }
      if (std::isnan(before) || std::isnan(after)) refuse(days[i].year); // cannot happen after the analysis
      const double span = static_cast<double>(j - i) + offBefore + offAfter;
      for (std::size_t k = i; k <= j; ++k) {
        const double pos = static_cast<double>(k - i) + offBefore;
        days[k][v] = before + (after - before) * pos / span;
      }
      i = j + 1;
    }
  }

  WeeklyWeather out;
  out.firstYear = from;
  out.years = years;
  out.method = a.method;
  out.weeks.reserve(static_cast<std::size_t>(years) * 52);
  std::size_t k = 0;
  for (int y = from; y <= last; ++y) {
    const int n = DaysInYear(y);
    for (int week = 1; week <= 52; ++week) {
      const int end = week == 52 ? n : 7 * week;
      double tc = 0, rain = 0, et0 = 0;
      int count = 0;
      for (int d = 7 * (week - 1) + 1; d <= end; ++d, ++k, ++count) {
        const DailyRow& r = days[k];
        tc += (r[DailyVar::Tmin] + r[DailyVar::Tmax]) / 2;
        rain += r[DailyVar::Rain];
        et0 += DailyEt0(r, a.method, a.latitude, a.elevation);
      }
      out.weeks.push_back({Round1(tc / count), Round1(rain), Round1(et0)});
    }
  }

  std::string site = request.site.empty() ? Trim(w.site) : Trim(request.site);
  if (site.empty()) site = "Weather";
  const std::string yearsText =
      years == 1 ? std::to_string(from) : std::to_string(from) + "-" + std::to_string(last);
  const std::size_t room = kNameWidth - yearsText.size() - 1;
  out.name = Trim(site.substr(0, std::min(site.size(), room))) + " " + yearsText;
  return out;
}

std::string WeeklyEnvironmentText(const WeeklyWeather& weekly, const std::string& fileName, bool noteMethod) {
  auto ws = MakeWorkspace();
  const int n = static_cast<int>(std::min<std::size_t>(weekly.weeks.size(), kMaxWeeks));
  for (int i = 1; i <= n; ++i) {
    const WeeklyValues& v = weekly.weeks[static_cast<std::size_t>(i - 1)];
    WeekRecord& r = ws->weeks[static_cast<std::size_t>(i)];
    r.Tc = v.Tc;
    r.Rain = v.Rain;
    r.ET0 = v.ET0;
  }
  SeriesHeader& h = ws->scenario.series(SeriesKind::Environment);
  h.Name = weekly.name;
  h.FileName = fileName;
  h.Year = 1;
  h.Week = 1;
  h.Count = n;
  h.InsertWeek = 1;
  OutText out(false);
  WriteSeriesExtract(*ws, SeriesKind::Environment, out, 1, n, fileName);
  std::string text = std::move(out.text());
  if (noteMethod) text.insert(text.find(kCrLf), Et0MethodTitle(weekly.method));
  return text;
}

void WriteWeeklyEnvironment(const WeeklyWeather& weekly, const std::string& path, bool noteMethod) {
  WriteFileAtomic(path, WeeklyEnvironmentText(weekly, ExtractFileName(path), noteMethod));
}

} // namespace kelmar
