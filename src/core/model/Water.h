// Soil-water physics of the two layers: the retention curve and its inverse,
// and the temperature and moisture factors that drive decomposition. Pure
// functions in double precision; the weekly passes round what they store.
#pragma once

namespace kelmar {
struct Workspace;
}

namespace kelmar::model {

// Suction (cm) at which the retention curve of a layer gives the wilting point.
inline constexpr double kWiltSuction = 16000;

// Water content (mm) of a layer of thickness thl (cm) at suction h (cm):
// smo x exp(-gam x (ln h)^2) as a volume fraction, times thl x 10.
double WaterAtSuction(double gam, double thl, double smo, double h);

// Suction (cm) of a layer holding the volume fraction theta: the inverse of
// the retention curve. A fraction at or above saturation (smo) has the
// suction of saturation, 1 cm. gam = 0 has no inverse: the division raises
// the floating-point division-by-zero flag, which fails the run.
double SuctionAtFraction(double gam, double smo, double theta);

// Temperature factor fT of decomposition for the weekly mean temperature
// Tc (degC): 0 below -1, linear to 0.88 at 9, doubling every 9 degrees
// above, 3.52 from 27 on.
double TemperatureFactor(double Tc);

// Moisture factor of decomposition for a layer at pF: 1 up to pF 2.7,
// falling linearly to 0 at pF 4.21 and 0 beyond.
double MoistureFactor(double pF);

// Water-stress factor of crop uptake: 1 up to pF 2.7, then (4.21 - pF) / 1.51
// without a lower limit (a layer drier than pF 4.21 gives a negative factor).
double UptakeStress(double pF);

// The last week record a run pass writes (Weeks + 1). Throws
// std::logic_error when the run window is not set up as the driver does it
// (Weeks in 1..520, RunEnd = RunStart + Weeks - 1): a pass must never touch a
// record past 521.
int LastRunRecord(const Workspace& ws);

} // namespace kelmar::model
