// Feeds arbitrary bytes to the daily weather readers, then makes the weeks of
// whatever was read. A FileError is the readers' proper answer to bad input;
// std::invalid_argument and WeatherRequestError refuse a method or years the
// data do not allow. Any other exception, crash or sanitizer report is a bug.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "data/DailyWeather.h"
#include "data/Errors.h"
#include "data/WeeklyFromDaily.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kelmar;
  if (size < 1) return 0;
  // First byte: the format (low three bits) and the ET0 method (next two).
  const auto format = static_cast<WeatherFormat>(data[0] % 5);
  const auto method = static_cast<Et0Method>((data[0] >> 3) % 4);
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    const DailyWeather w = ReadDailyWeatherText(text, "fuzz.txt", format);
    const WeatherAnalysis a = AnalyseWeather(w, method, {50.0, 100.0});
    const WeeklyWeather weekly = MakeWeekly(w, a, {});
    WeeklyEnvironmentText(weekly, "FUZZ.ENV");
  } catch (const FileError&) {
  } catch (const WeatherRequestError&) {
  } catch (const std::invalid_argument&) {
  }
  return 0;
}
