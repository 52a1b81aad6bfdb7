// A small always-on-top window with the key values of one week (the info
// week) and the fit of the run against the measured mineral N.
#pragma once

#include <QStringList>

#include "help/HelpTopics.h"
#include "widgets/IniForm.h"

namespace kelmar {
struct Workspace;
}

namespace kelmar::gui {

class TInfoView : public TIniForm {
  Q_OBJECT
public:
  explicit TInfoView(Workspace& ws, QWidget* parent = nullptr);
  // The nine lines the window paints.
  QStringList lines() const;
  void Refresh() override { update(); }
  int HelpContext() const override { return kHelpInfoView; }

protected:
  void paintEvent(QPaintEvent* e) override;

private:
  Workspace& ws_;
};

} // namespace kelmar::gui
