// Reads the program's text files from a buffer: fixed-width character fields
// (identifiers, names) and free-format numbers separated by any run of blanks
// or line ends. CR LF, LF and CR alone all end a line. Every failure throws a
// FileError that names the file, the line and what was expected there.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelmar {

class TextReader {
public:
  // `name` is the file name used in messages; the buffer must outlive the reader.
  TextReader(std::string_view buffer, std::string name);

  // Up to n characters of the current line (fewer at its end); the line end
  // itself is not consumed.
  std::string_view readChars(std::size_t n);
  void skipChars(std::size_t n) { readChars(n); }
  // The rest of the current line; moves to the next line.
  std::string_view readLine();
  // Moves past the next line end (or to the end of the buffer).
  void skipLine();
  void skipLines(int n) {
    for (int i = 0; i < n; ++i) skipLine();
  }

  // Free-format numbers: blanks, tabs and line ends before the number are
  // skipped; the number ends at a blank, a tab or a line end and must be
  // whole (no trailing characters). `what` names the field for messages.
  double readReal(std::string_view what);
  float readFloat(std::string_view what); // also fails when |x| exceeds float
  int32_t readInt(std::string_view what);
  // A number rounded to the nearest whole value (week numbers of sparse rows).
  int32_t readRoundedInt(std::string_view what);

  // True at the end of the buffer, or when only blanks and line ends remain.
  bool atEnd() const;
  int lineNumber() const { return line_; }
  const std::string& fileName() const { return name_; }

  [[noreturn]] void fail(const std::string& message) const;

private:
  std::string_view token(std::string_view what);
  bool atLineEnd() const;

  std::string_view buf_;
  std::size_t pos_ = 0;
  int line_ = 1;
  std::string name_;
};

// The whole content of a file; FileError with the system's reason otherwise
// (missing, unreadable, a directory).
std::string ReadFileText(const std::string& path);

} // namespace kelmar
