#include "views/ResultViews.h"

#include <algorithm>

#include "Workspace.h"
#include "calc/Corr.h"
#include "calc/NPK.h"
#include "report/Summary.h"
#include "report/Tables.h"

namespace kelmar::gui {

TRsltView::TRsltView(Workspace& ws, int kind, QWidget* parent) : TTextView(ws, parent), kind_(kind) {
  Refresh();
  resize(fittingSize(25));
}

void TRsltView::setKind(int kind) {
  if (kind == kind_) return;
  kind_ = kind;
  Refresh();
}

QString TRsltView::WindowKey() const { return QStringLiteral("TRsltView_%1").arg(kind_); }
QString TRsltView::title() const { return CoreText(TableTitle(kind_)); }
QString TRsltView::header() const { return CoreText(TableHeader(kind_)); }

QStringList TRsltView::content() const {
  QStringList out;
  const int last = std::min(ws_.state.RangeTill, ws_.scenario.Weeks);
  for (int w = std::max(1, ws_.state.RangeFrom); w <= last; ++w) out << CoreText(TableRow(ws_, w, kind_));
  return out;
}

TSummView::TSummView(Workspace& ws, int kind, QWidget* parent) : TTextView(ws, parent), kind_(kind) {
  Refresh();
  resize(fittingSize(12));
}

QString TSummView::WindowKey() const { return QStringLiteral("TSummView_%1").arg(kind_); }
QString TSummView::title() const { return CoreText(TableTitle(kind_)); }
QString TSummView::header() const { return CoreText(TableHeader(kind_)); }

QStringList TSummView::content() const {
  QStringList out;
  const int n = SummaryCount(ws_);
  for (int r = 1; r <= n; ++r) out << CoreText(SummaryRow(ws_, r, kind_));
  return out;
}

TNPKView::TNPKView(Workspace& ws, QWidget* parent) : TTextView(ws, parent) {
  Refresh();
  resize(fittingSize(16));
}

int TNPKView::PrintKind() const { return kSummaryMineralBalance; }

QStringList TNPKView::content() const {
  QStringList out;
  for (const std::string& l : MineralBalanceLines(ws_)) out << CoreText(l);
  return out;
}

TCorrView::TCorrView(Workspace& ws, QWidget* parent) : TTextView(ws, parent) {
  Refresh();
  resize(fittingSize(19));
}

int TCorrView::PrintKind() const { return kSummaryNmVsNi; }

QStringList TCorrView::content() const {
  QStringList out;
  for (const std::string& l : NmVsNiLines(ws_)) out << CoreText(l);
  return out;
}

} // namespace kelmar::gui
