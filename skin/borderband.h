// The resize band along the border of a frameless window: which edges a point
// lies on, the cursor that shows it, and the geometry a drag of those edges
// gives. Pure functions, shared by the pointer tracking, the press and tests.
#ifndef BORDERBAND_H
#define BORDERBAND_H

#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>

// The band reaches 3 px to either side of each edge line, so 4 px of the
// window itself (0..3 from the left, width - 4..width - 1 from the right).
Qt::Edges borderEdges(const QPoint &pos, const QSize &size);
Qt::CursorShape borderCursor(Qt::Edges edges);
// The one edge or corner a press on these edges resizes, tested in the order
// top-left, top-right, bottom-left, bottom-right, top, bottom, left, right
// (a window narrower than the two bands lies on both side edges at once).
Qt::Edges resizeEdges(Qt::Edges edges);
// start dragged by delta on the given edges, never smaller than minimum; the
// opposite edges stay where they were.
QRect resizedGeometry(const QRect &start, Qt::Edges edges, const QPoint &delta,
                      const QSize &minimum);

#endif
