#include "data/DailyWeather.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/TextReader.h"

namespace kelmar {

namespace {

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();

// Missing-value codes of the formats (-99, -99.9, -999, -9999): no real
// daily value of these quantities lies that low.
constexpr double kMissingBelow = -98.5;

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

std::string Printable(std::string_view s) {
  std::string r;
  for (char c : s.substr(0, 40)) r += (static_cast<unsigned char>(c) < 32 || c == 127) ? '?' : c;
  return r;
}

bool ParseNumber(std::string_view t, double& v) {
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  if (t.empty()) return false;
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  return r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(v);
}

bool ParseWhole(std::string_view t, int64_t& v) {
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
  return !t.empty() && r.ec == std::errc() && r.ptr == t.data() + t.size();
}

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> SplitBlanks(std::string_view s) {
  std::vector<std::string_view> r;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    const std::size_t b = i;
    while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
    if (i > b) r.push_back(s.substr(b, i - b));
  }
  return r;
}

std::vector<std::string_view> SplitOn(std::string_view s, char d) {
  std::vector<std::string_view> r;
  std::size_t b = 0;
  for (std::size_t i = 0; i <= s.size(); ++i)
    if (i == s.size() || s[i] == d) {
      std::string_view f = TrimView(s.substr(b, i - b));
      if (f.size() >= 2 && f.front() == '"' && f.back() == '"') f = f.substr(1, f.size() - 2);
      r.push_back(f);
      b = i + 1;
    }
  return r;
}

// The lines of a buffer with their numbers; CR LF, LF and CR all end a line.
class Lines {
public:
  explicit Lines(std::string_view text) : text_(text) {
    if (text_.size() >= 3 && text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3); // UTF-8 mark
  }
  bool next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t e = pos_;
    while (e < text_.size() && text_[e] != '\r' && text_[e] != '\n') ++e;
    line = text_.substr(pos_, e - pos_);
    pos_ = e;
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    ++number_;
    return true;
  }
  int number() const { return number_; }

private:
  std::string_view text_;
  std::size_t pos_ = 0;
  int number_ = 0;
};

[[noreturn]] void Fail(const std::string& file, int line, const std::string& message) {
  throw FileError(file + ", line " + std::to_string(line) + ": " + message);
}

// What a column of a table holds and the factor that brings its values to
// the table's unit.
enum class Role { Ignore, Date, Year, DayOfYear, Day, Month, Var, DewPoint };
struct Column {
  Role role = Role::Ignore;
  DailyVar var = DailyVar::Tmin;
  double scale = 1;
  std::string spelling;
};

struct NameRole {
  std::string_view name;
  Role role;
  DailyVar var;
};

