#include "data/FieldLimits.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Workspace.h"
#include "data/TextFormat.h"

namespace kelmar {

std::string NumInputRangeMessage(double min, double max) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "Value must be between %g and %g !", min, max);
  return buf;
}

std::string GridRangeMessage(const FieldLimits& l) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "Value must be between %.*f and %.*f !", l.decimals, l.min, l.decimals,
                l.max);
  return buf;
}

std::string GridCellText(const FieldLimits& l, double v) { return FmtFixed(v, 6, l.decimals); }

bool ParseUserNumber(std::string_view text, FieldType type, double& value) {
  std::string s = Trim(text);
  if (s.empty()) {
    value = 0;
    return true;
  }
  for (char& c : s)
    if (c == ',') c = '.';
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end == s.c_str() || *end != '\0' || !std::isfinite(v)) return false;
  if (type == FieldType::Integer && v != std::floor(v)) return false;
  value = v;
  return true;
}

namespace {

constexpr FieldLimits kEnvLimits{FieldType::Real, -99.9, 999.9, 1};
constexpr FieldLimits kMeasLimits{FieldType::Real, 0, 999.9, 1};
constexpr FieldLimits kOmLimits{FieldType::Real, 0, 999999, 0};

const SeriesColumn kWeek{"Wk", "Week in model range", {FieldType::Integer, 0, 1300, 0}, 32, nullptr};

const std::array<SeriesColumn, 3> kEnvColumns{{
    {"Temp", "Temperature oC", kEnvLimits, 64, &WeekRecord::Tc},
    {"Rain", "Rainfall mm", kEnvLimits, 64, &WeekRecord::Rain},
    {"ET", "Evapotranspiration mm", kEnvLimits, 64, &WeekRecord::ET0},
}};
const std::array<SeriesColumn, 2> kIrrColumns{{
    {"Irr", "Water irrigation mm", kMeasLimits, 64, &WeekRecord::Irr},
    {"NIrr", "N irrigation kg/ha", kMeasLimits, 64, &WeekRecord::NIrr},
}};
const std::array<SeriesColumn, 2> kNminColumns{{
    {"N1", "N mineral topsoil kg/ha", kMeasLimits, 64, &WeekRecord::Ni1},
    {"N2", "N mineral subsoil kg/ha", kMeasLimits, 64, &WeekRecord::Ni2},
}};
const std::array<SeriesColumn, 2> kOmonColumns{{
    {"OM1", "Organic matter kg/ha", kOmLimits, 64, &WeekRecord::OMi},
    {"ON1", "Organic nitrogen kg/ha", kOmLimits, 64, &WeekRecord::ONi},
}};

} // namespace

const SeriesColumn& WeekColumn() { return kWeek; }

std::span<const SeriesColumn> SeriesColumns(SeriesKind kind) {
  switch (kind) {
  case SeriesKind::Environment:
    return kEnvColumns;
  case SeriesKind::Irrigation:
    return kIrrColumns;
  case SeriesKind::Nmineral:
    return kNminColumns;
  case SeriesKind::Omon:
    return kOmonColumns;
  }
  return {};
}

bool SeriesWeekNonZero(const Workspace& ws, SeriesKind kind, int week) {
  if (week < 1 || week > kMaxWeeks) return false;
  const WeekRecord& r = ws.weeks[static_cast<size_t>(week)];
  for (const SeriesColumn& c : SeriesColumns(kind))
    if (r.*c.field != 0) return true;
  return false;
}

} // namespace kelmar
