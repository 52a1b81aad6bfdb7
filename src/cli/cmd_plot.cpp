// kelmar plot: load a scenario with its companions, calculate, and draw graphs
// to PNG, SVG or PDF without a display. Present only when the program is
// built with the Qt renderer.
#ifdef KELMAR_WITH_RENDER

#include <QGuiApplication>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

#include "Command.h"
#include "CommandSupport.h"
#include "GraphRender.h"
#include "Validators.h"
#include "Workspace.h"
#include "data/Errors.h"
#include "data/FileSystem.h"
#include "data/GraphSetupFile.h"
#include "model/Driver.h"
#include "report/GraphData.h"

namespace kelmar::cli {

namespace {

struct PlotOptions {
  std::string scenario;
  std::vector<std::string> graphs;
  std::string range = "1-520";
  std::string size;
  std::string setup;
  std::string env;
  bool noCompanions = false;
  std::string ini;
  std::optional<std::string> opt;
  int labels = kLabelCrops;
  int pointLabels = kPointLabelNone;
  std::string output;
};

enum class Format { Png, Svg, Pdf };

bool ParseInt(const std::string& s, int& out) {
  if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) return false;
  out = std::stoi(s);
  return true;
}

bool ParseTwo(const std::string& text, char sep, int& a, int& b) {
  auto i = text.find_first_of(std::string(1, sep) + (sep == 'x' ? "X" : ""));
  return i != std::string::npos && ParseInt(text.substr(0, i), a) && ParseInt(text.substr(i + 1), b);
}

// The offscreen platform draws fonts and images without a display; it is
// chosen here only, so other commands never need Qt at all.
std::unique_ptr<QGuiApplication> MakeOffscreenApp() {
  if (QGuiApplication::instance()) return nullptr;
  // Qt's notes about the session it runs in (no runtime directory, no
  // display) are no concern of a command that only writes files.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
    if (type == QtDebugMsg || type == QtInfoMsg || msg.startsWith(QLatin1String("QStandardPaths:"))) return;
    std::fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
  });
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "kelmar";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QGuiApplication>(argc, argv);
}

int Plot(const PlotOptions& o) {
  // Everything the user typed is checked before any work is done.
  std::vector<int> kinds;
  for (const std::string& g : o.graphs) {
    int k = GraphKindFromText(g);
    if (k < 0) {
      ReportError("--graph: a graph number 0..10 or a graph name was expected, found '" + g + "'");
      return kExitUsage;
    }
    kinds.push_back(k);
  }
  std::string ext = ExtractFileExt(o.output);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  Format format;
  if (ext == ".png")
    format = Format::Png;
  else if (ext == ".svg")
    format = Format::Svg;
  else if (ext == ".pdf")
    format = Format::Pdf;
  else {
    ReportError("-o: the output must end in .png, .svg or .pdf, found '" + o.output + "'");
    return kExitUsage;
  }
  if (format != Format::Pdf && kinds.size() > 1) {
    ReportError("Several graphs need a .pdf output (one page each); a PNG or SVG file holds one graph");
    return kExitUsage;
  }
  int from = 1, till = 520;
  if (!ParseTwo(o.range, '-', from, till) || from < 1 || till > 520 || from > till) {
    ReportError("--range: FROM-TILL with 1 <= FROM <= TILL <= 520 was expected, found '" + o.range + "'");
    return kExitUsage;
  }
  int width = 0, height = 0;
  if (!o.size.empty() && (!ParseTwo(o.size, 'x', width, height) || width < 16 || height < 16 ||
                          width > 10000 || height > 10000)) {
    ReportError("--size: WxH with 16..10000 pixels each was expected, found '" + o.size + "'");
    return kExitUsage;
  }
  if (o.labels < 0 || o.labels > 3 || o.pointLabels < 0 || o.pointLabels > 2) {
    ReportError("--labels must be 0..3 and --point-labels 0..2");
    return kExitUsage;
  }

  auto ws = MakeCommandWorkspace();
  std::optional<IniFile> ini;
  if (int rc = ReadIniOption(o.ini, *ws, ini); rc != kExitOk) return rc;
  if (o.opt && !ParseWord(*o.opt, ws->options.KelmOpti)) {
    ReportError("--opt: a number (decimal or 0x hex) was expected, found '" + *o.opt + "'");
    return kExitUsage;
  }

  GraphSetupStore store;
  store.EnsureInitialised();
  if (!o.setup.empty()) {
    int rc = ExitOnFileError([&] { LoadAllGraphSetups(o.setup, store); });
    if (rc != kExitOk) return rc;
  }

  CompanionOptions co;
  co.companions = !o.noCompanions;
  co.envFile = o.env;
  if (int rc = LoadScenarioOrExit(*ws, o.scenario, co); rc != kExitOk) return rc;
  ws->state.RangeFrom = from;
  ws->state.RangeTill = till;
  if (int rc = ExitOnRunFault(ws->scenario.ScenarioFile, [&] { RunModel(*ws); }); rc != kExitOk) return rc;

  auto app = MakeOffscreenApp();
  GraphFillOptions fill;
  fill.labelMode = o.labels;
  fill.pointLabelMode = o.pointLabels;
  fill.forPrint = format == Format::Pdf;
  std::vector<std::unique_ptr<GraphData>> data;
  std::vector<GraphPage> pages;
  for (int k : kinds) {
    data.push_back(std::make_unique<GraphData>());
    FillGraphData(*ws, k, store.setups[k], fill, *data.back());
    pages.push_back({&store.setups[k], data.back().get()});
  }
  const QString out = QString::fromStdString(o.output);
  return ExitOnFileError([&] {
    switch (format) {
    case Format::Png:
      if (width > 0)
        ExportGraphPng(out, *pages[0].setup, *pages[0].data, QSize(width, height), 96);
      else
        ExportGraphPng(out, *pages[0].setup, *pages[0].data, QSize(2500, 1563), 300);
      break;
    case Format::Svg:
      ExportGraphSvg(out, *pages[0].setup, *pages[0].data,
                     width > 0 ? QSize(width, height) : QSize(800, 500));
      break;
    case Format::Pdf:
      ExportGraphPdf(out, pages, width > 0 ? QSize(width, height) : QSize());
      break;
    }
  });
}