// Header spellings, reduced to lower-case letters and digits.
constexpr NameRole kNames[] = {
    {"date", Role::Date, DailyVar::Tmin},
    {"yyyymmdd", Role::Date, DailyVar::Tmin},
    {"year", Role::Year, DailyVar::Tmin},
    {"yr", Role::Year, DailyVar::Tmin},
    {"yyyy", Role::Year, DailyVar::Tmin},
    {"doy", Role::DayOfYear, DailyVar::Tmin},
    {"jday", Role::DayOfYear, DailyVar::Tmin},
    {"julianday", Role::DayOfYear, DailyVar::Tmin},
    {"dayofyear", Role::DayOfYear, DailyVar::Tmin},
    {"yday", Role::DayOfYear, DailyVar::Tmin},
    {"day", Role::Day, DailyVar::Tmin},
    {"dd", Role::Day, DailyVar::Tmin},
    {"month", Role::Month, DailyVar::Tmin},
    {"mon", Role::Month, DailyVar::Tmin},
    {"mm", Role::Month, DailyVar::Tmin},
    {"tmin", Role::Var, DailyVar::Tmin},
    {"mint", Role::Var, DailyVar::Tmin},
    {"mintemp", Role::Var, DailyVar::Tmin},
    {"tempmin", Role::Var, DailyVar::Tmin},
    {"tn", Role::Var, DailyVar::Tmin},
    {"tmn", Role::Var, DailyVar::Tmin},
    {"minimumtemperature", Role::Var, DailyVar::Tmin},
    {"tmax", Role::Var, DailyVar::Tmax},
    {"maxt", Role::Var, DailyVar::Tmax},
    {"maxtemp", Role::Var, DailyVar::Tmax},
    {"tempmax", Role::Var, DailyVar::Tmax},
    {"tx", Role::Var, DailyVar::Tmax},
    {"tmx", Role::Var, DailyVar::Tmax},
    {"maximumtemperature", Role::Var, DailyVar::Tmax},
    {"rain", Role::Var, DailyVar::Rain},
    {"prcp", Role::Var, DailyVar::Rain},
    {"precip", Role::Var, DailyVar::Rain},
    {"precipitation", Role::Var, DailyVar::Rain},
    {"prec", Role::Var, DailyVar::Rain},
    {"rainfall", Role::Var, DailyVar::Rain},
    {"rr", Role::Var, DailyVar::Rain},
    {"pr", Role::Var, DailyVar::Rain},
    {"ppt", Role::Var, DailyVar::Rain},
    {"et0", Role::Var, DailyVar::Et0},
    {"eto", Role::Var, DailyVar::Et0},
    {"etref", Role::Var, DailyVar::Et0},
    {"refet", Role::Var, DailyVar::Et0},
    {"referenceet", Role::Var, DailyVar::Et0},
    {"radn", Role::Var, DailyVar::Radiation},
    {"rad", Role::Var, DailyVar::Radiation},
    {"srad", Role::Var, DailyVar::Radiation},
    {"radiation", Role::Var, DailyVar::Radiation},
    {"solarradiation", Role::Var, DailyVar::Radiation},
    {"globalradiation", Role::Var, DailyVar::Radiation},
    {"rs", Role::Var, DailyVar::Radiation},
    {"irrad", Role::Var, DailyVar::Radiation},
    {"irradiation", Role::Var, DailyVar::Radiation},
    {"vp", Role::Var, DailyVar::VapourPressure},
    {"vap", Role::Var, DailyVar::VapourPressure},
    {"vapr", Role::Var, DailyVar::VapourPressure},
    {"vapourpressure", Role::Var, DailyVar::VapourPressure},
    {"vaporpressure", Role::Var, DailyVar::VapourPressure},
    {"ea", Role::Var, DailyVar::VapourPressure},
    {"rh", Role::Var, DailyVar::Humidity},
    {"rhum", Role::Var, DailyVar::Humidity},
    {"rhmean", Role::Var, DailyVar::Humidity},
    {"humidity", Role::Var, DailyVar::Humidity},
    {"relativehumidity", Role::Var, DailyVar::Humidity},
    {"wind", Role::Var, DailyVar::Wind},
    {"windspeed", Role::Var, DailyVar::Wind},
    {"wspd", Role::Var, DailyVar::Wind},
    {"ws", Role::Var, DailyVar::Wind},
    {"u2", Role::Var, DailyVar::Wind},
    {"dewp", Role::DewPoint, DailyVar::VapourPressure},
    {"tdew", Role::DewPoint, DailyVar::VapourPressure},
    {"dewpoint", Role::DewPoint, DailyVar::VapourPressure},
};

// "Tmin(C)" -> name "tmin", unit "c"; "Rad [kJ/m2]" -> "rad", "kj/m2".
void SplitHeader(std::string_view field, std::string& name, std::string& unit) {
  const std::size_t open = field.find_first_of("([");
  std::string_view n = field.substr(0, open);
  std::string_view u = open == std::string_view::npos ? std::string_view{} : field.substr(open + 1);
  if (!u.empty() && (u.back() == ')' || u.back() == ']')) u.remove_suffix(1);
  name.clear();
  for (char c : Lower(n))
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) name += c;
  unit = Lower(TrimView(u));
  // "tmin_c", "rain_mm": a unit glued on with an underscore.
  if (unit.empty() && name.size() > 1) {
    std::string raw = Lower(n);
    const std::size_t us = raw.rfind('_');
    if (us != std::string::npos && us > 0) {
      std::string head;
      for (char c : raw.substr(0, us))
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) head += c;
      for (const NameRole& k : kNames)
        if (k.name == head) {
          name = head;
          unit = raw.substr(us + 1);
          break;
        }
    }
  }
}

