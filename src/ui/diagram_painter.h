#pragma once

#include <QPainter>
#include <QRect>

#include "diagram/block_diagram.h"
#include "ui/diagram_style.h"

namespace skelvane {

// Paints the diagram onto a device that shows the view's client area `client`: the
// background, every item's links, then the items, all in z-order. Lays the diagram out first
// when it is dirty. Only what meets `dirty` (client coordinates) is drawn.
void paintDiagram(QPainter& painter, BlockDiagram& diagram, const DiagramStyle& style,
                  const QRect& client, const QRect& dirty);

// What a drag shows on top: the outlines of the selection being moved, or the rubber band,
// drawn by inverting the pixels under a half-tone pattern.
void paintDragFeedback(QPainter& painter, const BlockDiagram& diagram);

}  // namespace skelvane