const RegisterCommand registerPlot([](CLI::App& app, int& exitCode) {
  auto o = std::make_shared<PlotOptions>();
  CLI::App* cmd = app.add_subcommand(
      "plot", "Calculate a scenario and draw graphs to a PNG, SVG or PDF file (no display needed)");
  cmd->footer("A PNG or SVG file holds one graph; several --graph options need a .pdf output, which gets "
              "one page per graph.\nGraphs: 0 \"Cumulative Nitrogen Balance\", 1 \"Temperature\", 2 "
              "\"Environment\", 3 \"Water Flow\", 4 \"Soil pF\", 5 \"Organic Matter\", 6 \"C/N Ratio "
              "Organic Matter\", 7 \"Sources of Mineralisation\", 8 \"Nitrogen Flow\", 9 \"Mineral "
              "Nitrogen\", 10 \"N-modelled vs N-measured\".");
  cmd->add_option("SCENARIO", o->scenario, "Scenario file (.DAT)")->required();
  cmd->add_option("--graph", o->graphs, "Graph number 0..10 or its name (case-insensitive); repeatable")
      ->required()
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  cmd->add_option("--range", o->range, "FROM-TILL: the week range of the graphs (default 1-520)");
  cmd->add_option("--size", o->size,
                  "WxH in pixels at 96 dpi (PNG default: 300 dpi, 2500x1563; SVG 800x500; PDF A4 landscape)");
  cmd->add_option("--setup", o->setup, "Take the graph setups from this .GSA file");
  cmd->add_option("--env", o->env, "Load this environment file instead of the scenario's EnviFile");
  cmd->add_flag("--no-companions", o->noCompanions, "Do not load the .IRR, .MIN, .OM and .PAR companions");
  cmd->add_option("--ini", o->ini,
                  "Read the program options from section \"Kelmar Options\" of this INI file");
  cmd->add_option("--opt", o->opt,
                  "Option word KelmOpti (decimal or 0x hex); 0x4000 draws crop bars, 0x1000/0x2000 add "
                  "the scenario's file name/title to PDF titles");
  cmd->add_option("--labels", o->labels,
                  "Names along the top: 0 none, 1 crops (default), 2 applications with ACT 1, 3 with ACT 2");
  cmd->add_option("--point-labels", o->pointLabels,
                  "Week numbers beside the points of graph 10: 0 none (default), 1 topsoil, 2 subsoil");
  cmd->add_option("-o", o->output, "Output file: .png, .svg or .pdf")->required();
  cmd->callback([o, &exitCode] { exitCode = Plot(*o); });
});

} // namespace

} // namespace kelmar::cli

#endif // KELMAR_WITH_RENDER