double UnitScale(DailyVar v, const std::string& unit, WeatherFormat f) {
  auto has = [&](std::string_view s) { return unit.find(s) != std::string::npos; };
  switch (v) {
  case DailyVar::Radiation:
    if (has("kj")) return 0.001;
    if (has("mj")) return 1;
    if (has("w")) return 0.0864; // mean W/m2 over the day
    if (has("j/") || has("jm")) return 1e-6;
    return 1;
  case DailyVar::VapourPressure:
    if (has("hpa") || has("mb")) return 0.1;
    if (has("kpa")) return 1;
    if (has("pa")) return 0.001;
    return f == WeatherFormat::Met ? 0.1 : 1; // APSIM keeps vapour pressure in hPa
  case DailyVar::Wind:
    if (has("km/h") || has("kmh") || has("kph")) return 1 / 3.6;
    if (has("km/d") || has("kmd")) return 1 / 86.4;
    if (has("m/s") || has("ms")) return 1;
    return f == WeatherFormat::Wth ? 1 / 86.4 : 1; // DSSAT keeps wind run in km/d
  default:
    return 1;
  }
}

double SaturationVp(double t) { return 0.6108 * std::exp(17.27 * t / (t + 237.3)); }

struct NumberedRow {
  DailyRow row;
  int line;
};

// Sorts the rows by date and rejects a day that occurs twice.
void Finish(DailyWeather& w, std::vector<NumberedRow>& rows, const std::string& file) {
  std::stable_sort(rows.begin(), rows.end(), [](const NumberedRow& a, const NumberedRow& b) {
    return a.row.year != b.row.year ? a.row.year < b.row.year : a.row.day < b.row.day;
  });
  for (std::size_t i = 1; i < rows.size(); ++i)
    if (rows[i].row.year == rows[i - 1].row.year && rows[i].row.day == rows[i - 1].row.day)
      Fail(file, std::max(rows[i].line, rows[i - 1].line),
           FormatDate(rows[i].row.year, rows[i].row.day) + " occurs twice (also line " +
               std::to_string(std::min(rows[i].line, rows[i - 1].line)) + ")");
  w.rows.clear();
  w.rows.reserve(rows.size());
  for (const NumberedRow& r : rows) w.rows.push_back(r.row);
  w.sources = {file};
}

DailyRow EmptyRow() {
  DailyRow r;
  r.v.fill(kMissing);
  return r;
}

void CheckDay(const std::string& file, int line, int64_t year, int64_t day, std::string_view field) {
  if (year < 1 || year > 9999) Fail(file, line, "the year " + std::to_string(year) + " is not valid");
  if (day < 1 || day > DaysInYear(static_cast<int>(year)))
    Fail(file, line,
         "the " + std::string(field) + " " + std::to_string(day) + " does not exist in " +
             std::to_string(year));
}

// A date written as 2002-08-31, 2002/08/31, 31/08/2002, 31-08-2002,
// 31.08.2002 or 20020831. Returns false when the text is none of them.
bool ParseDate(std::string_view t, int64_t& year, int64_t& doy) {
  if (const std::size_t sp = t.find_first_of(" T"); sp != std::string_view::npos && sp >= 8)
    t = t.substr(0, sp);
  int64_t a = 0, b = 0, c = 0;
  int64_t y = 0, m = 0, d = 0;
  const std::size_t s1 = t.find_first_of("-/.");
  if (s1 == std::string_view::npos) {
    if (t.size() != 8 || !ParseWhole(t, a)) return false;
    y = a / 10000, m = a / 100 % 100, d = a % 100;
  } else {
    const std::size_t s2 = t.find(t[s1], s1 + 1);
    if (s2 == std::string_view::npos) return false;
    if (!ParseWhole(t.substr(0, s1), a) || !ParseWhole(t.substr(s1 + 1, s2 - s1 - 1), b) ||
        !ParseWhole(t.substr(s2 + 1), c))
      return false;
    if (s1 == 4)
      y = a, m = b, d = c;
    else
      y = c, m = b, d = a;
  }
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31) return false;
  year = y;
  doy = DayOfYear(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d));
  return doy > 0;
}

