#include <gtest/gtest.h>

#include "Options.h"
#include "data/Errors.h"
#include "data/TextFormat.h"
#include "data/TextReader.h"

using namespace kelmar;

TEST(TextFormat, NumbersRightAlignedAndWidening) {
  EXPECT_EQ(FmtInt(42, 5), "   42");
  EXPECT_EQ(FmtInt(1234567, 3), "1234567");
  EXPECT_EQ(FmtReal(0.3f, 6, 2), "  0.30");
  EXPECT_EQ(FmtReal(94000, 7, 0), "  94000");
  EXPECT_EQ(FmtReal(12345.678, 6, 2), "12345.68");
  EXPECT_EQ(FmtName("fine sand"), "           fine sand");
}

TEST(TextFormat, FullFieldNumberNeverJoinsThePreviousOne) {
  // NGW 100.00 fills 6:2 exactly; written bare it would read as one number.
  LineBuilder b;
  b.real(38, 6, 0).real(130, 6, 1).real(100, 6, 2);
  EXPECT_EQ(b.str(), "    38 130.0 100.00");
  LineBuilder unambiguous;
  unambiguous.real(38, 6, 0).real(130, 6, 1).real(10, 6, 2);
  EXPECT_EQ(unambiguous.str(), "    38 130.0 10.00");
  LineBuilder first;
  first.integer(123456, 6);
  EXPECT_EQ(first.str(), "123456");
}

TEST(TextFormat, StampFollowsDateAndTimeOptions) {
  std::tm tm{};
  tm.tm_year = 2026 - 1900;
  tm.tm_mon = 11;
  tm.tm_mday = 5;
  tm.tm_hour = 14;
  tm.tm_min = 3;
  tm.tm_sec = 9;
  tm.tm_isdst = -1;
  std::time_t t = std::mktime(&tm);
  Options o;
  EXPECT_EQ(OutputStamp(o, t), "");
  o.KelmOpti = kOptIncludeDate | kOptIncludeTime;
  EXPECT_EQ(OutputStamp(o, t), "5/12/2026  14:03:09");
  o.KelmOpti = kOptIncludeTime;
  EXPECT_EQ(OutputStamp(o, t), "14:03:09");
}

TEST(TextReader, FreeFormatAcrossAllLineEnds) {
  for (std::string eol : {"\r\n", "\n", "\r"}) {
    std::string text = "Kelmar 459 Data File    rest" + eol + "  1  2.5" + eol + eol + " -3" + eol;
    TextReader r(text, "x.dat");
    EXPECT_EQ(r.readChars(20), "Kelmar 459 Data File");
    r.skipLine();
    EXPECT_EQ(r.readInt("a"), 1);
    EXPECT_DOUBLE_EQ(r.readReal("b"), 2.5);
    EXPECT_EQ(r.readInt("c"), -3);
    EXPECT_EQ(r.lineNumber(), 4);
    EXPECT_TRUE(r.atEnd());
  }
}

TEST(TextReader, ErrorsNameFileLineAndField) {
  std::string text = "line one\r\n 1729cats\r\n";
  TextReader r(text, "crops.dat");
  r.skipLine();
  try {
    r.readReal("PRODi");
    FAIL() << "a number with trailing text must not be accepted";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "crops.dat, line 2: a number was expected for PRODi, found '1729cats'");
  }
  TextReader end("", "e.dat");
  EXPECT_THROW(end.readInt("Year"), FileError);
  std::string huge = "1e300";
  TextReader big(huge, "b.dat");
  EXPECT_THROW(big.readFloat("QUANT"), FileError);
  std::string fractional = "12.5";
  TextReader intr(fractional, "i.dat");
  EXPECT_THROW(intr.readInt("YEAR"), FileError);
}

TEST(TextReader, FixedFieldsStopAtLineEnd) {
  std::string text = "short\r\nnext";
  TextReader r(text, "n");
  EXPECT_EQ(r.readChars(20), "short");
  EXPECT_EQ(r.readChars(20), "");
  r.skipLine();
  EXPECT_EQ(r.readLine(), "next");
  EXPECT_TRUE(r.atEnd());
}
