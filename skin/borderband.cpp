// The border band of the frameless windows: edges, cursor and drag geometry.
#include "borderband.h"

#include <QtGlobal>

Qt::Edges borderEdges(const QPoint &pos, const QSize &size)
{
    const int right = size.width() - 1;
    const int bottom = size.height() - 1;
    Qt::Edges edges;
    if (qAbs(pos.x()) <= 3)
        edges |= Qt::LeftEdge;
    if (qAbs(pos.x() - right) <= 3)
        edges |= Qt::RightEdge;
    if (qAbs(pos.y()) <= 3)
        edges |= Qt::TopEdge;
    if (qAbs(pos.y() - bottom) <= 3)
        edges |= Qt::BottomEdge;
    return edges;
}

Qt::CursorShape borderCursor(Qt::Edges edges)
{
    const bool left = edges & Qt::LeftEdge;
    const bool right = edges & Qt::RightEdge;
    const bool top = edges & Qt::TopEdge;
    const bool bottom = edges & Qt::BottomEdge;
    // Corners first, so that a point in two bands takes the diagonal.
    if (top && left)
        return Qt::SizeFDiagCursor;
    if (top && right)
        return Qt::SizeBDiagCursor;
    if (bottom && left)
        return Qt::SizeBDiagCursor;
    if (bottom && right)
        return Qt::SizeFDiagCursor;
    if (left || right)
        return Qt::SizeHorCursor;
    if (top || bottom)
        return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}

Qt::Edges resizeEdges(Qt::Edges edges)
{
    static const Qt::Edges order[] = {
        Qt::TopEdge | Qt::LeftEdge,
        Qt::TopEdge | Qt::RightEdge,
        Qt::BottomEdge | Qt::LeftEdge,
        Qt::BottomEdge | Qt::RightEdge,
        Qt::TopEdge,
        Qt::BottomEdge,
        Qt::LeftEdge,
        Qt::RightEdge,
    };
    for (Qt::Edges candidate : order) {
        if ((edges & candidate) == candidate)
            return candidate;
    }
    return Qt::Edges();
}

QRect resizedGeometry(const QRect &start, Qt::Edges edges, const QPoint &delta,
                      const QSize &minimum)
{
    QRect r = start;
    const int minW = qMax(1, minimum.width());
    const int minH = qMax(1, minimum.height());
    if (edges & Qt::LeftEdge)
        r.setLeft(qMin(start.left() + delta.x(), start.right() - minW + 1));
    else if (edges & Qt::RightEdge)
        r.setRight(qMax(start.right() + delta.x(), start.left() + minW - 1));
    if (edges & Qt::TopEdge)
        r.setTop(qMin(start.top() + delta.y(), start.bottom() - minH + 1));
    else if (edges & Qt::BottomEdge)
        r.setBottom(qMax(start.bottom() + delta.y(), start.top() + minH - 1));
    return r;
}
