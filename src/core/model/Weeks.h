// Absolute weeks: the model counts time in weeks of 52-week years.
#pragma once

#include <cstdint>

namespace kelmar {

// (Year - 1) * 52 + Week. Week is not limited to 1..52.
constexpr int32_t AbsWeek(int32_t year, int32_t week) { return (year - 1) * 52 + week; }

// Week of the year of an absolute week: a mod 52, and 52 where that is 0.
constexpr int32_t WeekOfYear(int32_t a) {
  int32_t w = a % 52;
  return w == 0 ? 52 : w;
}

} // namespace kelmar
