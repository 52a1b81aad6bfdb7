// A name of at most N characters stored inline, so that records holding names
// can be copied and exchanged without touching the heap (a model run sorts and
// copies crop records and must not allocate).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace kelmar {

template <std::size_t N> class FixedString {
public:
  FixedString() = default;
  FixedString(std::string_view s) { assign(s); } // NOLINT: implicit by design
  FixedString(const char* s) { assign(s); }      // NOLINT: implicit by design

  // Longer text is cut to N characters, as a fixed-width file field is.
  void assign(std::string_view s) {
    len_ = std::min(s.size(), N);
    std::copy_n(s.data(), len_, buf_.data());
  }
  FixedString& operator=(std::string_view s) {
    assign(s);
    return *this;
  }
  FixedString& operator=(const char* s) {
    assign(s);
    return *this;
  }

  std::string_view view() const { return {buf_.data(), len_}; }
  operator std::string_view() const { return view(); } // NOLINT
  std::string str() const { return std::string(view()); }
  std::size_t size() const { return len_; }
  bool empty() const { return len_ == 0; }
  static constexpr std::size_t capacity() { return N; }

  friend bool operator==(const FixedString& a, const FixedString& b) { return a.view() == b.view(); }
  friend bool operator==(const FixedString& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const FixedString& a, const char* b) { return a.view() == std::string_view(b); }

private:
  std::array<char, N> buf_{};
  std::size_t len_ = 0;
};

using Name20 = FixedString<20>;

} // namespace kelmar
