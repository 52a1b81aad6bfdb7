// The editing limits of the values a user types: the type, range and decimals
// of a field, the texts of its refusal, and the columns of the four weekly
// series as their editors show them. Editors read the limits from here, so a
// value outside them cannot reach the scenario by any editor.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "records/Scenario.h"
#include "records/WeekRecord.h"

namespace kelmar {

struct Workspace;

enum class FieldType { Text = 0, Integer = 1, Real = 2 };

struct FieldLimits {
  FieldType type = FieldType::Real;
  double min = 0;
  double max = 0;
  int decimals = 0;

  bool accepts(double v) const { return v >= min && v <= max; }
};

// The refusal of a numeric input field: "Value must be between %g and %g !".
std::string NumInputRangeMessage(double min, double max);
// The refusal of a grid cell: "Value must be between %.*f and %.*f !" with the
// column's decimals.
std::string GridRangeMessage(const FieldLimits& limits);
// A number as a grid cell shows it: fixed notation, 6 significant digits and
// the column's decimals.
std::string GridCellText(const FieldLimits& limits, double v);
// Reads a number typed by the user (either '.' or ',' as the decimal
// separator, blanks around it allowed; an empty text is 0). False when the
// text is not a number or, for an integer field, not a whole number.
bool ParseUserNumber(std::string_view text, FieldType type, double& value);

// One column of a series grid: header, hint, limits, width in pixels and the
// week-record field it shows.
struct SeriesColumn {
  std::string_view header;
  std::string_view hint;
  FieldLimits limits;
  int width;
  float WeekRecord::*field;
};

// The week column every series grid starts with: "Wk", 0..1300.
const SeriesColumn& WeekColumn();
// The data columns of a series ("Temp", "Rain", "ET" for the environment ...).
std::span<const SeriesColumn> SeriesColumns(SeriesKind kind);

// The limits of the three header inputs of a series editor.
inline constexpr FieldLimits kSeriesYearLimits{FieldType::Integer, -2147483647.0, 2147483647.0, 0};
inline constexpr FieldLimits kSeriesWeekLimits{FieldType::Integer, -2147483647.0, 2147483647.0, 0};

// Whether any of the series' fields of week w (1..520) is not 0.
bool SeriesWeekNonZero(const Workspace& ws, SeriesKind kind, int week);

} // namespace kelmar
