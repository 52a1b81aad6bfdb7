// Speed of the daily weather import: thirty years of Brussels days read,
// analysed and turned into weekly environment text (three ten-year files).
#include <benchmark/benchmark.h>

#include "data/DailyWeather.h"
#include "data/TextReader.h"
#include "data/WeeklyFromDaily.h"

using namespace kelmar;

namespace {

void BM_ImportThirtyYears(benchmark::State& state) {
  const std::string text = ReadFileText(KELMAR_WEATHER "/brussels/daily/brussels_climate.txt");
  for (auto _ : state) {
    const DailyWeather w = ReadDailyWeatherText(text, "brussels_climate.txt");
    const WeatherAnalysis a = AnalyseWeather(w, Et0Method::File);
    std::size_t bytes = 0;
    for (int from : {1976, 1986, 1996}) {
      WeeklyRequest r;
      r.from = from;
      r.years = 10;
      bytes += WeeklyEnvironmentText(MakeWeekly(w, a, r), "BRUS.ENV").size();
    }
    benchmark::DoNotOptimize(bytes);
  }
}
BENCHMARK(BM_ImportThirtyYears)->Unit(benchmark::kMillisecond);

} // namespace
