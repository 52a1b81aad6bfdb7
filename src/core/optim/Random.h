// The pseudo-random generator of the calibration: a 32-bit linear congruential
// generator, state := state * 134775813 + 1 (mod 2^32). Every draw advances the
// state once, so the sequence of parameter sets is fixed by the seed and the
// order of the draws; a saved state resumes the sequence exactly.
#pragma once

#include <cstdint>

namespace kelmar {

class Random {
public:
  explicit Random(uint32_t seed = 0) : state_(seed) {}

  // The clock seed: milliseconds since midnight UTC,
  // ((hour * 60 + minute) * 60 + second) * 1000 + millisecond.
  static uint32_t ClockSeed();

  void seed(uint32_t s) { state_ = s; }
  uint32_t state() const { return state_; }

  // A real in [0, 1): the new state times 2^-32.
  double real() { return next() * (1.0 / 4294967296.0); }
  // An integer in 0..n-1 (n >= 1): the high 32 bits of the new state times n.
  int32_t integer(int32_t n) {
    const uint64_t s = next();
    return static_cast<int32_t>((s * static_cast<uint64_t>(static_cast<uint32_t>(n))) >> 32);
  }

private:
  uint32_t next() {
    state_ = state_ * 134775813u + 1u;
    return state_;
  }
  uint32_t state_;
};

} // namespace kelmar
