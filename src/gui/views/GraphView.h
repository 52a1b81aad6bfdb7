// The graph windows: eleven kinds of weekly graphs of the run's results, one
// window per kind, each holding one graph control. The setups of the eleven
// kinds and the label modes are shared by all graph windows.
#pragma once

#include <functional>

#include "data/GraphSetup.h"
#include "widgets/IniForm.h"

namespace kelmar::gui {

struct Services;
class TzkGraph;

// What the graph windows share for the whole run of the program.
struct GraphSettings {
  GraphSetupStore store;
  int labelMode = 1;      // names along the top: none, crops, applications ACT 1, ACT 2
  int pointLabelMode = 0; // week numbers in the scatter graph: none, topsoil, subsoil
};

class TGraphView : public TIniForm {
  Q_OBJECT
public:
  TGraphView(Services& s, GraphSettings& g, int kind, QWidget* parent = nullptr);
  int kind() const { return kind_; }
  QString WindowKey() const override;
  int HelpContext() const override { return 1610 + 10 * kind_; }
  // Rebuilds the series from the current results and week range.
  void Refresh() override;
  // Shows a setup and refills the graph.
  void applySetup(const GraphSetup& setup);
  TzkGraph* graph() const { return graph_; }

  // Opens the customisation dialog for this window (double click).
  std::function<void(TGraphView*)> onCustomize;

protected:
  void keyReleaseEvent(QKeyEvent* e) override;

private:
  void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF pos);
  // Shift + right click: the crop growing in `week` (label mode 1) or the
  // first application from that week on (modes 2 and 3) in its editor.
  void openRecordAt(int week);
  // After a change of the label modes: every graph shows it.
  void labelsChanged();

  Services& s_;
  GraphSettings& g_;
  int kind_;
  TzkGraph* graph_;
};

} // namespace kelmar::gui
