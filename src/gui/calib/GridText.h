// The rows of a calibration grid as tab-separated text with the header line,
// for the clipboard and spreadsheets.
#pragma once

#include <QString>

class QTableWidget;

namespace kelmar::gui {

// Every row when `all`, otherwise the rows with a selected cell.
QString GridText(const QTableWidget& grid, bool all);

} // namespace kelmar::gui
