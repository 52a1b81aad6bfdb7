// Option checks of the subcommands as CLI11 validators, and the parsers they
// share with the commands: a value a validator has accepted parses without
// failure. A refused value is a usage error (exit status 2) whose message is
// the option's name, ": " and the text below.
#pragma once

#include <CLI/CLI.hpp>
#include <array>
#include <cstdint>
#include <string>

namespace kelmar::cli {

// A number in decimal or 0x hex up to 0xFFFFFFFF.
bool ParseWord(const std::string& text, uint32_t& out);
// Two numbers separated by sep, e.g. "LOW,HIGH".
bool ParsePair(const std::string& text, char sep, double& a, double& b);
// "FROM-TILL" with 1 <= FROM <= TILL <= 520.
bool ParseWeekRange(const std::string& text, int& from, int& till);
// "I/N" with 1 <= I <= N.
bool ParseShard(const std::string& text, int& shard, int& shards);
// Up to nine weights 0.01..100 separated by commas; w[1..] are set, count is
// the number given.
bool ParseWeights(const std::string& text, std::array<float, 10>& w, int& count);

// "a number (decimal or 0x hex) was expected, found '...'"
CLI::Validator WordCheck();
// "LOW,HIGH was expected, found '...'"
CLI::Validator PairCheck();
// "FROM-TILL with 1 <= FROM <= TILL <= 520 was expected, found '...'"
CLI::Validator WeekRangeCheck();
// "I/N with 1 <= I <= N was expected, found '...'"
CLI::Validator ShardCheck();
// "up to nine weights 0.01..100, separated by commas, were expected, found '...'"
CLI::Validator WeightsCheck();
// Exactly n characters 1 or 0; `expected` is the message, followed by the
// text found when showFound.
CLI::Validator SwitchesCheck(std::size_t n, std::string expected, bool showFound);
// A whole number lo..hi; `expected` names it in the message.
CLI::Validator WholeIn(int lo, int hi, std::string expected);
// A number lo..hi (never NaN); `expected` is the whole message.
CLI::Validator RealIn(double lo, double hi, std::string expected);
// One of the words; `expected` lists them in the message.
CLI::Validator OneOf(std::vector<std::string> words, std::string expected);

} // namespace kelmar::cli
