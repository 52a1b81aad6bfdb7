// The four weekly series editors: environment, irrigation, measured mineral
// N and measured organic matter. One week per grid row over the week records
// themselves; a title and the start year and week of the series; commands to
// load, save, copy and paste rows (also to and from a spreadsheet), find the
// next or last week with data, pick a week, and undo the edits since the last
// apply.
#pragma once

#include <QStringList>
#include <array>
#include <span>
#include <vector>

#include "data/FieldLimits.h"
#include "editors/EditorBase.h"

class QLabel;
class QLineEdit;

namespace kelmar::gui {

class GridModel;
class GridView;
class TzkNumInp;

class TSeriesEditor : public TEditorBase {
  Q_OBJECT
public:
  TSeriesEditor(Services& s, SeriesKind kind, QWidget* parent = nullptr);

  SeriesKind kind() const { return kind_; }
  void Refresh() override;
  void Apply() override;

  // The commands of the speed bar and popup.
  void Copy();
  void Paste();
  void Next();
  void Last();
  void SelectWeek();
  void Undo();

  // The private clipboard of the last Copy: the texts of the data columns,
  // row by row.
  const QStringList& clipboard() const { return clipboard_; }
  // The week of the current grid row (1..520).
  int currentWeek() const;
  void goToWeek(int week);

  GridView* grid() const { return grid_; }
  GridModel* model() const { return model_; }
  QLineEdit* titleInput() const { return title_; }
  TzkNumInp* yearInput() const { return year_; }
  TzkNumInp* weekInput() const { return week_; }
  QString statusText() const;

private:
  // The texts a paste takes: those of a spreadsheet when the system
  // clipboard holds text from elsewhere, else the private clipboard.
  QStringList pasteTexts(bool& fromSheet) const;
  void takeSnapshot();
  void setStatus(int count);

  SeriesKind kind_;
  std::span<const SeriesColumn> columns_;
  QLineEdit* title_;
  TzkNumInp* year_;
  TzkNumInp* week_;
  QLabel* status_;
  GridModel* model_;
  GridView* grid_;
  QStringList clipboard_;
  QString sheetText_; // what the last Copy put on the system clipboard
  bool refreshing_ = false;

  // The series as it was at the last Refresh or Apply, for Undo.
  struct Snapshot {
    std::vector<std::array<float, 3>> values;
    SeriesHeader header;
  } snapshot_;
};

class TEnviDialog : public TSeriesEditor {
  Q_OBJECT
public:
  explicit TEnviDialog(Services& s, QWidget* parent = nullptr)
      : TSeriesEditor(s, SeriesKind::Environment, parent) {}
};
class TIrriDialog : public TSeriesEditor {
  Q_OBJECT
public:
  explicit TIrriDialog(Services& s, QWidget* parent = nullptr)
      : TSeriesEditor(s, SeriesKind::Irrigation, parent) {}
};
class TNminDialog : public TSeriesEditor {
  Q_OBJECT
public:
  explicit TNminDialog(Services& s, QWidget* parent = nullptr)
      : TSeriesEditor(s, SeriesKind::Nmineral, parent) {}
};
class TOmonDialog : public TSeriesEditor {
  Q_OBJECT
public:
  explicit TOmonDialog(Services& s, QWidget* parent = nullptr) : TSeriesEditor(s, SeriesKind::Omon, parent) {}
};

// The editor's class key of a series ("TEnviDialog" ...).
QString SeriesEditorClass(SeriesKind kind);

} // namespace kelmar::gui
