// Drawing graphs: curves, bars and colours land on the picture, scale with
// the device, and exports are complete files or none.
#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <cmath>
#include <filesystem>
#include <unistd.h>

#include "GraphRender.h"
#include "data/Errors.h"

namespace fs = std::filesystem;
using namespace kelmar;

namespace {

// A graph like "Mineral Nitrogen" over 104 weeks with a crop bar.
struct Sample {
  GraphSetup setup = DefaultGraphSetup(9);
  GraphData data;
  Sample() {
    data.kind = 9;
    data.title = "Mineral Nitrogen";
    for (int w = 1; w <= 104; ++w) {
      data.series[0].AddPoint(float(w), float(50 + 40 * std::sin(w / 8.0)));
      data.series[2].AddPoint(float(w), float(20 + 10 * std::cos(w / 5.0)));
      if (w % 13 == 0) data.series[1].AddPoint(float(w), 45);
    }
    data.cropBarsOn = true;
    data.cropBars.push_back({20, 40});
    data.labels.push_back({20, "wheat"});
  }
};

int CountPixels(const QImage& img, QRgb color) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if ((img.pixel(x, y) & 0xFFFFFF) == (color & 0xFFFFFF)) ++n;
  return n;
}

// Pixels that are clearly red: the colour of series 1.
int CountReddish(const QImage& img) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      QColor c = img.pixelColor(x, y);
      if (c.red() > 200 && c.green() < 80 && c.blue() < 80) ++n;
    }
  return n;
}

QImage Render(const GraphSetup& s, const GraphData& d, QSize size, RenderOptions o = {}) {
  QImage img(size, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  RenderGraph(p, QRectF(QPointF(0, 0), QSizeF(size)), s, d, o);
  return img;
}

fs::path TempDir() {
  fs::path dir =
      fs::temp_directory_path() / ("kelmar_render_" + std::to_string(::getpid()) + "_" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

} // namespace

TEST(RenderGraph, CurvesBarsAndBackgroundArePainted) {
  Sample s;
  QImage img = Render(s.setup, s.data, {800, 500});
  EXPECT_EQ(img.pixel(2, 2) & 0xFFFFFF, 0xF0F0F0u);          // background
  EXPECT_GT(CountReddish(img), 500);                         // series 1 is a red line two pixels wide
  EXPECT_GT(CountPixels(img, qRgb(0xCC, 0xFF, 0xFF)), 2000); // the light blue crop bar
  // Without its series active nothing red is left (the legend entry goes too).
  s.setup.Series[0].Active = false;
  s.setup.Series[1].Active = false;
  EXPECT_EQ(CountReddish(Render(s.setup, s.data, {800, 500})), 0);
  // No crop bars when the option is off.
  s.data.cropBarsOn = false;
  EXPECT_EQ(CountPixels(Render(s.setup, s.data, {800, 500}), qRgb(0xCC, 0xFF, 0xFF)), 0);
}

TEST(RenderGraph, BlackAndWhitePrintingAndItsRestore) {
  Sample s;
  RenderOptions bw;
  bw.blackWhite = true;
  bw.printing = true;
  QImage img = Render(s.setup, s.data, {800, 500}, bw);
  EXPECT_EQ(CountReddish(img), 0);
  EXPECT_EQ(img.pixel(2, 2) & 0xFFFFFF, 0xFFFFFFu); // printing: white, not the screen colour
  // The setup itself is not changed: drawn again on screen, the curve is red.
  EXPECT_GT(CountReddish(Render(s.setup, s.data, {800, 500})), 500);
}

TEST(RenderGraph, LinesScaleWithTheDevice) {
  Sample s;
  s.data.cropBarsOn = false;
  RenderOptions hi;
  hi.dpi = 192;
  const int at96 = CountReddish(Render(s.setup, s.data, {800, 500}));
  const int at192 = CountReddish(Render(s.setup, s.data, {1600, 1000}, hi));
  // Twice the length and twice the width: about four times the pixels.
  EXPECT_GT(at192, 3 * at96);
  EXPECT_LT(at192, 5 * at96);
}

TEST(RenderGraph, MappingTurnsPixelsIntoWeeks) {
  Sample s;
  QImage img(800, 500, QImage::Format_RGB32);
  QPainter p(&img);
  GraphMapping g = RenderGraph(p, QRectF(0, 0, 800, 500), s.setup, s.data);
  EXPECT_EQ(WeekAtPixel(g, g.XToPixel(52), 104), 52);
  EXPECT_LE(g.x.min, 1);
  EXPECT_GE(g.x.max, 104);
}

TEST(RenderGraph, EmptyAndDegenerateGraphsDrawWithoutFault) {
  GraphSetup setup = DefaultGraphSetup(10);
  GraphData empty;
  empty.kind = 10;
  empty.scatter = true;
  EXPECT_FALSE(Render(setup, empty, {300, 200}).isNull());
  // Hand-set limits from a damaged file, a tiny surface and a huge font.
  setup.XAuto = setup.YAuto = false;
  setup.XMin = NAN;
  setup.YMax = -1e30f;
  setup.Font.Size = 100000;
  empty.series[0].AddPoint(5, 5);
  EXPECT_FALSE(Render(setup, empty, {20, 10}).isNull());
}

TEST(GraphExport, SvgHoldsTitlesAsText) {
  fs::path dir = TempDir();
  Sample s;
  const QString path = QString::fromStdString((dir / "g.svg").string());
  ExportGraphSvg(path, s.setup, s.data, {800, 500});
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QString svg = QString::fromUtf8(f.readAll());
  EXPECT_TRUE(svg.contains(QRegularExpression(R"(<text[^>]*>\s*Mineral Nitrogen\s*</text>)")));
  EXPECT_TRUE(svg.contains("Week -&gt;"));
  EXPECT_TRUE(svg.contains("Nitrogen [kg/ha] -&gt;"));
  EXPECT_TRUE(svg.contains("Meas.TopSoil"));
  EXPECT_FALSE(svg.contains("Meas.SubSoil")); // a series without points has no legend entry
  EXPECT_TRUE(svg.contains("<text"));
  fs::remove_all(dir);
}

TEST(GraphExport, PngAndPdfAreCompleteOrAbsent) {
  fs::path dir = TempDir();
  Sample s;
  const QString png = QString::fromStdString((dir / "g.png").string());
  ExportGraphPng(png, s.setup, s.data, {640, 400}, 96);
  QImage back(png);
  ASSERT_FALSE(back.isNull());
  EXPECT_EQ(back.size(), QSize(640, 400));

  const QString pdf = QString::fromStdString((dir / "g.pdf").string());
  ExportGraphPdf(pdf, {{&s.setup, &s.data}, {&s.setup, &s.data}});
  QFile f(pdf);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r"), 2);

  // An unwritable target leaves nothing behind and keeps what was there.
  fs::create_directories(dir / "ro");
  fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  const QString bad = QString::fromStdString((dir / "ro" / "g.png").string());
  if (::access((dir / "ro").c_str(), W_OK) != 0) { // root may write anyway
    EXPECT_THROW(ExportGraphPng(bad, s.setup, s.data, {64, 64}), FileError);
    EXPECT_FALSE(fs::exists(dir / "ro" / "g.png"));
  }
  EXPECT_THROW(
      ExportGraphSvg(QString::fromStdString((dir / "none" / "g.svg").string()), s.setup, s.data, {64, 64}),
      FileError);
  EXPECT_TRUE(fs::is_empty(dir / "ro"));
  fs::permissions(dir / "ro", fs::perms::owner_all);
  fs::remove_all(dir);
}

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
