// Crop development: the four dates of a crop as absolute weeks and the
// development fractions that shape its cover and rooting depth.
#pragma once

#include <cstdint>

namespace kelmar {
struct Crop;
}

namespace kelmar::model {

// The crop's dates as absolute weeks; all four count from the crop's YEAR,
// so a week above 52 lies in a following year.
struct CropWeeks {
  int32_t sow = 0;  // WEEK1
  int32_t fcov = 0; // WEEK2, full cover
  int32_t ripe = 0; // WEEK3
  int32_t harv = 0; // WEEK4
};

CropWeeks AbsCropWeeks(const Crop& crop);

// Development fraction g(w) of the cover in absolute week w (sow <= w <= harv):
// rising linearly from 0 at sowing to 1 at full cover, and after ripening
// falling to one half at harvest.
double DevelopmentFraction(const CropWeeks& c, int32_t w);

// The rooting fraction g'(w): the development fraction without the decline
// after ripening (roots do not shrink).
double RootingFraction(const CropWeeks& c, int32_t w);

} // namespace kelmar::model
