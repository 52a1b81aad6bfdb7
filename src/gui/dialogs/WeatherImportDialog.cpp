#include "dialogs/WeatherImportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "Workspace.h"
#include "data/Errors.h"
#include "dialogs/UserDialogs.h"
#include "documents/DocumentSet.h"
#include "shell/Services.h"

namespace kelmar::gui {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

constexpr Et0Method kMethods[] = {Et0Method::File, Et0Method::PenmanMonteith, Et0Method::Makkink,
                                  Et0Method::Hargreaves};
constexpr int kMaxYears = 10;
constexpr std::size_t kListed = 50; // longer lists of gaps or doubts are cut, with a count of the rest

template <typename T> void List(QString& out, const QString& title, const std::vector<T>& items) {
  if (items.empty()) return;
  out += title + QStringLiteral(":\n");
  for (std::size_t i = 0; i < items.size() && i < kListed; ++i)
    out += QStringLiteral("  ") + Q(items[i].text()) + '\n';
  if (items.size() > kListed) out += QStringLiteral("  ... and %1 more\n").arg(items.size() - kListed);
}

// "1976-1990, 1993, 1995-2005".
QString YearList(const std::vector<int>& years) {
  QStringList l;
  for (std::size_t i = 0; i < years.size();) {
    std::size_t j = i;
    while (j + 1 < years.size() && years[j + 1] == years[j] + 1) ++j;
    l << (j == i ? QString::number(years[i]) : QStringLiteral("%1-%2").arg(years[i]).arg(years[j]));
    i = j + 1;
  }
  return l.join(QStringLiteral(", "));
}

} // namespace

