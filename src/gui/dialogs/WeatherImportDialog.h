// File > Environment > Import Daily Weather: daily station files to a weekly
// environment file. Shows what the files hold (format, columns, days, years,
// gaps, implausible values), lets the user choose the ET0 method among those
// the data allow and the years, previews the weeks, saves them (asking before
// a file is replaced; the file is written whole or not at all) and, when
// asked, loads the file as the environment series.
#pragma once

#include <optional>
#include <vector>

#include "data/DailyWeather.h"
#include "data/WeeklyFromDaily.h"
#include "widgets/IniForm.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace kelmar::gui {

struct Services;

class TWeatherImportDialog : public TIniForm {
  Q_OBJECT
public:
  explicit TWeatherImportDialog(Services& s, QWidget* parent = nullptr);
  QString WindowKey() const override { return QStringLiteral("TWeatherImportDialog"); }

  // Adds a daily file (as the Add button does after its file dialog).
  bool addFile(const QString& path);
  const std::optional<WeeklyWeather>& weekly() const { return weekly_; }

public slots:
  void chooseFiles();
  void clearFiles();
  bool save();

private:
  void reread();  // the files again
  void analyse(); // for the ET0 method chosen
  void preview(); // the weeks of the years chosen
  void showError(const QString& text);

  Services& s_;
  QListWidget* files_;
  QPushButton* add_;
  QPushButton* clear_;
  QLabel* found_;
  QComboBox* method_;
  QPlainTextEdit* analysis_;
  QComboBox* from_;
  QSpinBox* years_;
  QLineEdit* name_;
  QTableWidget* preview_;
  QCheckBox* load_;
  QPushButton* save_;
  QLabel* status_;

  QStringList paths_;
  std::optional<DailyWeather> daily_;
  std::optional<WeatherAnalysis> result_;
  std::optional<WeeklyWeather> weekly_;
  bool filling_ = false;    // controls are being filled: their signals change nothing
  bool yearsFollow_ = true; // the number of years follows the first year chosen
};

} // namespace kelmar::gui