// A table with a header line naming its columns: CSV/TSV files, APSIM .met
// and the data sections of DSSAT files share this reader.
class TableReader {
public:
  TableReader(DailyWeather& w, std::string file, WeatherFormat f)
      : w_(w), file_(std::move(file)), format_(f) {}

  void header(const std::vector<std::string_view>& fields, const std::vector<std::string_view>& units,
              int line) {
    cols_.clear();
    bool hasMonth = false;
    for (std::string_view f : fields) {
      std::string n, u;
      SplitHeader(f, n, u);
      hasMonth = hasMonth || n == "month" || n == "mon" || n == "mm";
    }
    std::array<bool, kDailyVarCount> seen{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
      Column c;
      c.spelling = std::string(fields[i]);
      std::string n, u;
      SplitHeader(fields[i], n, u);
      if (u.empty() && i < units.size()) u = Lower(units[i]); // "(hPa)" from a units line
      for (const NameRole& k : kNames)
        if (k.name == n) {
          c.role = k.role;
          c.var = k.var;
          break;
        }
      if (c.role == Role::Day && !hasMonth) c.role = Role::DayOfYear;
      if (c.role == Role::Var || c.role == Role::DewPoint) {
        auto& s = seen[static_cast<std::size_t>(c.var)];
        if (s)
          c.role = Role::Ignore; // the first column of a quantity counts
        else
          s = true;
        if (c.role == Role::Var) c.scale = UnitScale(c.var, u, format_);
      }
      cols_.push_back(c);
    }
    auto count = [&](Role r) {
      return std::count_if(cols_.begin(), cols_.end(), [r](const Column& c) { return c.role == r; });
    };
    const bool byDate = count(Role::Date) > 0;
    const bool byDoy = count(Role::Year) > 0 && count(Role::DayOfYear) > 0;
    const bool byDmy = count(Role::Year) > 0 && count(Role::Month) > 0 && count(Role::Day) > 0;
    if (!byDate && !byDoy && !byDmy)
      Fail(file_, line,
           "the header names no date: a date column, year and day of the year, or day, month "
           "and year were expected");
    for (DailyVar v : {DailyVar::Tmin, DailyVar::Tmax, DailyVar::Rain})
      if (!seen[static_cast<std::size_t>(v)])
        Fail(file_, line, "the header names no column for the " + std::string(DailyVarName(v)));
    w_.columns.clear();
    for (std::size_t i = 0; i < fields.size(); ++i) {
      w_.columns.push_back(cols_[i].spelling);
      if (cols_[i].role == Role::Var || cols_[i].role == Role::DewPoint)
        w_.has[static_cast<std::size_t>(cols_[i].var)] = true;
    }
  }

  bool ready() const { return !cols_.empty(); }

