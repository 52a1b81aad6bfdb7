#include "output/OutputRouter.h"

#include <QFileInfo>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "data/FileSystem.h"
#include "data/ScenarioFile.h"
#include "data/SeriesFile.h"
#include "data/TextFormat.h"
#include "dialogs/UserDialogs.h"
#include "documents/DocumentSet.h"
#include "output/Printing.h"
#include "report/Tables.h"
#include "shell/WindowRegistry.h"
#include "views/TextView.h"

namespace kelmar::gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }
QString WithExt(const QString& name, const QString& ext) { return Q(ChangeFileExt(S(name), S(ext))); }
} // namespace

OutputRouter::OutputRouter(Services& s) : s_(s) {}
OutputRouter::~OutputRouter() = default;

QPrinter& OutputRouter::printer() {
  if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *printer_;
}

QString OutputRouter::ChooseOutputFile(const QString& ext, bool extractRange) {
  QString title;
  QString initial;
  if (!s_.docs->SaveRequestFor(ext, extractRange, title, initial)) {
    title = QStringLiteral("Save to *") + ext + QStringLiteral(" file");
    initial = WithExt(Q(s_.ws.scenario.ScenarioFile), ext);
  }
  const QFileInfo fi(initial);
  QString dir = fi.path();
  if (dir.isEmpty() || dir == QLatin1String(".")) dir = Q(s_.ws.state.DataDir);
  QString name = s_.dialogs.saveFile(
      {title, dir, fi.fileName(), QStringLiteral("*") + ext + QStringLiteral(" (*") + ext + QLatin1Char(')'),
       ext.mid(1)});
  if (name.isEmpty()) return {};
  name = WithExt(name, ext);
  return MayReplace(name) ? name : QString();
}

bool OutputRouter::MayReplace(const QString& name) {
  return !QFileInfo::exists(name) ||
         s_.dialogs.ask(BoxType::Warning, Buttons::OkCancel,
                        QStringLiteral("File ") + name + QStringLiteral(" already exists. Replace ?"),
                        QString()) == Answer::Ok;
}

bool OutputRouter::ChoosePrinter(QString& pdf) {
  printer();
  pdf.clear();
  if (!QPrinterInfo::availablePrinters().isEmpty()) return true;
  // No printer on this machine: the printout goes to a PDF file, which is
  // replaced only when the user says so, like any other output file.
  pdf = s_.dialogs.saveFile(
      {QStringLiteral("Print to PDF file"), Q(s_.ws.state.DataDir),
       QFileInfo(WithExt(Q(s_.ws.scenario.ScenarioFile), QStringLiteral(".pdf"))).fileName(),
       QStringLiteral("PDF files (*.pdf)"), QStringLiteral("pdf")});
  return !pdf.isEmpty() && MayReplace(pdf);
}

Output OutputRouter::OpenOutput(bool toPrinter, const QString& ext) {
  Output out;
  if (toPrinter && s_.ws.options.PrntType != 2) {
    out.printer = true;
    out.listing = true;
    out.ok = ChoosePrinter(out.file);
    return out;
  }
  out.file = ChooseOutputFile(ext);
  out.ok = !out.file.isEmpty();
  return out;
}

bool OutputRouter::FinishOutput(const Output& out, const OutText& text) {
  if (!out.ok) return false;
  if (!out.printer) {
    try {
      // Text files keep the single bytes of the tables, so columns stay aligned.
      WriteFileAtomic(S(out.file), text.text());
    } catch (const std::exception& e) {
      s_.dialogs.inform(BoxType::Error,
                        QStringLiteral("Saving ") + out.file + QLatin1Char('\r') + Q(e.what()));
      return false;
    }
    return true;
  }
  QPrinter* p = &printer();
  std::unique_ptr<QPrinter> pdf;
  if (!out.file.isEmpty()) {
    pdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
    pdf->setOutputFormat(QPrinter::PdfFormat);
    // The PDF stands in for the printer: same paper and orientation.
    pdf->setPageLayout(printer_->pageLayout());
    pdf->setOutputFileName(out.file);
    p = pdf.get();
  }
  p->setDocName(QStringLiteral("Kelmar"));
  if (!PrintText(*p, text.text())) {
    s_.dialogs.inform(BoxType::Error, QStringLiteral("The printer could not be started."));
    return false;
  }
  return true;
}

