// A window of fixed-pitch text: a header that scrolls sideways with the
// lines below it. Lines are never shortened; rows can be selected and copied
// with the header (Ctrl+C, or the context menu).
#pragma once

#include <QStringList>

#include "widgets/IniForm.h"

class QLabel;
class QListWidget;
class QScrollArea;

namespace kelmar {
struct Workspace;
}

namespace kelmar::gui {

class TTextView : public TIniForm {
  Q_OBJECT
public:
  explicit TTextView(Workspace& ws, QWidget* parent = nullptr);
  // Refills the window from the current results.
  void Refresh() override;
  QString headerText() const;
  QStringList lines() const;
  QListWidget* list() const { return list_; }
  // The header and the selected lines (all lines when none is selected), one
  // per line, as they go to the clipboard.
  QString selectedText() const;
  void copySelection() const;
  // The text font; the window's size follows from its metrics.
  void setTextFont(const QFont& font);
  // The size that shows the widest line and `rows` lines without scrolling.
  QSize fittingSize(int rows) const;
  // The table kind whose printed form matches the window (0: none).
  virtual int PrintKind() const = 0;

protected:
  virtual QString title() const = 0;
  virtual QString header() const = 0;
  virtual QStringList content() const = 0;
  void contextMenuEvent(QContextMenuEvent* e) override;
  Workspace& ws_;

private:
  QScrollArea* headerArea_;
  QLabel* header_;
  QListWidget* list_;
};

} // namespace kelmar::gui
