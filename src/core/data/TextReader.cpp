#include "data/TextReader.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <sys/stat.h>

#include "data/Errors.h"

namespace kelmar {

TextReader::TextReader(std::string_view buffer, std::string name) : buf_(buffer), name_(std::move(name)) {}

bool TextReader::atLineEnd() const { return pos_ >= buf_.size() || buf_[pos_] == '\r' || buf_[pos_] == '\n'; }

std::string_view TextReader::readChars(std::size_t n) {
  std::size_t start = pos_;
  while (pos_ - start < n && !atLineEnd()) ++pos_;
  return buf_.substr(start, pos_ - start);
}

void TextReader::skipLine() {
  while (!atLineEnd()) ++pos_;
  if (pos_ >= buf_.size()) return;
  if (buf_[pos_] == '\r') {
    ++pos_;
    if (pos_ < buf_.size() && buf_[pos_] == '\n') ++pos_;
  } else {
    ++pos_;
  }
  ++line_;
}

std::string_view TextReader::readLine() {
  std::size_t start = pos_;
  while (!atLineEnd()) ++pos_;
  std::string_view s = buf_.substr(start, pos_ - start);
  skipLine();
  return s;
}

bool TextReader::atEnd() const {
  for (std::size_t i = pos_; i < buf_.size(); ++i) {
    char c = buf_[i];
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  }
  return true;
}

void TextReader::fail(const std::string& message) const {
  throw FileError(name_ + ", line " + std::to_string(line_) + ": " + message);
}

namespace {
std::string Printable(std::string_view s) {
  std::string r;
  for (char c : s.substr(0, 40)) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127) {
      char b[8];
      std::snprintf(b, sizeof b, "\\x%02X", u);
      r += b;
    } else {
      r += c;
    }
  }
  if (s.size() > 40) r += "...";
  return r;
}
} // namespace

std::string_view TextReader::token(std::string_view what) {
  for (;;) {
    if (pos_ >= buf_.size()) fail("unexpected end of file, a number was expected for " + std::string(what));
    char c = buf_[pos_];
    if (c == ' ' || c == '\t') {
      ++pos_;
    } else if (c == '\r' || c == '\n') {
      skipLine();
    } else {
      break;
    }
  }
  std::size_t start = pos_;
  while (pos_ < buf_.size()) {
    char c = buf_[pos_];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') break;
    ++pos_;
  }
  return buf_.substr(start, pos_ - start);
}

double TextReader::readReal(std::string_view what) {
  std::string_view t = token(what);
  std::string_view digits = t;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  double v = 0;
  auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, std::chars_format::general);
  if (digits.empty() || ec != std::errc() || p != digits.data() + digits.size() || !std::isfinite(v))
    fail("a number was expected for " + std::string(what) + ", found '" + Printable(t) + "'");
  return v;
}

float TextReader::readFloat(std::string_view what) {
  double v = readReal(what);
  if (std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max()))
    fail("the value of " + std::string(what) + " is too large");
  return static_cast<float>(v);
}

int32_t TextReader::readInt(std::string_view what) {
  std::string_view t = token(what);
  std::string_view digits = t;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int32_t v = 0;
  auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
  if (digits.empty() || ec != std::errc() || p != digits.data() + digits.size())
    fail("a whole number was expected for " + std::string(what) + ", found '" + Printable(t) + "'");
  return v;
}

int32_t TextReader::readRoundedInt(std::string_view what) {
  double v = readReal(what);
  if (std::fabs(v) > 2.0e9) fail("the value of " + std::string(what) + " is too large");
  return static_cast<int32_t>(std::lround(v));
}

std::string ReadFileText(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw FileError("Cannot open " + path + ": " + std::strerror(errno));
  if (S_ISDIR(st.st_mode)) throw FileError("Cannot open " + path + ": it is a directory");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError("Cannot open " + path + ": " + std::strerror(errno));
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) throw FileError("Error reading " + path);
  return ss.str();
}

} // namespace kelmar
