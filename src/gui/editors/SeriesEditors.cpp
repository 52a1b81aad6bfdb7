#include "editors/SeriesEditors.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "data/FileSystem.h"
#include "data/TextFormat.h"
#include "dialogs/UserDialogs.h"
#include "documents/DocumentSet.h"
#include "shell/WindowRegistry.h"
#include "views/InfoView.h"
#include "widgets/Grid.h"
#include "widgets/NumInput.h"

namespace kelmar::gui {

namespace {

struct EditorTexts {
  const char* cls;
  const char* caption; // the file name follows
  const char* load;    // hint of Load
  const char* save;    // hint of Save As
  const char* last;    // hint of Last
};

const EditorTexts& TextsOf(SeriesKind k) {
  static const EditorTexts t[4] = {
      {"TEnviDialog", "Environment: ", "Load environment", "Save environment", "Goto last record"},
      {"TIrriDialog", "Irrigation: ", "Load irrigation", "Save irrigation", "Go to last record"},
      {"TNminDialog", "NMineral: ", "Load N-mineral", "Save N-mineral", "Go to last record"},
      {"TOmonDialog", "Organic Matter: ", "Load Organic Matter", "Save Organic Matter", "Go to last record"},
  };
  return t[static_cast<int>(k)];
}

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

} // namespace

QString SeriesEditorClass(SeriesKind kind) { return QString::fromLatin1(TextsOf(kind).cls); }

TSeriesEditor::TSeriesEditor(Services& s, SeriesKind kind, QWidget* parent)
    : TEditorBase(s, DocOf(kind), parent), kind_(kind), columns_(SeriesColumns(kind)) {
  const EditorTexts& t = TextsOf(kind);

  addCommand(QStringLiteral("SBLoad"), QStringLiteral("&Load..."), QString::fromLatin1(t.load),
             [this] { s_.docs->SeriesLoad(kind_); });
  addCommand(QStringLiteral("SBSaveAs"), QStringLiteral("&Save As..."), QString::fromLatin1(t.save),
             [this] { s_.docs->SeriesSaveAs(kind_); });
  addCommand(QStringLiteral("SBClose"), QStringLiteral("Cl&ose"), QStringLiteral("Close dialog"),
             [this] { closeWindow(); });
  addSeparator();
  addCommand(QStringLiteral("SBCopy"), QStringLiteral("&Copy"), QStringLiteral("Copy record(s)"),
             [this] { Copy(); });
  addCommand(QStringLiteral("SBPaste"), QStringLiteral("Pas&te"), QStringLiteral("Paste record(s)"),
             [this] { Paste(); });
  addCommand(QStringLiteral("SBUndo"), QStringLiteral("&Undo"),
             QStringLiteral("Undo the changes since the last apply"), [this] { Undo(); });
  addSeparator();
  addCommand(QStringLiteral("SBNext"), QStringLiteral("&Next"), QStringLiteral("Go to next record"),
             [this] { Next(); });
  addCommand(QStringLiteral("SBLast"), QStringLiteral("L&ast"), QString::fromLatin1(t.last),
             [this] { Last(); });
  addCommand(QStringLiteral("SBSelWeek"), QStringLiteral("Select &week..."), QStringLiteral("Select week"),
             [this] { SelectWeek(); });

  title_ = new QLineEdit(this);
  title_->setObjectName(QStringLiteral("Title"));
  year_ = new TzkNumInp(s_.dialogs, this);
  year_->setObjectName(QStringLiteral("Year"));
  week_ = new TzkNumInp(s_.dialogs, this);
  week_->setObjectName(QStringLiteral("Week"));
  for (TzkNumInp* in : {year_, week_}) {
    in->setDigits(12);
    in->setLimits(in == year_ ? kSeriesYearLimits : kSeriesWeekLimits);
    in->setMaximumWidth(60);
    connect(in, &QLineEdit::textEdited, this, [this] { setModified(true); });
  }
  connect(title_, &QLineEdit::textEdited, this, [this] { setModified(true); });
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("Status"));
  status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  status_->setMinimumWidth(90);

