#include "ResultViews.h"

#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "Workspace.h"
#include "calc/Corr.h"
#include "calc/NPK.h"
#include "report/Summary.h"
#include "report/Tables.h"

namespace kelmar::gui {

QFont ResultFont() {
  QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  f.setPointSize(10);
  f.setBold(false);
  return f;
}

QString CoreText(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

TTextView::TTextView(Workspace& ws, QWidget* parent) : TIniForm(parent), ws_(ws) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  header_ = new QLabel(this);
  header_->setObjectName(QStringLiteral("header"));
  header_->setFont(ResultFont());
  header_->setTextFormat(Qt::PlainText);
  header_->setFrameShape(QFrame::Panel);
  header_->setFrameShadow(QFrame::Raised);
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("lines"));
  list_->setFont(ResultFont());
  list_->setUniformItemSizes(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  layout->addWidget(header_);
  layout->addWidget(list_, 1);
  // 60 characters of the size-10 font, as wide as the tables need.
  resize(60 * ResultFont().pointSize(), 400);
}

void TTextView::Refresh() {
  setWindowTitle(title());
  const QString h = header();
  header_->setText(h);
  header_->setVisible(!h.isEmpty());
  list_->setUpdatesEnabled(false);
  list_->clear();
  list_->addItems(content());
  list_->setUpdatesEnabled(true);
}

QString TTextView::headerText() const { return header_->text(); }

QStringList TTextView::lines() const {
  QStringList out;
  for (int i = 0; i < list_->count(); ++i) out << list_->item(i)->text();
  return out;
}

TRsltView::TRsltView(Workspace& ws, int kind, QWidget* parent) : TTextView(ws, parent), kind_(kind) {
  Refresh();
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
  resize(50 * ResultFont().pointSize(), 16 * 20 + 18);
  Refresh();
}

int TNPKView::PrintKind() const { return kSummaryMineralBalance; }

QStringList TNPKView::content() const {
  QStringList out;
  for (const std::string& l : MineralBalanceLines(ws_)) out << CoreText(l);
  return out;
}

TCorrView::TCorrView(Workspace& ws, QWidget* parent) : TTextView(ws, parent) {
  resize(50 * ResultFont().pointSize(), 19 * 20 + 18);
  Refresh();
}

int TCorrView::PrintKind() const { return kSummaryNmVsNi; }

QStringList TCorrView::content() const {
  QStringList out;
  for (const std::string& l : NmVsNiLines(ws_)) out << CoreText(l);
  return out;
}

} // namespace kelmar::gui
