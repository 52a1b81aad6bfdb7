// Helpers shared by the fuzz targets: splitting one input into several files,
// and the checks that turn a silent fault into a crash the fuzzer keeps.
#pragma once

#include <algorithm>
#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Workspace.h"

namespace kelmar::fuzz {

// One input holds several files separated by a form feed, which none of the
// text formats uses.
inline constexpr char kFileSeparator = '\f';

inline std::vector<std::string_view> SplitFiles(std::string_view text, size_t maxParts) {
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < maxParts) {
    const size_t at = text.find(kFileSeparator);
    if (at == std::string_view::npos) break;
    parts.push_back(text.substr(0, at));
    text.remove_prefix(at + 1);
  }
  parts.push_back(text);
  return parts;
}

// Stops the process with a message the fuzzer's log keeps beside the input.
// Replayed by the tests, the check throws instead, so that the test names it.
[[noreturn]] inline void Fail(const char* what) {
#ifdef KELMAR_FUZZ_REPLAY
  throw std::logic_error(std::string("fuzz check failed: ") + what);
#else
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::fflush(stderr);
  __builtin_trap();
#endif
}

inline void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

// A workspace in the state of a freshly started program, one of two slots
// reused for every input: copying a pristine one made once costs far less
// than making a new one, which would cost more than the reading itself.
inline Workspace& FreshWorkspace(int slot = 0) {
  static const std::unique_ptr<Workspace> pristine = MakeWorkspace();
  static const std::array<std::unique_ptr<Workspace>, 2> slots{MakeWorkspace(), MakeWorkspace()};
  Workspace& ws = *slots.at(static_cast<size_t>(slot));
  ws = *pristine;
  return ws;
}

inline std::string Lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
  return out;
}

// Whether a text shows a number that is not finite: a word "nan" or "inf"
// (any case, any sign) that the input did not bring in itself, as names and
// titles are copied into the texts.
inline bool ShowsNonFinite(std::string_view text, const std::string& lowerInput) {
  const std::string t = Lower(text);
  for (const char* word : {"nan", "inf"}) {
    if (lowerInput.find(word) != std::string::npos) continue;
    for (size_t at = t.find(word); at != std::string::npos; at = t.find(word, at + 1)) {
      const bool startsWord = at == 0 || !std::isalpha(static_cast<unsigned char>(t[at - 1]));
      const size_t end = at + 3;
      const bool endsWord = end >= t.size() || !std::isalpha(static_cast<unsigned char>(t[end])) ||
                            t.compare(end, 5, "inity") == 0;
      if (startsWord && endsWord) return true;
    }
  }
  return false;
}

} // namespace kelmar::fuzz
