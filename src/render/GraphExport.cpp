// Exports of graphs to files. Each goes through QSaveFile, which writes a
// temporary file beside the target and renames it over the target on
// commit, so a failed export leaves no partial file and keeps an older one.
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

#include "GraphRender.h"
#include "data/Errors.h"

namespace kelmar {

namespace {

[[noreturn]] void Fail(const QString& path, const QString& why) {
  throw FileError(("Error writing " + path + ": " + why).toStdString());
}

void Open(QSaveFile& f, const QString& path) {
  if (!f.open(QIODevice::WriteOnly)) Fail(path, f.errorString());
}

void Commit(QSaveFile& f, const QString& path) {
  if (!f.commit()) Fail(path, f.errorString());
}

} // namespace

void ExportGraphPng(const QString& path, const GraphSetup& setup, const GraphData& data, QSize pixels,
                    double dpi) {
  if (pixels.width() < 1 || pixels.height() < 1) Fail(path, "empty image");
  QImage image(pixels, QImage::Format_RGB32);
  if (image.isNull()) Fail(path, "image too large");
  const int dpm = static_cast<int>(dpi / 0.0254 + 0.5);
  image.setDotsPerMeterX(dpm);
  image.setDotsPerMeterY(dpm);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    RenderOptions o;
    o.dpi = dpi;
    RenderGraph(p, QRectF(QPointF(0, 0), QSizeF(pixels)), setup, data, o);
  }
  QSaveFile f(path);
  Open(f, path);
  if (!image.save(&f, "PNG")) {
    f.cancelWriting();
    Fail(path, "PNG encoding failed");
  }
  Commit(f, path);
}

void ExportGraphSvg(const QString& path, const GraphSetup& setup, const GraphData& data, QSize size) {
  if (size.width() < 1 || size.height() < 1) Fail(path, "empty picture");
  QSaveFile f(path);
  Open(f, path);
  {
    QSvgGenerator svg;
    svg.setOutputDevice(&f);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(96);
    svg.setTitle(QString::fromStdString(data.title));
    svg.setDescription(QStringLiteral("Kelmar graph"));
    QPainter p;
    if (!p.begin(&svg)) {
      f.cancelWriting();
      Fail(path, "cannot draw");
    }
    RenderOptions o;
    o.dpi = 96;
    RenderGraph(p, QRectF(QPointF(0, 0), QSizeF(size)), setup, data, o);
    p.end();
  }
  Commit(f, path);
}

void ExportGraphPdf(const QString& path, const std::vector<GraphPage>& pages, QSize size) {
  if (pages.empty()) Fail(path, "no graphs");
  QSaveFile f(path);
  Open(f, path);
  {
    QPdfWriter pdf(&f);
    const int dpi = 300;
    pdf.setResolution(dpi);
    pdf.setCreator(QStringLiteral("Kelmar"));
    pdf.setTitle(QString::fromStdString(pages.front().data->title));
    if (size.isValid() && !size.isEmpty())
      pdf.setPageLayout(QPageLayout(QPageSize(QSizeF(size.width() * 0.75, size.height() * 0.75),
                                              QPageSize::Point, QString(), QPageSize::ExactMatch),
                                    QPageLayout::Portrait, QMarginsF()));
    else
      pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF()));
    QPainter p;
    if (!p.begin(&pdf)) {
      f.cancelWriting();
      Fail(path, "cannot draw");
    }
    RenderOptions o;
    o.dpi = dpi;
    o.printing = true;
    if (!size.isValid() || size.isEmpty())
      o.offsetLeftPct = o.offsetRightPct = o.offsetTopPct = o.offsetBottomPct = 5;
    for (std::size_t i = 0; i < pages.size(); ++i) {
      if (i > 0 && !pdf.newPage()) {
        p.end();
        f.cancelWriting();
        Fail(path, "cannot add a page");
      }
      const QRectF page(QPointF(0, 0), QSizeF(pdf.width(), pdf.height()));
      RenderGraph(p, page, *pages[i].setup, *pages[i].data, o);
    }
    p.end();
  }
  Commit(f, path);
}

} // namespace kelmar
