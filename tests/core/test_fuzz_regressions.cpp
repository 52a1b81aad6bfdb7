// Replays the inputs the fuzzers found, kept in fuzz-regressions/<target>/,
// and the seeds they start from through the fuzz targets' own entry points:
// every check of a target throws here, and the sanitizers of the test build
// watch the rest. The cases after the replay pin down what each fix changed.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "data/IniFile.h"
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
