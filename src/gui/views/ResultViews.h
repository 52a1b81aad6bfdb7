// The text result windows: the weekly table, the four period summaries, the
// mineral balance and the comparison of modelled with measured mineral N. The
// text of each comes from the core; the windows only show it in a fixed-pitch
// font and refill it after every run and change of the week range.
#pragma once

#include "help/HelpTopics.h"
#include "views/CoreText.h"
#include "views/TextView.h"

namespace kelmar::gui {

class TRsltView : public TTextView {
  Q_OBJECT
public:
  TRsltView(Workspace& ws, int kind, QWidget* parent = nullptr);
  int kind() const { return kind_; }
  // Shows another kind; the same kind is not refilled.
  void setKind(int kind);
  QString WindowKey() const override;
  int HelpContext() const override { return TableHelpContext(kind_); }
  int PrintKind() const override { return kind_; }

protected:
  QString title() const override;
  QString header() const override;
  QStringList content() const override;

private:
  int kind_;
};

class TSummView : public TTextView {
  Q_OBJECT
public:
  TSummView(Workspace& ws, int kind, QWidget* parent = nullptr);
  int kind() const { return kind_; }
  QString WindowKey() const override;
  int HelpContext() const override { return SummaryHelpContext(kind_); }
  int PrintKind() const override { return kind_; }

protected:
  QString title() const override;
  QString header() const override;
  QStringList content() const override;

private:
  int kind_;
};

class TNPKView : public TTextView {
  Q_OBJECT
public:
  explicit TNPKView(Workspace& ws, QWidget* parent = nullptr);
  int HelpContext() const override { return kHelpMineralBalance; }
  int PrintKind() const override;

protected:
  QString title() const override { return QStringLiteral("Mineral Balance"); }
  QString header() const override { return {}; }
  QStringList content() const override;
};

class TCorrView : public TTextView {
  Q_OBJECT
public:
  explicit TCorrView(Workspace& ws, QWidget* parent = nullptr);
  int HelpContext() const override { return kHelpNmodVsNmeas; }
  int PrintKind() const override;

protected:
  QString title() const override { return QStringLiteral("N-modelled vs N-measured"); }
  QString header() const override { return {}; }
  QStringList content() const override;
};

} // namespace kelmar::gui