  void row(const std::vector<std::string_view>& fields, int line) {
    if (fields.size() < cols_.size())
      Fail(file_, line,
           std::to_string(cols_.size()) + " fields were expected, found " + std::to_string(fields.size()));
    DailyRow r = EmptyRow();
    int64_t year = 0, doy = 0, day = 0, month = 0;
    bool dated = false;
    for (std::size_t i = 0; i < cols_.size(); ++i) {
      const Column& c = cols_[i];
      const std::string_view t = fields[i];
      auto whole = [&](int64_t& v) {
        double x = 0;
        if (!ParseNumber(t, x) || x != std::floor(x) || std::fabs(x) > 1e7)
          Fail(file_, line,
               "a whole number was expected for " + c.spelling + ", found '" + Printable(t) + "'");
        v = static_cast<int64_t>(x);
      };
      switch (c.role) {
      case Role::Ignore:
        break;
      case Role::Date:
        if (format_ == WeatherFormat::Wth) {
          int64_t v = 0;
          if ((t.size() != 5 && t.size() != 7) || !ParseWhole(t, v))
            Fail(file_, line,
                 "a date YYDDD or YYYYDDD was expected for " + c.spelling + ", found '" + Printable(t) + "'");
          year = v / 1000;
          doy = v % 1000;
          if (t.size() == 5) year += year < 50 ? 2000 : 1900;
          CheckDay(file_, line, year, doy, "day");
        } else if (!ParseDate(t, year, doy)) {
          Fail(file_, line, "a date was expected for " + c.spelling + ", found '" + Printable(t) + "'");
        }
        dated = true;
        break;
      case Role::Year:
        whole(year);
        break;
      case Role::DayOfYear:
        whole(doy);
        break;
      case Role::Day:
        whole(day);
        break;
      case Role::Month:
        whole(month);
        break;
      case Role::Var:
      case Role::DewPoint: {
        double x = kMissing;
        const std::string lt = Lower(t);
        if (!(t.empty() || lt == "na" || lt == "nan" || lt == "?" || lt == "-")) {
          if (!ParseNumber(t, x))
            Fail(file_, line, "a number was expected for " + c.spelling + ", found '" + Printable(t) + "'");
          if (x < kMissingBelow)
            x = kMissing;
          else if (c.role == Role::DewPoint)
            x = SaturationVp(x);
          else
            x *= c.scale;
        }
        r[c.var] = x;
        break;
      }
      }
    }
    if (!dated) {
      if (month != 0 || day != 0) {
        if (month < 1 || month > 12)
          Fail(file_, line, "the month " + std::to_string(month) + " does not exist");
        doy = year >= 1 && year <= 9999 && day >= 1 && day <= 31
                  ? DayOfYear(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day))
                  : 0;
        if (doy == 0)
          Fail(file_, line,
               "the date " + std::to_string(day) + "/" + std::to_string(month) + "/" + std::to_string(year) +
                   " does not exist");
      }
      CheckDay(file_, line, year, doy, "day");
    }
    r.year = static_cast<int32_t>(year);
    r.day = static_cast<int32_t>(doy);
    rows_.push_back({r, line});
  }

  std::vector<NumberedRow>& rows() { return rows_; }

private:
  DailyWeather& w_;
  std::string file_;
  WeatherFormat format_;
  std::vector<Column> cols_;
  std::vector<NumberedRow> rows_;
};

void ReadCsv(DailyWeather& w, std::string_view text, const std::string& file) {
  Lines lines(text);
  TableReader table(w, file, WeatherFormat::Csv);
  std::string_view line;
  char delim = 0; // 0: runs of blanks
  while (lines.next(line)) {
    const std::string_view t = TrimView(line);
    if (t.empty() || t.front() == '#' || t.front() == '!') continue;
    if (!table.ready()) {
      delim = t.find('\t') != std::string_view::npos  ? '\t'
              : t.find(',') != std::string_view::npos ? ','
              : t.find(';') != std::string_view::npos ? ';'
                                                      : 0;
      const auto fields = delim ? SplitOn(t, delim) : SplitBlanks(t);
      table.header(fields, {}, lines.number());
      continue;
    }
    table.row(delim ? SplitOn(t, delim) : SplitBlanks(t), lines.number());
  }
  if (!table.ready()) Fail(file, std::max(lines.number(), 1), "the file holds no header line");
  Finish(w, table.rows(), file);
}

// The number after "key =" up to a blank or a comment.
std::optional<double> ConstantValue(std::string_view value) {
  const auto parts = SplitBlanks(value);
  double v = 0;
  if (!parts.empty() && ParseNumber(parts.front(), v)) return v;
  return std::nullopt;
}