  model_ = new GridModel(this);
  std::vector<GridColumn> cols;
  const SeriesColumn& wk = WeekColumn();
  cols.push_back({Q(wk.header), Q(wk.hint), wk.limits, wk.width, [](int row) { return double(row + 1); }});
  for (const SeriesColumn& c : columns_) {
    float WeekRecord::*field = c.field;
    Workspace& ws = s_.ws;
    cols.push_back({Q(c.header), Q(c.hint), c.limits, c.width,
                    [&ws, field](int row) { return double(ws.weeks[static_cast<size_t>(row + 1)].*field); },
                    [&ws, field](int row, double v) {
                      ws.weeks[static_cast<size_t>(row + 1)].*field = static_cast<float>(v);
                    }});
  }
  model_->setRowSource([] { return kMaxWeeks; });
  model_->setColumns(std::move(cols));
  grid_ = new GridView(s_.dialogs, this);
  grid_->setObjectName(QStringLiteral("Grid"));
  grid_->setGridModel(model_);
  grid_->setFixedColumns(1);
  connect(model_, &GridModel::cellEdited, this, [this] { markEdited(); });
  connect(grid_->delegate(), &GridDelegate::cellTextEdited, this, [this] { setModified(true); });
  connect(grid_, &GridView::currentRowChanged, this, [this](int row) {
    s_.ws.scenario.series(kind_).InsertWeek = row + 1;
    if (refreshing_) return;
    // The week picked here is the week the info window shows.
    s_.ws.state.InfoWeek = row + 1;
    if (auto* info = s_.windows ? s_.windows->get<TInfoView>(QStringLiteral("TInfoView")) : nullptr)
      info->Refresh();
  });
  connect(grid_, &GridView::focusLeft, this, [this] {
    if (modified() && Validate()) Apply();
  });
  speedBar()->addWidget(grid_->lockButton());

  auto* top = new QHBoxLayout;
  auto* tl = new QLabel(QStringLiteral("T&itle"), this);
  tl->setBuddy(title_);
  auto* yl = new QLabel(QStringLiteral("&Year"), this);
  yl->setBuddy(year_);
  auto* wl = new QLabel(QStringLiteral("&Week"), this);
  wl->setBuddy(week_);
  top->addWidget(tl);
  top->addWidget(title_, 1);
  top->addWidget(yl);
  top->addWidget(year_);
  top->addWidget(wl);
  top->addWidget(week_);
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(4, 0, 4, 4);
  v->setSpacing(4);
  v->addWidget(speedBar());
  v->addLayout(top);
  v->addWidget(status_);
  v->addWidget(grid_, 1);

  int w = 0;
  for (int c = 0; c < model_->columnCountTotal(); ++c) w += model_->column(c).width;
  resize(std::max(w + 60, 430), 420);
  Refresh();
}

int TSeriesEditor::currentWeek() const { return std::max(0, grid_->currentRow()) + 1; }

void TSeriesEditor::goToWeek(int week) { grid_->goToRow(std::clamp(week, 1, kMaxWeeks) - 1); }

QString TSeriesEditor::statusText() const { return status_->text(); }

void TSeriesEditor::setStatus(int count) {
  status_->setText(QString::number(count) + QStringLiteral(" records"));
}

void TSeriesEditor::Refresh() {
  const SeriesHeader& h = s_.ws.scenario.series(kind_);
  // A file of the data directory is named without its directory.
  QString name = QString::fromStdString(h.FileName);
  if (!h.FileName.empty() && ExtractFilePath(h.FileName) == s_.ws.state.DataDir)
    name = QString::fromStdString(ExtractFileName(h.FileName));
  setWindowTitle(QString::fromLatin1(TextsOf(kind_).caption) + name);
  title_->setText(QString::fromStdString(Trim(h.Name.view())));
  year_->setValue(h.Year);
  week_->setValue(h.Week);
  if (GridCellEdit* e = grid_->openEditor()) {
    e->setText(model_->data(grid_->currentIndex()).toString());
    grid_->commitEditing();
  }
  refreshing_ = true;
  const int insert = h.InsertWeek;
  model_->reload();
  goToWeek(insert >= 1 && insert <= kMaxWeeks ? insert : 1);
  refreshing_ = false;
  setStatus(h.Count);
  takeSnapshot();
  TEditorBase::Refresh();
}

void TSeriesEditor::Apply() {
  grid_->commitEditing();
  SeriesHeader& h = s_.ws.scenario.series(kind_);
  h.Name = PadRight(LeftTrim(title_->text().toStdString()), kNameWidth);
  if (year_->check()) h.Year = static_cast<int32_t>(year_->value());
  if (week_->check()) h.Week = static_cast<int32_t>(week_->value());
  markEdited();
  takeSnapshot();
  TEditorBase::Apply();
}

void TSeriesEditor::takeSnapshot() {
  snapshot_.values.resize(kMaxWeeks);
  for (int w = 1; w <= kMaxWeeks; ++w)
    for (size_t c = 0; c < columns_.size(); ++c)
      snapshot_.values[static_cast<size_t>(w - 1)][c] =
          s_.ws.weeks[static_cast<size_t>(w)].*columns_[c].field;
  snapshot_.header = s_.ws.scenario.series(kind_);
}

void TSeriesEditor::Undo() {
  // An open cell editor is abandoned with the rest.
  if (GridCellEdit* e = grid_->openEditor()) {
    e->setText(model_->data(grid_->currentIndex()).toString());
    grid_->commitEditing();
  }
  for (int w = 1; w <= kMaxWeeks; ++w)
    for (size_t c = 0; c < columns_.size(); ++c)
      s_.ws.weeks[static_cast<size_t>(w)].*columns_[c].field =
          snapshot_.values[static_cast<size_t>(w - 1)][c];
  const int insert = currentWeek();
  s_.ws.scenario.series(kind_) = snapshot_.header;
  s_.ws.scenario.series(kind_).InsertWeek = insert;
  Refresh();
}