bool OutputRouter::ResultsMayBeStale() {
  if (!s_.docs->hasStatus(kResultsStale)) return true;
  return s_.dialogs.ask(BoxType::Warning, Buttons::OkCancel,
                        QStringLiteral("Results may not be up to date. Continue anyway ?"),
                        QString()) == Answer::Ok;
}

void OutputRouter::PrintData(Doc d) {
  if (d != Doc::Scenario) {
    const SeriesKind k = SeriesOf(d);
    if (!s_.docs->CommitSeriesEditor(k)) return;
    if (CountSeriesData(s_.ws, k) < 1) {
      s_.dialogs.inform(BoxType::Information, Q(NoSeriesDataMessage(k, true)));
      return;
    }
  } else if (!s_.docs->CommitScenarioEditors()) {
    return;
  }
  const Output out = OpenOutput(true, QStringLiteral(".PRN"));
  if (!out.ok) return;
  OutText text(out.listing);
  if (d == Doc::Scenario)
    WriteScenario(s_.ws, text);
  else
    WriteSeries(s_.ws, SeriesOf(d), text, 1, kMaxWeeks);
  FinishOutput(out, text);
}

void OutputRouter::PrintTable(int kind) {
  if (!s_.docs->CommitEditors()) return;
  if (!ResultsMayBeStale()) return;
  // The balance windows are opened first, so that the user sees what is printed.
  const QString shown = kind == kSummaryNmVsNi           ? QStringLiteral("TCorrView")
                        : kind == kSummaryMineralBalance ? QStringLiteral("TNPKView")
                                                         : QString();
  if (!shown.isEmpty() && !s_.windows->find(shown)) s_.windows->show(shown);
  const Output out = OpenOutput(true, QStringLiteral(".PRN"));
  if (!out.ok) return;
  OutText text(out.listing);
  WriteTable(s_.ws, text, kind, s_.ws.state.RangeFrom, s_.ws.state.RangeTill);
  FinishOutput(out, text);
}

void OutputRouter::PrintActive() {
  auto* view = qobject_cast<TTextView*>(s_.windows->active());
  if (!view) return; // the Range dialog and windows without a printout print nothing
  const QString q = QStringLiteral("Print \"") + view->windowTitle() + QStringLiteral("\" ?");
  if (s_.dialogs.ask(BoxType::Confirmation, Buttons::OkCancel, q, QString()) != Answer::Ok) return;
  PrintTable(view->PrintKind());
}

bool OutputRouter::PrintPicture(bool landscape, const std::function<void(QPainter&, QPrinter&)>& draw) {
  QString pdfFile;
  if (!ChoosePrinter(pdfFile)) return false;
  QPrinter* p = &printer();
  const QPageLayout::Orientation before = p->pageLayout().orientation();
  std::unique_ptr<QPrinter> pdf;
  if (!pdfFile.isEmpty()) {
    pdf = std::make_unique<QPrinter>(QPrinter::HighResolution);
    pdf->setOutputFormat(QPrinter::PdfFormat);
    pdf->setPageLayout(printer_->pageLayout());
    pdf->setOutputFileName(pdfFile);
    p = pdf.get();
  }
  p->setDocName(QStringLiteral("Kelmar"));
  p->setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  QPainter painter;
  bool ok = painter.begin(p);
  if (ok) {
    draw(painter, *p);
    ok = painter.end();
  }
  printer_->setPageOrientation(before);
  if (!ok) s_.dialogs.inform(BoxType::Error, QStringLiteral("The printer could not be started."));
  return ok;
}

void OutputRouter::PrinterSetup() {
  QPrintDialog dlg(&printer(), s_.window);
  dlg.setWindowTitle(QStringLiteral("Printer Setup"));
  dlg.exec();
}

} // namespace kelmar::gui