void ReadMet(DailyWeather& w, std::string_view text, const std::string& file) {
  Lines lines(text);
  TableReader table(w, file, WeatherFormat::Met);
  std::string_view line;
  std::vector<std::string_view> names;
  int headerLine = 0;
  while (lines.next(line)) {
    std::string_view t = TrimView(line);
    if (const std::size_t bang = t.find('!'); bang != std::string_view::npos) t = TrimView(t.substr(0, bang));
    if (t.empty() || t.front() == '[') continue;
    if (names.empty()) {
      if (const std::size_t eq = t.find('='); eq != std::string_view::npos) {
        const std::string key = Lower(TrimView(t.substr(0, eq)));
        const std::string_view value = TrimView(t.substr(eq + 1));
        if (key == "latitude" || key == "lat")
          w.latitude = ConstantValue(value);
        else if (key == "elevation" || key == "altitude" || key == "elev")
          w.elevation = ConstantValue(value);
        else if (key == "site" || key == "station" || key == "location" || key == "name")
          w.site = value;
        continue;
      }
      names = SplitBlanks(t);
      headerLine = lines.number();
      continue;
    }
    if (!table.ready()) {
      if (t.front() == '(') { // the units line
        table.header(names, SplitBlanks(t), headerLine);
        continue;
      }
      table.header(names, {}, headerLine);
    }
    table.row(SplitBlanks(t), lines.number());
  }
  if (!table.ready()) {
    if (names.empty()) Fail(file, std::max(lines.number(), 1), "the file holds no column header");
    table.header(names, {}, headerLine);
  }
  Finish(w, table.rows(), file);
}

void ReadWth(DailyWeather& w, std::string_view text, const std::string& file) {
  Lines lines(text);
  TableReader table(w, file, WeatherFormat::Wth);
  std::string_view line;
  std::vector<std::string> siteHeader; // a "@ INSI LAT ..." line waiting for its values
  bool sawTitle = false;
  while (lines.next(line)) {
    const std::string_view t = TrimView(line);
    if (t.empty() || t.front() == '!') continue;
    if (t.front() == '*') {
      const std::string lt = Lower(t);
      if (lt.rfind("*weather", 0) == 0) {
        sawTitle = true;
        if (const std::size_t colon = t.find(':'); colon != std::string_view::npos)
          w.site = std::string(TrimView(t.substr(colon + 1)));
      }
      continue;
    }
    if (t.front() == '@') {
      std::vector<std::string_view> fields = SplitBlanks(t.substr(1));
      bool dated = false;
      for (std::string_view f : fields) dated = dated || Lower(f) == "date";
      if (dated) {
        table.header(fields, {}, lines.number());
        siteHeader.clear();
      } else {
        siteHeader.assign(fields.begin(), fields.end());
      }
      continue;
    }
    if (!siteHeader.empty()) {
      const auto values = SplitBlanks(t);
      for (std::size_t i = 0; i < siteHeader.size() && i < values.size(); ++i) {
        double v = 0;
        if (!ParseNumber(values[i], v) || v < kMissingBelow) continue;
        const std::string key = Lower(siteHeader[i]);
        if (key == "lat")
          w.latitude = v;
        else if (key == "elev")
          w.elevation = v;
      }
      siteHeader.clear();
      continue;
    }
    if (!table.ready()) Fail(file, lines.number(), "a row came before the @DATE header");
    table.row(SplitBlanks(t), lines.number());
  }
  if (!table.ready())
    Fail(file, std::max(lines.number(), 1),
         sawTitle ? "the file holds no @DATE header" : "not a DSSAT weather file");
  Finish(w, table.rows(), file);
}

