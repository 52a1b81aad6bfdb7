// Printed text output: the writers' text, whose pages end in a form feed,
// drawn line by line in a fixed-pitch font on a printer or a PDF file.
#pragma once

#include <QFont>
#include <QStringList>
#include <string>
#include <vector>

class QPrinter;

namespace kelmar::gui {

// "Courier New" 10, or the closest fixed-pitch font the system has.
QFont PrinterFont();

// The pages of a text: split at form feeds; CR LF line ends. A form feed is
// followed by a line end that belongs to it, not to the next page.
std::vector<QStringList> SplitPages(const std::string& text);

// Draws the text on the printer, one printer page per page of the text (a
// page longer than the paper continues on the next sheet). False when the
// printer could not be started.
bool PrintText(QPrinter& printer, const std::string& text);

} // namespace kelmar::gui
