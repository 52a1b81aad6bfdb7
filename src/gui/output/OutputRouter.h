// Where printed output goes: the printer (or, on a machine without one, a
// PDF file set up like the printer) or a text file. The print commands of the
// Print menu and the printer setup live here too.
#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "Workspace.h"
#include "shell/Services.h"

class QPainter;
class QPrinter;

namespace kelmar {
class OutText;
}

namespace kelmar::gui {

// Where a printout or saved text goes.
struct Output {
  bool ok = false;      // false: nothing chosen, nothing is written
  bool printer = false; // to the printer (or a PDF file standing in for it)
  bool listing = false; // the writers' printed form: margin and pages
  QString file;         // the text file, or the PDF file of the printer
};

class OutputRouter {
public:
  explicit OutputRouter(Services& s);
  ~OutputRouter();

  // Asks for the name of a file to write with extension `ext` (which
  // replaces any typed one) and, for an existing file, whether to replace
  // it. Empty when cancelled. extractRange: the title names the range.
  QString ChooseOutputFile(const QString& ext, bool extractRange = false);
  Output OpenOutput(bool toPrinter, const QString& ext);
  // Writes the text to the chosen target; false (after a message) on failure.
  bool FinishOutput(const Output& out, const OutText& text);
  // True when the results are current or the user prints them anyway.
  bool ResultsMayBeStale();

  void PrintData(Doc d);
  void PrintTable(int kind);
  // Print: what the active window shows, after a confirmation.
  void PrintActive();
  void PrinterSetup();
  // Draws a picture on one printer page (or the PDF file standing in for the
  // printer) in the given orientation; the printer keeps its own orientation
  // afterwards. False when nothing was printed (cancelled or failed, the
  // failure reported).
  bool PrintPicture(bool landscape, const std::function<void(QPainter&, QPrinter&)>& draw);
  // The printer and its setup (orientation, paper), created on first use.
  QPrinter& printer();

private:
  // "File ... already exists. Replace ?" for an existing file.
  bool MayReplace(const QString& name);
  // Where printer output goes: ok false when cancelled; `pdf` names the
  // file that stands in for a missing printer.
  bool ChoosePrinter(QString& pdf);
  Services& s_;
  std::unique_ptr<QPrinter> printer_;
};

} // namespace kelmar::gui
