#include "Validators.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "data/TextFormat.h"

namespace kelmar::cli {

namespace {

bool ParseNumber(const std::string& text, double& v) {
  try {
    std::size_t used = 0;
    v = std::stod(text, &used);
    return used == text.size();
  } catch (...) {
    return false;
  }
}

bool ParseWhole(const std::string& text, int& v) {
  try {
    std::size_t used = 0;
    v = std::stoi(text, &used);
    return used == text.size();
  } catch (...) {
    return false;
  }
}

std::string Found(const std::string& expected, const std::string& text) {
  return expected + " was expected, found '" + text + "'";
}

} // namespace

bool ParseWord(const std::string& text, uint32_t& out) {
  try {
    std::size_t used = 0;
    unsigned long v = std::stoul(text, &used, 0);
    if (used != text.size() || v > 0xFFFFFFFFul) return false;
    out = static_cast<uint32_t>(v);
    return true;
  } catch (...) {
    return false;
  }
}

bool ParsePair(const std::string& text, char sep, double& a, double& b) {
  auto i = text.find(sep);
  return i != std::string::npos && ParseNumber(text.substr(0, i), a) && ParseNumber(text.substr(i + 1), b);
}

bool ParseWeekRange(const std::string& text, int& from, int& till) {
  double a = 0, b = 0;
  if (!ParsePair(text, '-', a, b) || a != static_cast<int>(a) || b != static_cast<int>(b) || a < 1 ||
      b > 520 || a > b)
    return false;
  from = static_cast<int>(a);
  till = static_cast<int>(b);
  return true;
}

bool ParseShard(const std::string& text, int& shard, int& shards) {
  auto i = text.find('/');
  return i != std::string::npos && ParseWhole(text.substr(0, i), shard) &&
         ParseWhole(text.substr(i + 1), shards) && shards >= 1 && shard >= 1 && shard <= shards;
}

bool ParseWeights(const std::string& text, std::array<float, 10>& w, int& count) {
  std::stringstream in(text);
  std::string item;
  count = 0;
  while (std::getline(in, item, ',')) {
    double v = 0;
    if (++count > 9 || !ParseNumber(Trim(item), v) || v < 0.01 || v > 100) return false;
    w[static_cast<std::size_t>(count)] = static_cast<float>(v);
  }
  return true;
}

CLI::Validator WordCheck() {
  return {[](std::string& t) {
            uint32_t v = 0;
            return ParseWord(t, v) ? std::string() : Found("a number (decimal or 0x hex)", t);
          },
          "N", "word"};
}

CLI::Validator PairCheck() {
  return {[](std::string& t) {
            double a = 0, b = 0;
            return ParsePair(t, ',', a, b) ? std::string() : Found("LOW,HIGH", t);
          },
          "LOW,HIGH", "pair"};
}

CLI::Validator WeekRangeCheck() {
  return {[](std::string& t) {
            int a = 0, b = 0;
            return ParseWeekRange(t, a, b) ? std::string()
                                           : Found("FROM-TILL with 1 <= FROM <= TILL <= 520", t);
          },
          "FROM-TILL", "weeks"};
}

CLI::Validator ShardCheck() {
  return {[](std::string& t) {
            int a = 0, b = 0;
            return ParseShard(t, a, b) ? std::string() : Found("I/N with 1 <= I <= N", t);
          },
          "I/N", "shard"};
}

CLI::Validator WeightsCheck() {
  return {[](std::string& t) {
            std::array<float, 10> w{};
            int n = 0;
            if (!ParseWeights(t, w, n))
              return "up to nine weights 0.01..100, separated by commas, were expected, found '" + t + "'";
            return n == 0 ? std::string("at least one weight was expected") : std::string();
          },
          "W1,...", "weights"};
}

CLI::Validator SwitchesCheck(std::size_t n, std::string expected, bool showFound) {
  return {[n, expected, showFound](std::string& t) {
            if (t.size() == n && t.find_first_not_of("01") == std::string::npos) return std::string();
            return showFound ? expected + ", found '" + t + "'" : expected;
          },
          "SWITCHES", "switches"};
}

CLI::Validator WholeIn(int lo, int hi, std::string expected) {
  return {[lo, hi, expected](std::string& t) {
            int v = 0;
            return ParseWhole(t, v) && v >= lo && v <= hi ? std::string()
                                                          : expected + " was expected, found " + t;
          },
          "INT", "whole"};
}

CLI::Validator RealIn(double lo, double hi, std::string expected) {
  return {[lo, hi, expected](std::string& t) {
            double v = 0;
            return ParseNumber(t, v) && v >= lo && v <= hi ? std::string() : expected;
          },
          "X", "real"};
}

CLI::Validator OneOf(std::vector<std::string> words, std::string expected) {
  return {[words, expected](std::string& t) {
            return std::find(words.begin(), words.end(), t) != words.end() ? std::string()
                                                                           : Found(expected, t);
          },
          "WORD", "word"};
}

} // namespace kelmar::cli
