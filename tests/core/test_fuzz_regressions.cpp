// Replays the inputs the fuzzers found, kept in fuzz-regressions/<target>/,
// and the seeds they start from through the fuzz targets' own entry points:
// every check of a target throws here, and the sanitizers of the test build
// watch the rest. The cases after the replay pin down what each fix changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "data/DailyWeather.h"
#include "data/Errors.h"
#include "data/IniFile.h"
#include "data/WeeklyFromDaily.h"
#include "optim/MultiRun.h"
#include "optim/PriceOptions.h"

#define KELMAR_REPLAY(name) extern "C" int KelmarReplay_##name(const uint8_t* data, size_t size);
KELMAR_REPLAY(fuzz_graph_setup)
KELMAR_REPLAY(fuzz_ini)
KELMAR_REPLAY(fuzz_library)
KELMAR_REPLAY(fuzz_model)
KELMAR_REPLAY(fuzz_par)
KELMAR_REPLAY(fuzz_price)
KELMAR_REPLAY(fuzz_scenario)
KELMAR_REPLAY(fuzz_series)
KELMAR_REPLAY(fuzz_sum)
KELMAR_REPLAY(fuzz_weather)
#undef KELMAR_REPLAY

namespace {

namespace fs = std::filesystem;
using Entry = int (*)(const uint8_t*, size_t);

const std::map<std::string, Entry>& Targets() {
  static const std::map<std::string, Entry> targets{
      {"fuzz_graph_setup", KelmarReplay_fuzz_graph_setup},
      {"fuzz_ini", KelmarReplay_fuzz_ini},
      {"fuzz_library", KelmarReplay_fuzz_library},
      {"fuzz_model", KelmarReplay_fuzz_model},
      {"fuzz_par", KelmarReplay_fuzz_par},
      {"fuzz_price", KelmarReplay_fuzz_price},
      {"fuzz_scenario", KelmarReplay_fuzz_scenario},
      {"fuzz_series", KelmarReplay_fuzz_series},
      {"fuzz_sum", KelmarReplay_fuzz_sum},
      {"fuzz_weather", KelmarReplay_fuzz_weather},
  };
  return targets;
}

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Runs every file under root/<target>/ through its target; returns how many.
int ReplayAll(const fs::path& root) {
  int replayed = 0;
  if (!fs::is_directory(root)) return 0;
  for (const auto& dir : fs::directory_iterator(root)) {
    if (!dir.is_directory()) continue;
    const std::string target = dir.path().filename().string();
    const auto it = Targets().find(target);
    if (it == Targets().end()) {
      ADD_FAILURE() << "no fuzz target " << target << " for " << dir.path();
      continue;
    }
    for (const auto& file : fs::directory_iterator(dir.path())) {
      if (!file.is_regular_file()) continue;
      const std::string data = Bytes(file.path());
      EXPECT_NO_THROW(it->second(reinterpret_cast<const uint8_t*>(data.data()), data.size())) << file.path();
      ++replayed;
    }
  }
  return replayed;
}

} // namespace

TEST(FuzzRegressions, KeptFindingsReplayCleanly) {
  ReplayAll(fs::path(KELMAR_TEST_DATA) / "fuzz-regressions");
}

// The seeds are valid inputs of their targets: a format that changes under
// them shows here, not as a fuzzer that quietly stops reaching deep.
TEST(FuzzRegressions, SeedsOfEveryTargetReplayCleanly) {
  EXPECT_GE(ReplayAll(KELMAR_FUZZ_CORPUS), static_cast<int>(Targets().size()));
}

// Weights, tolerance and trial budget of the search as the INI file may hold
// them after a hand edit: what the search cannot use is taken at its limit or
// default, what it can is kept.
TEST(FuzzRegressions, PriceOptionsTheSearchCannotUseAreReplaced) {
  struct Case {
    const char* line;
    int weight; // the weight checked, 0 for none
    float expected;
  } cases[] = {
      {"Weight3=nan", 3, 1.0f},    {"Weight3=-nan", 3, 1.0f}, {"Weight5=inf", 5, 1.0f},
      {"Weight5=1e39", 5, 100.0f}, {"Weight7=-4", 7, 0.01f},  {"Weight7=0", 7, 0.01f},
      {"Weight2=250", 2, 100.0f},  {"Weight2=2.5", 2, 2.5f},  {"Weight9=0.01", 9, 0.01f},
  };
  for (const Case& c : cases) {
    const kelmar::PriceOptions o =
        kelmar::ReadPriceOptions(kelmar::IniFile::FromText(std::string("[Price Options]\n") + c.line + "\n"));
    EXPECT_FLOAT_EQ(o.Weight[c.weight], c.expected) << c.line;
  }

  struct Other {
    const char* text;
    float ftol;
    int trials;
  } others[] = {
      {"Ftol=nan\nNIterPSet=-3", 0.001f, 6},
      {"Ftol=inf\nNIterPSet=99999999999", 0.001f, 6},
      {"Ftol=-0.5\nNIterPSet=0", 0.001f, 0}, // 0: no limit on the trials
      {"Ftol=0.05\nNIterPSet=12", 0.05f, 12},
  };
  for (const Other& c : others) {
    const kelmar::PriceOptions o =
        kelmar::ReadPriceOptions(kelmar::IniFile::FromText(std::string("[Price Options]\n") + c.text + "\n"));
    EXPECT_FLOAT_EQ(o.Ftol, c.ftol) << c.text;
    EXPECT_EQ(o.NIterPSet, c.trials) << c.text;
  }
}

// Two days eight thousand years apart (a mistyped year): every year between
// is unusable, found in time proportional to the years, not their square.
TEST(FuzzRegressions, DailyWeatherOverThousandsOfYearsIsAnalysedQuickly) {
  const std::string text = "Day\tMonth\tYear\tTmin(C)\tTmax(C)\tPrcp(mm)\tEt0(mm)\n"
                           "1\t1\t1976\t3.0\t10.6\t5.1\t0.2\n"
                           "2\t1\t9999\t3.0\t10.6\t5.1\t0.2\n";
  const std::clock_t start = std::clock();
  const kelmar::DailyWeather w = kelmar::ReadDailyWeatherText(text, "span.csv", kelmar::WeatherFormat::Csv);
  const kelmar::WeatherAnalysis a = kelmar::AnalyseWeather(w, kelmar::Et0Method::File, {});
  EXPECT_THROW(kelmar::MakeWeekly(w, a, {}), kelmar::FileError);
  const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;

  ASSERT_EQ(a.unusableYears.size(), 9999u - 1976u + 1u);
  EXPECT_EQ(a.unusableYears.front(), 1976);
  EXPECT_EQ(a.unusableYears.back(), 9999);
  EXPECT_TRUE(std::is_sorted(a.unusableYears.begin(), a.unusableYears.end()));
  EXPECT_FALSE(a.usable(5000));
  EXPECT_LT(seconds, 2.0);
}

// An empty environment directory in the INI file is the data directory, as a
// missing one is; a given one gets its slash.
TEST(FuzzRegressions, MultiRunEnvironmentDirectoryIsNeverEmpty) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "/data/"}, {"EnviDir=\n", "/data/"}, {"EnviDir=/env\n", "/env/"}, {"EnviDir=/env/\n", "/env/"}};
  for (const auto& [line, expected] : cases)
    EXPECT_EQ(kelmar::ReadMultiRunOptions(
                  kelmar::IniFile::FromText(std::string("[MultiRun Options]\n") + line), "/data/")
                  .EnviDir,
              expected)
        << line;
}