void ReadCabo(DailyWeather& w, std::string_view text, const std::string& file) {
  Lines lines(text);
  std::string_view line;
  bool site = false;
  std::vector<NumberedRow> rows;
  static constexpr std::string_view kFields[] = {"station",
                                                 "year",
                                                 "day",
                                                 "irradiation",
                                                 "minimum temperature",
                                                 "maximum temperature",
                                                 "vapour pressure",
                                                 "wind speed",
                                                 "precipitation"};
  while (lines.next(line)) {
    const std::string_view t = TrimView(line);
    if (t.empty()) continue;
    if (t.front() == '*') {
      const std::string lt = Lower(t);
      if (const std::size_t s = lt.find("station:"); s != std::string::npos && w.site.empty())
        w.site = std::string(TrimView(t.substr(s + 8)));
      continue;
    }
    const auto f = SplitBlanks(t);
    if (!site) {
      // longitude, latitude, elevation and the Angstrom coefficients
      if (f.size() < 3)
        Fail(file, lines.number(), "the site line (longitude latitude elevation A B) was expected");
      double v[3];
      for (int i = 0; i < 3; ++i)
        if (!ParseNumber(f[static_cast<std::size_t>(i)], v[i]))
          Fail(file, lines.number(),
               std::string("a number was expected for ") +
                   (i == 0   ? "longitude"
                    : i == 1 ? "latitude"
                             : "elevation") +
                   ", found '" + Printable(f[static_cast<std::size_t>(i)]) + "'");
      w.latitude = v[1];
      w.elevation = v[2];
      site = true;
      continue;
    }
    if (f.size() < 9) Fail(file, lines.number(), "9 fields were expected, found " + std::to_string(f.size()));
    double v[9];
    for (std::size_t i = 0; i < 9; ++i)
      if (!ParseNumber(f[i], v[i]))
        Fail(file, lines.number(),
             "a number was expected for " + std::string(kFields[i]) + ", found '" + Printable(f[i]) + "'");
    if (v[0] == -999) continue; // quality rows of the data base, not weather
    for (int i = 1; i <= 2; ++i)
      if (v[i] != std::floor(v[i]) || std::fabs(v[i]) > 1e7)
        Fail(file, lines.number(), "a whole number was expected for " + std::string(kFields[i]));
    CheckDay(file, lines.number(), static_cast<int64_t>(v[1]), static_cast<int64_t>(v[2]), "day");
    DailyRow r = EmptyRow();
    r.year = static_cast<int32_t>(v[1]);
    r.day = static_cast<int32_t>(v[2]);
    auto value = [&](int i, double scale) { return v[i] < kMissingBelow ? kMissing : v[i] * scale; };
    r[DailyVar::Radiation] = value(3, 0.001);
    r[DailyVar::Tmin] = value(4, 1);
    r[DailyVar::Tmax] = value(5, 1);
    r[DailyVar::VapourPressure] = value(6, 1);
    r[DailyVar::Wind] = value(7, 1);
    r[DailyVar::Rain] = value(8, 1);
    rows.push_back({r, lines.number()});
  }
  if (!site)
    Fail(file, std::max(lines.number(), 1), "the site line (longitude latitude elevation A B) is missing");
  for (DailyVar x : {DailyVar::Tmin, DailyVar::Tmax, DailyVar::Rain, DailyVar::Radiation,
                     DailyVar::VapourPressure, DailyVar::Wind})
    w.has[static_cast<std::size_t>(x)] = true;
  w.columns.assign(std::begin(kFields), std::end(kFields));
  Finish(w, rows, file);
}

} // namespace

std::string_view WeatherFormatName(WeatherFormat f) {
  switch (f) {
  case WeatherFormat::Auto:
    return "auto";
  case WeatherFormat::Csv:
    return "csv";
  case WeatherFormat::Cabo:
    return "cabo";
  case WeatherFormat::Met:
    return "met";
  case WeatherFormat::Wth:
    return "wth";
  }
  return "auto";
}

std::optional<WeatherFormat> ParseWeatherFormat(std::string_view name) {
  for (WeatherFormat f :
       {WeatherFormat::Auto, WeatherFormat::Csv, WeatherFormat::Cabo, WeatherFormat::Met, WeatherFormat::Wth})
    if (EqualsIgnoreCase(name, WeatherFormatName(f))) return f;
  return std::nullopt;
}

std::string_view DailyVarName(DailyVar v) {
  static constexpr std::string_view kNamesOf[kDailyVarCount] = {
      "minimum temperature", "maximum temperature", "rain",      "ET0", "radiation",
      "vapour pressure",     "relative humidity",   "wind speed"};
  return kNamesOf[static_cast<std::size_t>(v)];
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }
int DaysInYear(int year) { return IsLeapYear(year) ? 366 : 365; }

namespace {
constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr std::string_view kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
int MonthDays(int year, int month) {
  return kMonthDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}
} // namespace

int DayOfYear(int year, int month, int day) {
  if (month < 1 || month > 12 || day < 1 || day > MonthDays(year, month)) return 0;
  int doy = day;
  for (int m = 1; m < month; ++m) doy += MonthDays(year, m);
  return doy;
}

