#include "views/GraphCommands.h"

#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <memory>

#include "GraphRender.h"
#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/GraphSetupFile.h"
#include "dialogs/GraphCustomDialog.h"
#include "dialogs/UserDialogs.h"
#include "documents/DocumentSet.h"
#include "output/OutputRouter.h"
#include "report/GraphData.h"
#include "shell/Services.h"
#include "shell/WindowRegistry.h"
#include "views/GraphView.h"
#include "widgets/TzkGraph.h"

namespace kelmar::gui {

namespace {
const QString kGraphView = QStringLiteral("TGraphView");
QString Q(const std::string& s) { return QString::fromStdString(s); }
QString WithExt(const QString& name, const char* ext) { return Q(ChangeFileExt(name.toStdString(), ext)); }
} // namespace

TGraphView* GraphCommands::activeGraph() const { return qobject_cast<TGraphView*>(s_.windows->active()); }

bool GraphCommands::MayReplace(const QString& name) {
  return !QFileInfo::exists(name) ||
         s_.dialogs.ask(BoxType::Warning, Buttons::OkCancel,
                        QStringLiteral("File ") + name + QStringLiteral(" already exists. Replace ?"),
                        QString()) == Answer::Ok;
}

void GraphCommands::Customize(TGraphView* view) {
  if (!view) return;
  TFormGrphCust dlg(view->graph()->setup(), s_.dialogs, Q(s_.ws.state.ExeDir), s_.window);
  dlg.setWindowTitle(dlg.windowTitle() + QStringLiteral(": ") + view->windowTitle());
  dlg.showHelp = s_.showHelp;
  if (dlg.exec() != QDialog::Accepted) return;
  // The setup of the kind changes too, so the change outlives the window
  // and goes into "Save Graphs Setup".
  g_.store.setups[size_t(view->kind())] = dlg.record();
  view->applySetup(dlg.record());
}

void GraphCommands::ApplyToOpenGraphs() {
  for (int k = 0; k < kGraphKindCount; ++k)
    if (auto* v = s_.windows->get<TGraphView>(kGraphView, k)) v->applySetup(g_.store.setups[size_t(k)]);
}

void GraphCommands::SaveAllSetups() {
  // The setups exist once a graph has been opened; the Mineral Nitrogen
  // graph is opened for that, as a graph window always is.
  if (!g_.store.initialised) s_.windows->show(kGraphView, 9);
  QString name = s_.dialogs.saveFile({QStringLiteral("Save All Graphs Setup"), Q(s_.ws.state.ExeDir),
                                      QStringLiteral("*.GSA"), QStringLiteral("Graph Setup (*.GSA)"),
                                      QStringLiteral("GSA")});
  if (name.isEmpty()) return;
  name = WithExt(name, ".GSA");
  if (!MayReplace(name)) return;
  try {
    SaveAllGraphSetups(name.toStdString(), g_.store);
  } catch (const std::exception& e) {
    s_.dialogs.inform(BoxType::Error, Q(e.what()));
  }
}

void GraphCommands::LoadAllSetups() {
  const QString name = s_.dialogs.openFile({QStringLiteral("Load All Graphs Setup"), Q(s_.ws.state.ExeDir),
                                            QStringLiteral("*.GSA"), QStringLiteral("Graph Setup (*.GSA)"),
                                            QStringLiteral("GSA")});
  if (name.isEmpty()) return;
  try {
    LoadAllGraphSetups(name.toStdString(), g_.store);
  } catch (const InvalidFileId& e) {
    s_.dialogs.inform(BoxType::Error, Q(e.what()));
    return;
  } catch (const std::exception& e) {
    // The records read before the error are kept and shown.
    s_.dialogs.inform(BoxType::Error, Q(e.what()));
  }
  ApplyToOpenGraphs();
}

bool GraphCommands::MayPrint() {
  if (!s_.docs->CommitEditors()) return false;
  if (!s_.docs->hasStatus(kResultsStale)) return true;
  return s_.dialogs.ask(BoxType::Warning, Buttons::OkCancel,
                        QStringLiteral("Results may not be up to date. Continue anyway?"),
                        QString()) == Answer::Ok;
}

void GraphCommands::DrawPrinted(QPainter& p, QPrinter& printer, int kind, int topPct, int bottomPct) {
  g_.store.EnsureInitialised();
  const GraphSetup& setup = g_.store.setups[size_t(kind)];
  auto data = std::make_unique<GraphData>();
  GraphFillOptions fill;
  fill.labelMode = g_.labelMode;
  fill.pointLabelMode = g_.pointLabelMode;
  fill.forPrint = true;
  FillGraphData(s_.ws, kind, setup, fill, *data);
  if (!s_.ws.run.calculated) {
    for (GraphSeries& series : data->series) series.Clear();
    data->pointLabels.clear();
  }
  const Options& o = s_.ws.options;
  RenderOptions r;
  r.dpi = printer.resolution();
  r.printScalePct = o.GraphPrintScale;
  r.blackWhite = o.has(kOptGraphBW);
  r.printing = true;
  r.fillBackground = false;
  r.offsetLeftPct = r.offsetRightPct = 10;
  r.offsetTopPct = topPct;
  r.offsetBottomPct = bottomPct;
  const QRectF page(QPointF(0, 0), QSizeF(printer.pageLayout().paintRectPixels(printer.resolution()).size()));
  RenderGraph(p, page, setup, *data, r);
}

void GraphCommands::PrintGraph(int kind) {
  if (kind < 0 || kind >= kGraphKindCount || !MayPrint()) return;
  // Landscape: the graph fills the page; portrait: its upper half.
  const bool landscape = s_.ws.options.has(kOptGraphLandscape);
  s_.output->PrintPicture(landscape, [&](QPainter& p, QPrinter& printer) {
    DrawPrinted(p, printer, kind, 10, landscape ? 10 : 50);
  });
}

void GraphCommands::PrintComposite(const std::vector<int>& kinds) {
  if (!MayPrint()) return;
  static constexpr int kTop[3] = {5, 35, 65}, kBottom[3] = {65, 35, 5};
  s_.output->PrintPicture(s_.ws.options.has(kOptGraphLandscape), [&](QPainter& p, QPrinter& printer) {
    for (size_t i = 0; i < kinds.size() && i < 3; ++i) DrawPrinted(p, printer, kinds[i], kTop[i], kBottom[i]);
  });
}

void GraphCommands::PrintActive(TGraphView* view) {
  if (!view) return;
  const QString q = QStringLiteral("Print \"") + view->windowTitle() + QStringLiteral("\" ?");
  if (s_.dialogs.ask(BoxType::Confirmation, Buttons::OkCancel, q, QString()) != Answer::Ok) return;
  PrintGraph(view->kind());
}

void GraphCommands::ExportActive() {
  TGraphView* view = activeGraph();
  if (!view) return;
  const QString base = QFileInfo(Q(ChangeFileExt(s_.ws.scenario.ScenarioFile, ""))).completeBaseName();
  QString name =
      s_.dialogs.saveFile({QStringLiteral("Export Graph"), Q(s_.ws.state.DataDir),
                           base + QStringLiteral("_graph%1.png").arg(view->kind()),
                           QStringLiteral("PNG image (*.png);;SVG drawing (*.svg);;PDF document (*.pdf)"),
                           QStringLiteral("png")});
  if (name.isEmpty()) return;
  QString ext = QFileInfo(name).suffix().toLower();
  if (ext != QLatin1String("png") && ext != QLatin1String("svg") && ext != QLatin1String("pdf")) {
    name += QStringLiteral(".png");
    ext = QStringLiteral("png");
  }
  const QSize shown = view->graph()->size();
  QSize pixels = shown;
  double dpi = 96;
  if (ext == QLatin1String("png")) {
    // The size as on the screen, common picture sizes, or the screen's size
    // at print quality (the same picture with 300/96 as many pixels).
    const QSize print = (QSizeF(shown) * (300.0 / 96)).toSize();
    const QList<QSize> sizes{shown, QSize(1200, 800), QSize(1920, 1080), print};
    QStringList items;
    for (int i = 0; i < 3; ++i)
      items << QStringLiteral("%1 x %2 pixels").arg(sizes[i].width()).arg(sizes[i].height());
    items[0] += QStringLiteral(" (as shown)");
    items << QStringLiteral("%1 x %2 pixels, 300 dpi").arg(print.width()).arg(print.height());
    const int choice =
        s_.dialogs.chooseItem(QStringLiteral("Export Graph"), QStringLiteral("Picture size:"), items, 0);
    if (choice < 0) return;
    pixels = sizes[choice];
    if (choice == 3) dpi = 300;
  }
  if (!MayReplace(name)) return;
  const GraphSetup& setup = view->graph()->setup();
  const GraphData& data = view->graph()->data();
  try {
    if (ext == QLatin1String("png"))
      ExportGraphPng(name, setup, data, pixels, dpi);
    else if (ext == QLatin1String("svg"))
      ExportGraphSvg(name, setup, data, shown);
    else
      ExportGraphPdf(name, {GraphPage{&setup, &data}});
  } catch (const std::exception& e) {
    s_.dialogs.inform(BoxType::Error, QStringLiteral("Exporting ") + name + QLatin1Char('\r') + Q(e.what()));
  }
}

} // namespace kelmar::gui
