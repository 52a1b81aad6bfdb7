#include "data/TextFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Options.h"

namespace kelmar {

namespace {

std::string FixedText(double v, int decimals) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// Decimal exponent of the first significant digit of a nonzero value.
int DecimalExponent(double a) { return static_cast<int>(std::floor(std::log10(a))); }

} // namespace

std::string FmtFixed(double v, int precision, int decimals) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
  precision = std::max(precision, 1);
  decimals = std::max(decimals, 0);
  double a = std::fabs(v);
  std::string s;
  if (a == 0) {
    s = FixedText(0, decimals);
  } else {
    // One rounding, at whichever is coarser: the last significant digit or
    // the last decimal. Rounding up may add a whole digit; then round again.
    int e = DecimalExponent(a);
    int d = 0;
    for (int pass = 0; pass < 2; ++pass) {
      if (e + 1 > precision) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*E", precision - 1, v);
        return buf;
      }
      d = std::min(decimals, std::max(0, precision - 1 - e));
      s = FixedText(v, d);
      double shown = std::fabs(std::strtod(s.c_str(), nullptr));
      if (shown == 0 || DecimalExponent(shown) <= e) break;
      e = DecimalExponent(shown);
    }
    if (d < decimals) {
      if (d == 0) s += '.';
      s.append(static_cast<std::size_t>(decimals - d), '0');
    }
  }
  // A value that rounds to zero is shown without a sign.
  if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::string FmtInt(long long v, int w) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%*lld", w, v);
  return buf;
}

std::string FmtReal(double v, int w, int d) {
  char buf[400];
  std::snprintf(buf, sizeof buf, "%*.*f", w, d, v);
  return buf;
}

std::string FmtName(std::string_view name) {
  if (name.size() >= 20) return std::string(name.substr(0, 20));
  return std::string(20 - name.size(), ' ') + std::string(name);
}

std::string TwoDigits(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

std::string Repeat(char c, int n) { return n > 0 ? std::string(static_cast<size_t>(n), c) : std::string(); }

std::string LeftTrim(std::string_view s) {
  size_t i = s.find_first_not_of(' ');
  return i == std::string_view::npos ? std::string() : std::string(s.substr(i));
}

std::string PadRight(std::string_view s, int w) {
  std::string r(s);
  if (static_cast<int>(r.size()) < w) r.append(static_cast<size_t>(w) - r.size(), ' ');
  return r;
}

std::string Trim(std::string_view s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  size_t e = s.find_last_not_of(' ');
  return std::string(s.substr(b, e - b + 1));
}

std::string OutputStamp(const Options& opt, std::time_t now) {
  std::tm tm{};
  localtime_r(&now, &tm);
  std::string s;
  if (opt.has(kOptIncludeDate))
    s += std::to_string(tm.tm_mday) + "/" + std::to_string(tm.tm_mon + 1) + "/" +
         std::to_string(tm.tm_year + 1900) + "  ";
  if (opt.has(kOptIncludeTime))
    s += TwoDigits(tm.tm_hour) + ":" + TwoDigits(tm.tm_min) + ":" + TwoDigits(tm.tm_sec);
  return s;
}

std::string OutputStamp(const Options& opt) { return OutputStamp(opt, std::time(nullptr)); }

void LineBuilder::field(const std::string& s, int) {
  // Right-aligned text that starts with a digit or sign has filled its field.
  if (!s.empty() && s.front() != ' ' && !line_.empty() && line_.back() != ' ') line_ += ' ';
  line_ += s;
}

LineBuilder& LineBuilder::text(std::string_view s) {
  line_ += s;
  return *this;
}

LineBuilder& LineBuilder::integer(long long v, int w) {
  field(FmtInt(v, w), w);
  return *this;
}

LineBuilder& LineBuilder::real(double v, int w, int d) {
  field(FmtReal(v, w, d), w);
  return *this;
}

LineBuilder& LineBuilder::name(std::string_view s) {
  line_ += FmtName(s);
  return *this;
}

void OutText::line(std::string_view s) {
  if (listing_) text_ += "     ";
  text_ += s;
  text_ += kCrLf;
}

void OutText::emptyLines(int n) {
  for (int i = 0; i < n; ++i) text_ += kCrLf;
}

void OutText::formFeed() {
  text_ += '\f';
  text_ += kCrLf;
}

} // namespace kelmar
