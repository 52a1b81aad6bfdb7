// The columns of a crop row and of an application row, described once: the
// scenario file's reader and writer and the library import all go by these
// tables, so a column's label (as read errors name it), field, width and
// decimals cannot drift apart between them.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "data/TextFormat.h"
#include "data/TextReader.h"
#include "records/Scenario.h"

namespace kelmar {

template <typename Row> struct Column {
  std::string_view label;  // as messages name the column
  int table;               // crop table 1..4 of the scenario file (applications: 1)
  int width;               // characters written
  int decimals;            // decimals written; whole numbers have none
  float& (*real)(Row&);    // the field of a real column, else nullptr
  int32_t& (*whole)(Row&); // the field of a whole-number column, else nullptr
  // Older layouts lack some columns: a column is in a layout when its level
  // is at most the layout's (crops: 1 RDepth, 2 Code; applications: the number
  // of reals of the layout's rows, 7 for P2O5% and K2O%, 8 for Nmin%).
  int level = 0;

  float realOf(const Row& r) const { return real(const_cast<Row&>(r)); }
  int32_t wholeOf(const Row& r) const { return whole(const_cast<Row&>(r)); }
};

using CropColumn = Column<Crop>;
using ApplColumn = Column<Application>;

// The 32 crop columns after the name, in file order (tables 1 to 4).
extern const std::array<CropColumn, 32> kCropColumns;
// The 11 application columns after the name, in file order.
extern const std::array<ApplColumn, 11> kApplColumns;

// Reads the column's field; `what` names it in a read error.
template <typename Row>
void ReadColumn(TextReader& r, Row& row, const Column<Row>& col, std::string_view what) {
  if (col.real)
    col.real(row) = r.readFloat(what);
  else
    col.whole(row) = r.readInt(what);
}

template <typename Row> void WriteColumn(LineBuilder& b, const Row& row, const Column<Row>& col) {
  if (col.real)
    b.real(col.realOf(row), col.width, col.decimals);
  else
    b.integer(col.wholeOf(row), col.width);
}

} // namespace kelmar
