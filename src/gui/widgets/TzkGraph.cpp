#include "widgets/TzkGraph.h"

#include <QMouseEvent>
#include <QPainter>

namespace kelmar::gui {

TzkGraph::TzkGraph(QWidget* parent) : QWidget(parent), data_(std::make_unique<GraphData>()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(120, 90);
}

TzkGraph::~TzkGraph() = default;

void TzkGraph::setSetup(const GraphSetup& s) {
  setup_ = s;
  dirty_ = true;
  overlayPending_ = false;
  if (plotting_) update();
}

void TzkGraph::dataChanged() {
  if (seriesOnly_ && mapped_ && !dirty_ && !picture_.isNull())
    overlayPending_ = true;
  else
    dirty_ = true;
  seriesOnly_ = false;
  if (plotting_) update();
}

void TzkGraph::setPlotting(bool on) {
  if (plotting_ == on) return;
  plotting_ = on;
  update();
}

void TzkGraph::setUpdateSeriesOnly(bool on) {
  if (seriesOnly_ == on) return;
  seriesOnly_ = on;
  // Switching the mode empties the series; the next fill brings the new ones.
  for (GraphSeries& s : data_->series) s.Clear();
}

QRectF TzkGraph::plotArea() const {
  return QRectF(mapping_.layout.plotLeft, mapping_.layout.plotTop, mapping_.layout.width(),
                mapping_.layout.height());
}

RenderOptions TzkGraph::screenOptions() const {
  RenderOptions o;
  o.dpi = logicalDpiY() > 0 ? logicalDpiY() : 96;
  return o;
}

void TzkGraph::renderPicture() {
  const qreal dpr = devicePixelRatioF();
  const QSize px = (QSizeF(size()) * dpr).toSize();
  // A new device pixel ratio (another screen) gives another size in pixels.
  if (picture_.size() != px || picture_.devicePixelRatio() != dpr || dirty_ || picture_.isNull()) {
    picture_ = QPixmap(px.expandedTo(QSize(1, 1)));
    picture_.setDevicePixelRatio(dpr);
    QPainter p(&picture_);
    mapping_ = RenderGraph(p, QRectF(QPointF(0, 0), QSizeF(size())), setup_, *data_, screenOptions());
    mapped_ = true;
    dirty_ = false;
    overlayPending_ = false;
  } else if (overlayPending_) {
    QPainter p(&picture_);
    RenderGraphSeries(p, QRectF(QPointF(0, 0), QSizeF(size())), setup_, *data_, mapping_, screenOptions());
    overlayPending_ = false;
  }
}

QImage TzkGraph::picture() {
  renderPicture();
  return picture_.toImage();
}

void TzkGraph::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!plotting_) {
    p.fillRect(rect(), palette().window());
    return;
  }
  renderPicture();
  p.drawPixmap(0, 0, picture_);
}

void TzkGraph::resizeEvent(QResizeEvent* e) {
  // A new size needs a new layout; curves kept from an earlier run go.
  dirty_ = true;
  QWidget::resizeEvent(e);
}

void TzkGraph::mousePressEvent(QMouseEvent* e) {
  emit mouseDown(e->button(), e->modifiers(), e->position());
  QWidget::mousePressEvent(e);
}

void TzkGraph::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) emit doubleClicked();
  QWidget::mouseDoubleClickEvent(e);
}

} // namespace kelmar::gui
