// The border band as pure functions: edges and cursor 2 px inside every
// edge and corner and nothing 10 px inside, the edge a press resizes, and
// the geometry a drag of the edges gives.
#include "sanitizer_hooks.h"
#include "borderband.h"

#include <QtTest>

class BorderBandTest : public QObject
{
    Q_OBJECT

private slots:
    void bandTable();
    void bandReachesThreePixelsEitherSide();
    void narrowWindowPicksOneSide();
    void resizedGeometryKeepsTheOppositeEdges();
};

void BorderBandTest::bandTable()
{
    const QSize size(300, 200);
    const Qt::Edges T = Qt::TopEdge, B = Qt::BottomEdge, L = Qt::LeftEdge, R = Qt::RightEdge;
    struct Case {
        const char *where;
        QPoint pos;
        Qt::Edges edges;
        Qt::CursorShape cursor;
    } cases[] = {
        {"left", {2, 100}, L, Qt::SizeHorCursor},
        {"right", {297, 100}, R, Qt::SizeHorCursor},
        {"top", {150, 2}, T, Qt::SizeVerCursor},
        {"bottom", {150, 197}, B, Qt::SizeVerCursor},
        {"top-left", {2, 2}, T | L, Qt::SizeFDiagCursor},
        {"top-right", {297, 2}, T | R, Qt::SizeBDiagCursor},
        {"bottom-left", {2, 197}, B | L, Qt::SizeBDiagCursor},
        {"bottom-right", {297, 197}, B | R, Qt::SizeFDiagCursor},
        {"10 px inside left", {10, 100}, {}, Qt::ArrowCursor},
        {"10 px inside right", {289, 100}, {}, Qt::ArrowCursor},
        {"10 px inside top", {150, 10}, {}, Qt::ArrowCursor},
        {"10 px inside bottom", {150, 189}, {}, Qt::ArrowCursor},
        {"10 px inside top-left", {10, 10}, {}, Qt::ArrowCursor},
        {"10 px inside bottom-right", {289, 189}, {}, Qt::ArrowCursor},
        {"middle", {150, 100}, {}, Qt::ArrowCursor},
    };
    for (const Case &c : cases) {
        const Qt::Edges edges = borderEdges(c.pos, size);
        QVERIFY2(edges == c.edges, c.where);
        QVERIFY2(borderCursor(edges) == c.cursor, c.where);
        QVERIFY2(resizeEdges(edges) == c.edges, c.where);
    }
}

void BorderBandTest::bandReachesThreePixelsEitherSide()
{
    const QSize size(300, 200);
    struct Case {
        int x;
        bool left;
    } cases[] = {{-4, false}, {-3, true}, {0, true}, {3, true}, {4, false}};
    for (const Case &c : cases) {
        QCOMPARE(bool(borderEdges(QPoint(c.x, 100), size) & Qt::LeftEdge), c.left);
        QCOMPARE(bool(borderEdges(QPoint(299 - c.x, 100), size) & Qt::RightEdge), c.left);
        QCOMPARE(bool(borderEdges(QPoint(150, c.x), size) & Qt::TopEdge), c.left);
        QCOMPARE(bool(borderEdges(QPoint(150, 199 - c.x), size) & Qt::BottomEdge), c.left);
    }
}

void BorderBandTest::narrowWindowPicksOneSide()
{
    // Six pixels wide: every column lies in both side bands.
    const Qt::Edges edges = borderEdges(QPoint(3, 50), QSize(6, 100));
    QCOMPARE(edges, Qt::Edges(Qt::LeftEdge | Qt::RightEdge));
    QCOMPARE(resizeEdges(edges), Qt::Edges(Qt::LeftEdge));
    QCOMPARE(resizeEdges(Qt::TopEdge | Qt::BottomEdge | Qt::RightEdge),
             Qt::Edges(Qt::TopEdge | Qt::RightEdge));
    QCOMPARE(resizeEdges({}), Qt::Edges());
}

void BorderBandTest::resizedGeometryKeepsTheOppositeEdges()
{
    const QRect start(100, 100, 300, 200);
    const QSize minimum(120, 80);
    struct Case {
        const char *what;
        Qt::Edges edges;
        QPoint delta;
        QRect expected;
    } cases[] = {
        {"right grows", Qt::RightEdge, {25, 40}, QRect(100, 100, 325, 200)},
        {"left shrinks", Qt::LeftEdge, {30, 0}, QRect(130, 100, 270, 200)},
        {"top-left grows", Qt::TopEdge | Qt::LeftEdge, {-10, -20}, QRect(90, 80, 310, 220)},
        {"bottom stops at the minimum", Qt::BottomEdge, {0, -500}, QRect(100, 100, 300, 80)},
        {"left stops at the minimum", Qt::LeftEdge, {500, 0}, QRect(280, 100, 120, 200)},
        {"no edges", {}, {50, 50}, start},
    };
    for (const Case &c : cases)
        QVERIFY2(resizedGeometry(start, c.edges, c.delta, minimum) == c.expected, c.what);
}

QTEST_MAIN(BorderBandTest)
#include "borderband_test.moc"
