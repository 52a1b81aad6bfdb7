#include "optim/Random.h"

#include <chrono>

namespace kelmar {

uint32_t Random::ClockSeed() {
  using namespace std::chrono;
  const auto now = system_clock::now().time_since_epoch();
  const auto msOfDay = duration_cast<milliseconds>(now).count() % (24LL * 60 * 60 * 1000);
  // hours, minutes, seconds and milliseconds of the UTC day, recombined.
  return static_cast<uint32_t>(msOfDay);
}

} // namespace kelmar
