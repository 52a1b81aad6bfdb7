// The commands that act on graphs as a whole: customising the active graph,
// saving and loading the setups of all graphs, printing a graph or a page of
// three, and exporting a graph to an image or document file.
#pragma once

#include <QString>
#include <vector>

#include "data/GraphSetup.h"

class QPainter;
class QPrinter;

namespace kelmar::gui {

struct Services;
struct GraphSettings;
class TGraphView;

class GraphCommands {
public:
  GraphCommands(Services& s, GraphSettings& g) : s_(s), g_(g) {}

  // The active MDI child when it is a graph window.
  TGraphView* activeGraph() const;
  // Opens the customisation dialog for a graph window; on OK the graph and
  // the setup of its kind change.
  void Customize(TGraphView* view);
  void SaveAllSetups();
  void LoadAllSetups();
  // Prints graph kind 0..10 on a page of its own.
  void PrintGraph(int kind);
  // Prints three graphs on one page, top to bottom.
  void PrintComposite(const std::vector<int>& kinds);
  // Print on an active graph window, after the confirmation.
  void PrintActive(TGraphView* view);
  // Exports the active graph to PNG, SVG or PDF.
  void ExportActive();

  // Draws a graph kind as printed, into the page area of `printer` with
  // the given top and bottom offsets (percent of the page).
  void DrawPrinted(QPainter& p, QPrinter& printer, int kind, int topPct, int bottomPct);

private:
  bool MayPrint();
  bool MayReplace(const QString& name);
  void ApplyToOpenGraphs();

  Services& s_;
  GraphSettings& g_;
};

} // namespace kelmar::gui