TWeatherImportDialog::TWeatherImportDialog(Services& s, QWidget* parent) : TIniForm(parent), s_(s) {
  setWindowTitle(QStringLiteral("Import Daily Weather"));

  auto* filesBox = new QGroupBox(QStringLiteral("Daily files"));
  auto* fl = new QHBoxLayout(filesBox);
  files_ = new QListWidget;
  files_->setObjectName(QStringLiteral("Files"));
  files_->setMaximumHeight(80);
  add_ = new QPushButton(QStringLiteral("&Add..."));
  add_->setObjectName(QStringLiteral("AddFiles"));
  clear_ = new QPushButton(QStringLiteral("&Clear"));
  clear_->setObjectName(QStringLiteral("ClearFiles"));
  auto* fb = new QVBoxLayout;
  fb->addWidget(add_);
  fb->addWidget(clear_);
  fb->addStretch();
  fl->addWidget(files_, 1);
  fl->addLayout(fb);

  found_ = new QLabel;
  found_->setObjectName(QStringLiteral("Found"));
  found_->setWordWrap(true);
  found_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  auto* choose = new QGroupBox(QStringLiteral("Weekly environment"));
  auto* form = new QFormLayout(choose);
  method_ = new QComboBox;
  method_->setObjectName(QStringLiteral("Et0Method"));
  for (Et0Method m : kMethods) method_->addItem(Q(Et0MethodTitle(m)), static_cast<int>(m));
  from_ = new QComboBox;
  from_->setObjectName(QStringLiteral("FromYear"));
  years_ = new QSpinBox;
  years_->setObjectName(QStringLiteral("Years"));
  years_->setRange(1, kMaxYears);
  name_ = new QLineEdit;
  name_->setObjectName(QStringLiteral("SiteName"));
  name_->setMaxLength(20);
  name_->setPlaceholderText(QStringLiteral("the station in the file"));
  form->addRow(QStringLiteral("&ET0:"), method_);
  form->addRow(QStringLiteral("&From year:"), from_);
  form->addRow(QStringLiteral("&Years:"), years_);
  form->addRow(QStringLiteral("Site &name:"), name_);

  analysis_ = new QPlainTextEdit;
  analysis_->setObjectName(QStringLiteral("Analysis"));
  analysis_->setReadOnly(true);
  analysis_->setLineWrapMode(QPlainTextEdit::NoWrap);

  preview_ = new QTableWidget;
  preview_->setObjectName(QStringLiteral("Preview"));
  preview_->setColumnCount(5);
  preview_->setHorizontalHeaderLabels({QStringLiteral("Year"), QStringLiteral("Week"), QStringLiteral("Tc"),
                                       QStringLiteral("Rain"), QStringLiteral("ET0")});
  preview_->verticalHeader()->setVisible(false);
  preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);

  load_ = new QCheckBox(QStringLiteral("&Load it as the environment series"));
  load_->setObjectName(QStringLiteral("LoadAfterSave"));
  load_->setChecked(true);
  save_ = new QPushButton(QStringLiteral("&Save..."));
  save_->setObjectName(QStringLiteral("Save"));
  status_ = new QLabel;
  status_->setObjectName(QStringLiteral("Status"));
  status_->setWordWrap(true);

  auto* left = new QVBoxLayout;
  left->addWidget(choose);
  left->addWidget(new QLabel(QStringLiteral("What the files hold:")));
  left->addWidget(analysis_, 1);
  auto* middle = new QHBoxLayout;
  middle->addLayout(left, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(new QLabel(QStringLiteral("Weeks:")));
  right->addWidget(preview_, 1);
  middle->addLayout(right, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(status_, 1);
  bottom->addWidget(load_);
  bottom->addWidget(save_);
  auto* main = new QVBoxLayout(this);
  main->addWidget(filesBox);
  main->addWidget(found_);
  main->addLayout(middle, 1);
  main->addLayout(bottom);

  connect(add_, &QPushButton::clicked, this, &TWeatherImportDialog::chooseFiles);
  connect(clear_, &QPushButton::clicked, this, &TWeatherImportDialog::clearFiles);
  connect(save_, &QPushButton::clicked, this, [this] { save(); });
  connect(method_, &QComboBox::currentIndexChanged, this, [this] {
    if (!filling_) analyse();
  });
  connect(from_, &QComboBox::currentIndexChanged, this, [this] {
    if (filling_) return;
    yearsFollow_ = true;
    preview();
  });
  connect(years_, &QSpinBox::valueChanged, this, [this] {
    if (filling_) return;
    yearsFollow_ = false;
    preview();
  });
  connect(name_, &QLineEdit::editingFinished, this, [this] {
    if (!filling_) preview();
  });
  reread();
  resize(980, 640);
}

void TWeatherImportDialog::showError(const QString& text) {
  s_.dialogs.inform(BoxType::Error, DisplayText(text));
}

void TWeatherImportDialog::chooseFiles() {
  const QString path = s_.dialogs.openFile(
      {QStringLiteral("Daily weather file"), QString::fromStdString(s_.ws.state.DataDir), QString(),
       QStringLiteral("Daily weather (*.csv *.txt *.tsv *.met *.wth *.*)"), QString()});
  if (!path.isEmpty()) addFile(path);
}

bool TWeatherImportDialog::addFile(const QString& path) {
  // Read on trial: a file that cannot be read or overlaps those chosen is
  // refused and leaves the list as it was.
  DailyWeather trial = daily_ ? *daily_ : DailyWeather{};
  try {
    AppendDailyWeather(trial, ReadDailyWeather(path.toStdString()));
  } catch (const std::exception& e) {
    showError(QStringLiteral("Reading ") + path + QLatin1Char('\r') + QString::fromStdString(e.what()));
    return false;
  }
  paths_ << path;
  files_->addItem(path);
  daily_ = std::move(trial);
  reread();
  return true;
}

void TWeatherImportDialog::clearFiles() {
  paths_.clear();
  files_->clear();
  daily_.reset();
  reread();
}

void TWeatherImportDialog::reread() {
  filling_ = true;
  const bool any = daily_ && !daily_->rows.empty();
  if (!any) {
    found_->setText(
        QStringLiteral("Choose one or more daily weather files (CSV/TSV with a header, CABO/WOFOST, "
                       "APSIM .met, DSSAT .WTH)."));
    result_.reset();
    weekly_.reset();
    analysis_->clear();
    preview_->setRowCount(0);
    from_->clear();
    for (QWidget* w : std::initializer_list<QWidget*>{method_, from_, years_, name_, save_})
      w->setEnabled(false);
    status_->clear();
    filling_ = false;
    return;
  }
  const DailyWeather& d = *daily_;
  QStringList columns;
  for (const std::string& c : d.columns) columns << QString::fromStdString(c);
  QStringList holds;
  for (int v = 0; v < kDailyVarCount; ++v)
    if (d.has[v]) holds << Q(DailyVarName(static_cast<DailyVar>(v)));
  QString text = QStringLiteral("Format %1, %2 days, %3 to %4")
                     .arg(Q(WeatherFormatName(d.format)))
                     .arg(d.rows.size())
                     .arg(Q(FormatDate(d.rows.front().year, d.rows.front().day)))
                     .arg(Q(FormatDate(d.rows.back().year, d.rows.back().day)));
  if (!d.site.empty()) text += QStringLiteral(", station ") + QString::fromStdString(d.site);
  if (d.latitude) text += QStringLiteral(", latitude %1").arg(*d.latitude);
  text += QStringLiteral("\nColumns: ") + columns.join(QStringLiteral(", "));
  text += QStringLiteral("\nHolds: ") + holds.join(QStringLiteral(", "));
  found_->setText(text);

  // Only the methods the data allow can be chosen; the others say why not.
  auto* model = qobject_cast<QStandardItemModel*>(method_->model());
  for (int i = 0; i < method_->count(); ++i) {
    const std::string why = Et0Unavailable(d, kMethods[i]);
    if (QStandardItem* item = model ? model->item(i) : nullptr) {
      item->setEnabled(why.empty());
      item->setToolTip(why.empty() ? QString() : QString::fromStdString(why));
    }
  }
  const std::optional<Et0Method> best = BestEt0Method(d);
  for (QWidget* w : std::initializer_list<QWidget*>{method_, from_, years_, name_}) w->setEnabled(true);
  if (best) method_->setCurrentIndex(method_->findData(static_cast<int>(*best)));
  filling_ = false;
  if (!best) {
    analysis_->setPlainText(
        QStringLiteral("No ET0 method fits the data: they hold neither ET0 nor radiation, "
                       "and the latitude Hargreaves needs is not known."));
    result_.reset();
    weekly_.reset();
    preview_->setRowCount(0);
    save_->setEnabled(false);
    return;
  }
  analyse();
}

void TWeatherImportDialog::analyse() {
  if (!daily_) return;
  const auto method = static_cast<Et0Method>(method_->currentData().toInt());
  try {
    result_ = AnalyseWeather(*daily_, method);
  } catch (const std::exception& e) {
    result_.reset();
    weekly_.reset();
    analysis_->setPlainText(QString::fromStdString(e.what()));
    preview_->setRowCount(0);
    save_->setEnabled(false);
    return;
  }
  const WeatherAnalysis& a = *result_;
  QString text = Q(Et0MethodTitle(a.method));
  if (a.method != Et0Method::File && a.method != Et0Method::Makkink)
    text += QStringLiteral(" (latitude %1, elevation %2 m)").arg(a.latitude).arg(a.elevation);
  text += QStringLiteral("\nYears: ") + YearList(a.years);
  text += QStringLiteral("\nUnusable years: ") +
          (a.unusableYears.empty() ? QStringLiteral("none") : YearList(a.unusableYears));
  text += '\n';
  std::vector<WeatherGap> filled, unfilled;
  for (const WeatherGap& g : a.gaps) (g.filled ? filled : unfilled).push_back(g);
  List(text, QStringLiteral("Gaps filled by interpolation"), filled);
  List(text, QStringLiteral("Gaps that make their years unusable"), unfilled);
  List(text, QStringLiteral("Implausible values"), a.doubts);
  if (a.gaps.empty() && a.doubts.empty()) text += QStringLiteral("No gaps, no implausible values.\n");
  analysis_->setPlainText(text);

  filling_ = true;
  const int previous = from_->currentData().isValid() ? from_->currentData().toInt() : 0;
  from_->clear();
  for (int y : a.years)
    if (a.usable(y)) from_->addItem(QString::number(y), y);
  const int at = from_->findData(previous);
  from_->setCurrentIndex(at >= 0 ? at : 0);
  if (at < 0) yearsFollow_ = true;
  filling_ = false;
  preview();
}

void TWeatherImportDialog::preview() {
  weekly_.reset();
  preview_->setRowCount(0);
  save_->setEnabled(false);
  if (!daily_ || !result_) return;
  if (from_->count() == 0) {
    status_->setText(QStringLiteral("No year of the record is usable with this ET0 method."));
    return;
  }
  WeeklyRequest req;
  req.from = from_->currentData().toInt();
  // The years that follow the first one chosen, up to the end of the usable run.
  int following = 0;
  for (int y = *req.from;
       result_->usable(y) && std::count(result_->years.begin(), result_->years.end(), y) > 0; ++y)
    ++following;
  // A new first year takes as many usable years as follow it, at most ten
  // (the importer's default); the user may then choose fewer.
  filling_ = true;
  years_->setMaximum(std::clamp(following, 1, kMaxYears));
  if (yearsFollow_) years_->setValue(years_->maximum());
  filling_ = false;
  req.years = years_->value();
  req.site = name_->text().trimmed().toStdString();
  try {
    weekly_ = MakeWeekly(*daily_, *result_, req);
  } catch (const std::exception& e) {
    status_->setText(QString::fromStdString(e.what()));
    return;
  }
  const WeeklyWeather& w = *weekly_;
  preview_->setRowCount(static_cast<int>(w.weeks.size()));
  for (int i = 0; i < static_cast<int>(w.weeks.size()); ++i) {
    const WeeklyValues& v = w.weeks[i];
    const QString cells[] = {QString::number(w.firstYear + i / 52), QString::number(i % 52 + 1),
                             QString::number(v.Tc, 'f', 1), QString::number(v.Rain, 'f', 1),
                             QString::number(v.ET0, 'f', 1)};
    for (int c = 0; c < 5; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      preview_->setItem(i, c, item);
    }
  }
  preview_->resizeColumnsToContents();
  status_->setText(QStringLiteral("%1: %2 weeks").arg(QString::fromStdString(w.name)).arg(w.weeks.size()));
  save_->setEnabled(true);
}

bool TWeatherImportDialog::save() {
  if (!weekly_) return false;
  const QString path = s_.dialogs.saveFile(
      {QStringLiteral("Save the weekly environment"), QString::fromStdString(s_.ws.state.DataDir), QString(),
       QStringLiteral("Environment files (*.ENV)"), QStringLiteral("ENV")});
  if (path.isEmpty()) return false;
  if (QFileInfo::exists(path) &&
      s_.dialogs.ask(BoxType::Warning, Buttons::OkCancel,
                     QStringLiteral("Environment file already exists. Replace ?"), QString()) != Answer::Ok)
    return false;
  try {
    WriteWeeklyEnvironment(*weekly_, path.toStdString());
  } catch (const FileError& e) {
    showError(QStringLiteral("Saving ") + path + QLatin1Char('\r') + QString::fromStdString(e.what()));
    return false;
  }
  status_->setText(QStringLiteral("Wrote %1: %2 weeks").arg(path).arg(weekly_->weeks.size()));
  if (load_->isChecked() && s_.docs) {
    // As File > Environment > Load does: the series in memory may need saving first.
    if (!s_.docs->SaveQuery(Doc::Environment)) return true;
    if (s_.docs->ReadSeriesFile(SeriesKind::Environment, path, 1)) {
      s_.docs->setStatus(kResultsStale | SavedBit(Doc::Environment));
      s_.docs->RefreshScenarioWindows();
      if (s_.scheduleIdle) s_.scheduleIdle();
    }
  }
  return true;
}

} // namespace kelmar::gui
