// The text number format shared by every file and listing the program writes,
// and the small text helpers used throughout.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace kelmar {

struct Options;

inline constexpr std::string_view kCrLf = "\r\n";
// Lines of a printed-listing page, counted from the first line of its header
// block; the empty lines before a header block are not counted.
inline constexpr int kListingPageLines = 58;

// Integer right-aligned in width w; wider values take the room they need.
std::string FmtInt(long long v, int w);
// Real in fixed-point notation with d decimals, right-aligned in width w.
std::string FmtReal(double v, int w, int d);
// Fixed notation with at most `precision` significant digits and exactly
// `decimals` decimals: digits beyond the precision are shown as zeros
// (123456.7 with 6 digits and 2 decimals gives "123457.00"). A value with more
// whole digits than the precision is shown in scientific notation.
std::string FmtFixed(double v, int precision, int decimals);
// "NAN" and "INF" stand for values that are not numbers. The grids of the
// Price sets and of the summary files show their values this way.

// A name right-aligned in a 20-character field (leading blanks).
std::string FmtName(std::string_view name);

std::string TwoDigits(int v);                    // zero-padded
std::string Repeat(char c, int n);               // n copies of c
std::string LeftTrim(std::string_view s);        // leading blanks removed
std::string PadRight(std::string_view s, int w); // blanks appended up to w
std::string Trim(std::string_view s);            // blanks removed on both sides

// The stamp at the end of the first line of every written file: the date as
// d/m/yyyy and two blanks, then hh:mm:ss, each only when its option is on.
std::string OutputStamp(const Options& opt, std::time_t now);
std::string OutputStamp(const Options& opt); // the current local time

// Builds one output line field by field. A number whose text fills or
// overflows its field would otherwise run into the number before it and make
// the line unreadable; such a number gets one blank in front when the line
// does not already end in a blank.
class LineBuilder {
public:
  LineBuilder& text(std::string_view s);
  LineBuilder& integer(long long v, int w);
  LineBuilder& real(double v, int w, int d);
  LineBuilder& name(std::string_view s); // right-aligned in 20 characters
  const std::string& str() const { return line_; }

private:
  void field(const std::string& s, int w);
  std::string line_;
};

// The shared output text: every writer appends lines to it. In a listing
// (printer output) every non-empty line gets a left margin of five blanks.
class OutText {
public:
  explicit OutText(bool listing = false) : listing_(listing) {}
  bool listing() const { return listing_; }
  void line(std::string_view s);
  void emptyLines(int n);
  void formFeed(); // form feed character and a line end
  const std::string& text() const { return text_; }
  std::string& text() { return text_; }

private:
  bool listing_;
  std::string text_;
};

} // namespace kelmar
