// Drawing only the curves of a graph over a picture drawn before, with the
// mapping of that earlier drawing: after a parameter step the new curves
// appear beside the old ones on unchanged axes.
#pragma once

#include <QRectF>

#include "GraphRender.h"

namespace kelmar {

// Paints the active series of `data` into `target`, clipped to the plot area
// of `mapping` (as returned by RenderGraph for the same target), with the
// pens and point sizes RenderGraph would use.
void RenderGraphSeries(QPainter& painter, const QRectF& target, const GraphSetup& setup,
                       const GraphData& data, const GraphMapping& mapping, const RenderOptions& options = {});

} // namespace kelmar
