// Internal rules of the organic-matter decomposition, shared with the tests.
#pragma once

#include <cstdint>

#include "records/RunState.h"

namespace kelmar::model {

// Carbon content [-] of a batch of apparent age `age` (years) when the option
// "Increase C-content organic matter with age" is on: 0.45 up to one year,
// rising linearly to 0.58 at three years. With the option off it is 0.58.
inline double CarbonContentWithAge(double age) {
  if (age <= 1) return 0.45;
  if (age < 3) return (age - 1) * 0.5 * 0.13 + 0.45;
  return 0.58;
}

// The end pool a batch of age `age` (years) belongs to at the end of a run.
inline EndPoolIndex AgeClass(float age) {
  if (age >= 6) return kOldPool;
  if (age >= 2) return kYoungPool;
  return kFreshPool;
}

} // namespace kelmar::model
