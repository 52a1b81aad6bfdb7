// The x-y chart of the graph windows. It paints through the graph renderer,
// so the screen shows what printer, PDF and image files show, at any device
// pixel ratio. The last picture is kept: a repaint without changes only
// copies it, and after a parameter step the new curves can be drawn over it
// (UpdateSeriesOnly) so that the previous run stays visible beside them.
#pragma once

#include <QPixmap>
#include <QWidget>
#include <memory>

#include "GraphRender.h"

namespace kelmar::gui {

class TzkGraph : public QWidget {
  Q_OBJECT
public:
  explicit TzkGraph(QWidget* parent = nullptr);
  ~TzkGraph() override;

  const GraphSetup& setup() const { return setup_; }
  // Applies a setup; the next paint draws the whole graph.
  void setSetup(const GraphSetup& s);
  const GraphData& data() const { return *data_; }
  GraphData& data() { return *data_; }
  // Call after the data was changed in place: repaints (only the series in
  // overlay mode).
  void dataChanged();

  // While false, nothing but the background is drawn.
  bool plotting() const { return plotting_; }
  void setPlotting(bool on);
  // The next paint draws only the series over the existing picture, with
  // its axes; the mode ends with that paint.
  bool updateSeriesOnly() const { return seriesOnly_; }
  void setUpdateSeriesOnly(bool on);

  // The mapping of the last full drawing (for the week under the mouse).
  const GraphMapping& mapping() const { return mapping_; }
  bool hasMapping() const { return mapped_; }
  // The plot area of the last drawing, in widget coordinates.
  QRectF plotArea() const;
  // The picture as the screen shows it (renders when needed).
  QImage picture();

signals:
  void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF pos);
  void doubleClicked();

protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
  void renderPicture();
  RenderOptions screenOptions() const;

  GraphSetup setup_;
  std::unique_ptr<GraphData> data_;
  bool plotting_ = true;
  bool seriesOnly_ = false;
  bool overlayPending_ = false; // series to draw over the kept picture
  bool dirty_ = true;           // the kept picture is out of date
  QPixmap picture_;
  GraphMapping mapping_;
  bool mapped_ = false;
};

} // namespace kelmar::gui