std::string FormatDate(int year, int dayOfYear) {
  int m = 1, d = dayOfYear;
  while (m < 12 && d > MonthDays(year, m)) d -= MonthDays(year, m++);
  return std::to_string(d) + " " + std::string(kMonthNames[m - 1]) + " " + std::to_string(year);
}

WeatherFormat DetectWeatherFormat(std::string_view text, const std::string& fileName) {
  const std::string ext = Lower(ExtractFileExt(fileName));
  if (ext == ".wth") return WeatherFormat::Wth;
  if (ext == ".met") return WeatherFormat::Met;
  if (ext == ".csv" || ext == ".tsv") return WeatherFormat::Csv;
  Lines lines(text.substr(0, 8192));
  std::string_view line;
  bool comments = false;
  while (lines.next(line)) {
    const std::string_view t = TrimView(line);
    if (t.empty()) continue;
    const std::string lt = Lower(t);
    if (lt.rfind("*weather", 0) == 0 || lt.rfind("@date", 0) == 0) return WeatherFormat::Wth;
    if (lt.front() == '[' && lt.find("weather") != std::string::npos) return WeatherFormat::Met;
    if (lt.front() == '!') continue;
    if (lt.front() == '*') {
      comments = true;
      continue;
    }
    if (lt.find('=') != std::string::npos) return WeatherFormat::Met;
    // A CABO site line: five numbers after the comment block.
    const auto f = SplitBlanks(t);
    double v = 0;
    const bool numeric =
        std::all_of(f.begin(), f.end(), [&](std::string_view s) { return ParseNumber(s, v); });
    if (comments && numeric && f.size() >= 3 && f.size() <= 6) return WeatherFormat::Cabo;
    break;
  }
  return WeatherFormat::Csv;
}

DailyWeather ReadDailyWeatherText(std::string_view text, const std::string& fileName, WeatherFormat format) {
  DailyWeather w;
  if (format == WeatherFormat::Auto) format = DetectWeatherFormat(text, fileName);
  w.format = format;
  switch (format) {
  case WeatherFormat::Cabo:
    ReadCabo(w, text, fileName);
    break;
  case WeatherFormat::Met:
    ReadMet(w, text, fileName);
    break;
  case WeatherFormat::Wth:
    ReadWth(w, text, fileName);
    break;
  default:
    ReadCsv(w, text, fileName);
    break;
  }
  return w;
}

DailyWeather ReadDailyWeather(const std::string& fileName, WeatherFormat format) {
  const std::string text = ReadFileText(fileName);
  return ReadDailyWeatherText(text, fileName, format);
}

void AppendDailyWeather(DailyWeather& into, DailyWeather more) {
  if (into.sources.empty() && into.rows.empty()) {
    into = std::move(more);
    return;
  }
  if (into.site.empty()) into.site = more.site;
  if (!into.latitude) into.latitude = more.latitude;
  if (!into.elevation) into.elevation = more.elevation;
  for (std::size_t i = 0; i < into.has.size(); ++i) into.has[i] = into.has[i] || more.has[i];
  for (const std::string& c : more.columns)
    if (std::find(into.columns.begin(), into.columns.end(), c) == into.columns.end())
      into.columns.push_back(c);
  if (into.format != more.format) into.format = WeatherFormat::Auto;
  const std::size_t firstNew = into.rows.size();
  into.rows.insert(into.rows.end(), more.rows.begin(), more.rows.end());
  into.sources.insert(into.sources.end(), more.sources.begin(), more.sources.end());
  auto before = [](const DailyRow& a, const DailyRow& b) {
    return a.year != b.year ? a.year < b.year : a.day < b.day;
  };
  std::inplace_merge(into.rows.begin(), into.rows.begin() + static_cast<std::ptrdiff_t>(firstNew),
                     into.rows.end(), before);
  for (std::size_t i = 1; i < into.rows.size(); ++i)
    if (!before(into.rows[i - 1], into.rows[i]))
      throw FileError((more.sources.empty() ? std::string("?") : more.sources.front()) + ": " +
                      FormatDate(into.rows[i].year, into.rows[i].day) +
                      " is already in the days read before");
}

} // namespace kelmar