void TSeriesEditor::Copy() {
  if (!grid_->commitEditing()) return;
  clipboard_.clear();
  QStringList header{model_->column(0).header};
  for (int c = 1; c < model_->columnCountTotal(); ++c) header << model_->column(c).header;
  QString sheet = header.join(QLatin1Char('\t')) + QLatin1Char('\n');
  for (int row : grid_->selectedRowSpan()) {
    QStringList line{QString::number(row + 1)};
    for (int c = 1; c < model_->columnCountTotal(); ++c) {
      const QString t = model_->data(model_->index(row, c)).toString();
      clipboard_ << t;
      line << t;
    }
    sheet += line.join(QLatin1Char('\t')) + QLatin1Char('\n');
  }
  sheetText_ = sheet;
  if (QClipboard* cb = QGuiApplication::clipboard()) cb->setText(sheet);
}

QStringList TSeriesEditor::pasteTexts(bool& fromSheet) const {
  fromSheet = false;
  const QClipboard* cb = QGuiApplication::clipboard();
  const QString sys = cb ? cb->text() : QString();
  if (sys.trimmed().isEmpty() || sys == sheetText_) return clipboard_;
  fromSheet = true;
  QStringList texts;
  bool dropWeek = false;
  bool first = true;
  for (QString line : sys.split(QLatin1Char('\n'))) {
    line.remove(QLatin1Char('\r'));
    if (line.trimmed().isEmpty()) continue;
    QStringList cells = line.split(QLatin1Char('\t'));
    if (first) {
      first = false;
      // A header line names the columns; ours starts with the week column.
      const bool header = std::any_of(cells.cbegin(), cells.cend(), [](const QString& c) {
        double v = 0;
        return !ParseUserNumber(c.toStdString(), FieldType::Real, v);
      });
      if (header) {
        dropWeek = cells.value(0).trimmed() == model_->column(0).header;
        continue;
      }
    }
    if (dropWeek) cells.removeFirst();
    for (const QString& c : cells) texts << c.trimmed();
  }
  return texts;
}

void TSeriesEditor::Paste() {
  if (modified()) {
    if (!Validate()) return;
    Apply();
  }
  bool fromSheet = false;
  const QStringList texts = pasteTexts(fromSheet);
  if (texts.isEmpty()) return;
  const int n = static_cast<int>(columns_.size());
  const int start = currentWeek();
  // Every value is checked before any is stored: a refused one leaves the
  // series as it was.
  struct Put {
    int week;
    int col;
    double v;
  };
  std::vector<Put> puts;
  qsizetype i = 0;
  for (int w = start; i < texts.size() && w <= kMaxWeeks; ++w) {
    for (int c = 0; c < n && i < texts.size(); ++c, ++i) {
      if (const std::optional<QString> msg = model_->refusal(c + 1, texts[i])) {
        goToWeek(w);
        s_.dialogs.inform(BoxType::Plain, *msg);
        return;
      }
      double v = 0;
      ParseUserNumber(texts[i].toStdString(), FieldType::Real, v);
      puts.push_back({w, c, v});
    }
  }
  for (const Put& p : puts)
    s_.ws.weeks[static_cast<size_t>(p.week)].*columns_[static_cast<size_t>(p.col)].field =
        static_cast<float>(p.v);
  // Pasted weeks are new input: the document is unsaved and the results
  // are stale.
  s_.ws.state.DocStatus &= ~SavedBit(kind_);
  s_.ws.state.DocStatus |= kResultsStale;
  s_.ws.scenario.series(kind_).InsertWeek = start;
  Refresh();
  if (s_.scheduleIdle) s_.scheduleIdle();
}

void TSeriesEditor::Next() {
  const int from = std::max(0, s_.ws.scenario.series(kind_).InsertWeek);
  for (int w = from + 1; w <= kMaxWeeks; ++w) {
    if (SeriesWeekNonZero(s_.ws, kind_, w)) {
      goToWeek(w);
      return;
    }
  }
  goToWeek(1);
}

void TSeriesEditor::Last() {
  int count = 0;
  int last = 0;
  for (int w = 1; w <= kMaxWeeks; ++w) {
    if (!SeriesWeekNonZero(s_.ws, kind_, w)) continue;
    ++count;
    last = w;
  }
  // The environment counts up to its last week with data; the measured
  // series count their weeks with data.
  s_.ws.scenario.series(kind_).Count = kind_ == SeriesKind::Environment ? last : count;
  goToWeek(last > 0 ? last : 1);
  setStatus(s_.ws.scenario.series(kind_).Count);
}

void TSeriesEditor::SelectWeek() {
  if (!grid_->commitEditing()) return;
  const std::optional<int> w = s_.selectWeek(currentWeek(), this);
  if (w) goToWeek(*w);
}

} // namespace kelmar::gui
