// Graphs: refilling a graph from a 520-week run with 40 crops, and repainting
// it (four series and crop bars) onto an offscreen image. Both happen after
// every run while graph windows are open; targets: well under 10 ms.
#include <benchmark/benchmark.h>

#include <memory>
#include <stdexcept>

#include "Workspace.h"
#include "model/Driver.h"
#include "report/GraphData.h"
#include "session/Companions.h"

#ifdef KELMAR_WITH_RENDER
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "GraphRender.h"
#endif

using namespace kelmar;

namespace {

// The example stretched to 520 weeks with 40 crops.
std::unique_ptr<Workspace> LongRun() {
  auto ws = MakeWorkspace();
  LoadOutcome r = LoadScenarioWithCompanions(*ws, KELMAR_EXAMPLES "/SANDY6.DAT");
  if (!r.ok()) throw std::runtime_error(r.message);
  Scenario& s = ws->scenario;
  const int crops = s.CropCount;
  s.Weeks = 520;
  for (int i = 1; i <= kMaxCrops; ++i) {
    Crop c = s.Crops[1 + (i - 1) % crops];
    c.YEAR = 1 + (i - 1) / 4;
    s.Crops[i] = c;
  }
  s.CropCount = kMaxCrops;
  ws->options.KelmOpti |= kOptCropBars;
  RunModel(*ws);
  return ws;
}

void BM_GraphRefill(benchmark::State& state) {
  auto ws = LongRun();
  const GraphSetup setup = DefaultGraphSetup(9);
  auto data = std::make_unique<GraphData>();
  for (auto _ : state) {
    FillGraphData(*ws, 9, setup, 1, 520, {}, *data);
    benchmark::DoNotOptimize(data->series[0].count);
  }
}
BENCHMARK(BM_GraphRefill)->Unit(benchmark::kMicrosecond);

#ifdef KELMAR_WITH_RENDER
QGuiApplication& App() {
  static int argc = 1;
  static char name[] = "kelmar_bench";
  static char* argv[] = {name, nullptr};
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(argc, argv);
  return app;
}

void BM_GraphRepaint(benchmark::State& state) {
  App();
  auto ws = LongRun();
  const int kind = static_cast<int>(state.range(0));
  const GraphSetup setup = DefaultGraphSetup(kind);
  auto data = std::make_unique<GraphData>();
  FillGraphData(*ws, kind, setup, 1, 520, {}, *data);
  QImage img(1024, 640, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter p(&img);
    RenderGraph(p, QRectF(0, 0, img.width(), img.height()), setup, *data);
  }
}
// Mineral Nitrogen (lines and measured points) and the cumulative balance
// (four lines, one with points on every week).
BENCHMARK(BM_GraphRepaint)->Arg(9)->Arg(0)->Unit(benchmark::kMillisecond);
#endif

} // namespace
