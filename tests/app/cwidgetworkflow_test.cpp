// Tests of the workflow strip: piece geometry and hit tests, the labels and
// the space an empty strip needs, presses, the selection frame, and drags
// run through the drag hook with synthetic drag events.
#include "cwidgetworkflow.h"
#include "operation.h"

#include <QDataStream>
#include <QDrag>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QTranslator>
#include <QtTest>

namespace
{

CAbstractOperation *makeOperation(const char *kind)
{
    const operation_info_t *info = operation_registry_find(QString::fromUtf8(kind));
    return info && info->create ? info->create() : nullptr;
}

QList<QLabel *> labelsAt(CWidgetWorkflow *strip, QPoint pos)
{
    QList<QLabel *> found;
    for (QLabel *label : strip->findChildren<QLabel *>())
        if (label->pos() == pos)
            found << label;
    return found;
}

// The strip's own painting, without its labels.
QImage paintStrip(CWidgetWorkflow *strip)
{
    QImage image(strip->size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    strip->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

const QRgb k_frame = qRgb(0x97, 0xBA, 0xD0);

} // namespace

class CWidgetWorkflowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void geometryOfThePieces_data();
    void geometryOfThePieces();
    void pieceAtHitsIconsLinksAndTheBand();
    void pressesSelectOnlyOnIcons();
    void selectionFrameMarksTheCurrentOrTheDropPiece();
    void dragCarriesTheIndexAndDropRequestsAMove();
    void dropsFromElsewhereOrWithABadPayloadAreRefused();
    void busyStripSelectsWithoutDragging();
    void longTitlesFitTheirBoxesAndLabelsNeverDouble();

private:
    void setPipeline(int count);
    QList<CAbstractOperation *> m_ops;
    CWidgetWorkflow *m_strip = nullptr;
};

void CWidgetWorkflowTest::init()
{
    m_strip = new CWidgetWorkflow(&m_ops);
    m_strip->resize(800, 112);
    m_strip->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_strip));
}

void CWidgetWorkflowTest::cleanup()
{
    CWidgetWorkflow::setDragHook(CWidgetWorkflow::DragHook());
    delete m_strip;
    m_strip = nullptr;
    qDeleteAll(m_ops);
    m_ops.clear();
}

void CWidgetWorkflowTest::setPipeline(int count)
{
    static const char *const kinds[] = {"gray", "negative", "equalize", "auto_contrast"};
    qDeleteAll(m_ops);
    m_ops.clear();
    for (int i = 0; i < count; i++)
        m_ops << makeOperation(kinds[i % 4]);
    m_strip->setCurrentIndex(-1);
}

void CWidgetWorkflowTest::geometryOfThePieces_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("xs");
    // (W + 38 - 114 n + 228 i) / 2 on an 800-pixel strip.
    QTest::newRow("empty") << 0 << QList<int>();
    QTest::newRow("one") << 1 << QList<int>{362};
    QTest::newRow("three") << 3 << QList<int>{248, 362, 476};
    QTest::newRow("four") << 4 << QList<int>{191, 305, 419, 533};
}

void CWidgetWorkflowTest::geometryOfThePieces()
{
    QFETCH(int, count);
    QFETCH(QList<int>, xs);
    QCOMPARE(m_strip->minimumHeight(), 112);
    QCOMPARE(m_strip->maximumSize(), QSize(4000, 112));
    setPipeline(count);
    QCOMPARE(m_strip->minimumWidth(), 114 * count + 190);
    QCOMPARE(m_strip->pieceX(-1), -1);
    QCOMPARE(m_strip->pieceX(count), -1);

    QCOMPARE(m_strip->findChildren<QLabel *>().count(), count == 0 ? 0 : 3 * count - 1);
    for (int i = 0; i < count; i++) {
        const int x = xs[i];
        QCOMPARE(m_strip->pieceX(i), x);
        QList<QLabel *> icon = labelsAt(m_strip, QPoint(x, 4));
        QCOMPARE(icon.count(), 1);
        QCOMPARE(icon[0]->size(), QSize(76, 76));
        QList<QLabel *> title = labelsAt(m_strip, QPoint(x - 19, 81));
        QCOMPARE(title.count(), 1);
        QCOMPARE(title[0]->size(), QSize(112, 26));
        QCOMPARE(title[0]->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
        QCOMPARE(title[0]->text(), m_ops[i]->info()->title());
        QCOMPARE(labelsAt(m_strip, QPoint(x + 76, 4)).count(), i < count - 1 ? 1 : 0);
        if (i < count - 1)
            QCOMPARE(labelsAt(m_strip, QPoint(x + 76, 4))[0]->size(), QSize(38, 76));
    }
    // Presses and drops reach the strip through its labels.
    for (QLabel *label : m_strip->findChildren<QLabel *>())
        QVERIFY(label->testAttribute(Qt::WA_TransparentForMouseEvents));

    // A resize centres the row again.
    if (count > 0) {
        m_strip->resize(1000, 112);
        QCOMPARE(m_strip->pieceX(0), xs[0] + 100);
        QCOMPARE(labelsAt(m_strip, QPoint(xs[0] + 100, 4)).count(), 1);
    }
}

void CWidgetWorkflowTest::pieceAtHitsIconsLinksAndTheBand()
{
    setPipeline(0);
    QCOMPARE(m_strip->minimumWidth(), 190);
    // Only the 38-pixel band of index 0 (the count) is inside the row.
    for (int x : {0, 418, 419, 456, 457, 799})
        QCOMPARE(m_strip->pieceAt(x, false), x >= 419 && x < 457 ? 0 : -1);

    setPipeline(3); // row from 248, span 380 up to 627
    struct Case {
        int x, gapsOutside, piece;
    } cases[] = {
        {247, 0, -1}, {248, 1, 0}, {323, 1, 0}, {324, 1, -1}, {324, 0, 0},
        {361, 0, 0},  {362, 1, 1}, {551, 1, 2}, {552, 1, -1}, {589, 0, 2},
        {590, 0, 3},  {590, 1, 3}, {627, 0, 3}, {628, 0, -1}, {666, 1, -1},
    };
    for (const Case &c : cases)
        QVERIFY2(m_strip->pieceAt(c.x, c.gapsOutside) == c.piece,
                 qPrintable(QStringLiteral("x %1 gaps %2: %3")
                                .arg(c.x)
                                .arg(c.gapsOutside)
                                .arg(m_strip->pieceAt(c.x, c.gapsOutside))));
}

void CWidgetWorkflowTest::pressesSelectOnlyOnIcons()
{
    int drags = 0;
    CWidgetWorkflow::setDragHook([&](QDrag *, Qt::DropActions) { drags++; });
    setPipeline(0);
    QSignalSpy selected(m_strip, &CWidgetWorkflow::CurrentIndexChanged);
    QTest::mousePress(m_strip, Qt::LeftButton, Qt::NoModifier, QPoint(410, 40));
    QCOMPARE(selected.count(), 0);

    setPipeline(3);
    struct Case {
        QPoint pos;
        int selects; // -1: ignored
    } cases[] = {
        {{300, 3}, -1},  {{300, 80}, -1}, {{300, 4}, 0},   {{400, 79}, 1},
        {{340, 40}, -1}, {{600, 40}, -1}, {{560, 40}, -1}, {{500, 40}, 2},
    };
    int expectedDrags = 0;
    for (const Case &c : cases) {
        selected.clear();
        QTest::mousePress(m_strip, Qt::LeftButton, Qt::NoModifier, c.pos);
        QTest::mouseRelease(m_strip, Qt::LeftButton, Qt::NoModifier, c.pos);
        if (c.selects < 0) {
            QVERIFY2(selected.isEmpty(),
                     qPrintable(QStringLiteral("%1,%2").arg(c.pos.x()).arg(c.pos.y())));
        } else {
            expectedDrags++;
            QCOMPARE(selected.count(), 1);
            QCOMPARE(selected[0][0].toInt(), c.selects);
            QCOMPARE(m_strip->currentIndex(), c.selects);
        }
        QCOMPARE(drags, expectedDrags);
    }
    // A press on the selected piece selects nothing new but still drags.
    selected.clear();
    QTest::mousePress(m_strip, Qt::LeftButton, Qt::NoModifier, QPoint(500, 40));
    QCOMPARE(selected.count(), 0);
    QCOMPARE(drags, expectedDrags + 1);
}

void CWidgetWorkflowTest::selectionFrameMarksTheCurrentOrTheDropPiece()
{
    setPipeline(3);
    QImage none = paintStrip(m_strip);
    for (int x = 0; x < none.width(); x++)
        QVERIFY(none.pixel(x, 40) != k_frame);

    m_strip->setCurrentIndex(1);
    QImage current = paintStrip(m_strip);
    const int x1 = m_strip->pieceX(1);
    QCOMPARE(current.pixel(x1 + 1, 40), k_frame);
    QCOMPARE(current.pixel(x1 + 74, 40), k_frame);
    QCOMPARE(current.pixel(x1 + 40, 5), k_frame);
    QCOMPARE(current.pixel(x1 + 40, 78), k_frame);
    QVERIFY(current.pixel(x1 + 40, 40) != k_frame);
    QVERIFY(current.pixel(m_strip->pieceX(0) + 1, 40) != k_frame);

    // During a drag the frame follows the drop target; a target past the last
    // piece has no frame of its own, so the current one shows.
    CWidgetWorkflow::setDragHook([&](QDrag *drag, Qt::DropActions) {
        QMimeData *data = drag->mimeData();
        QDragEnterEvent enter(QPoint(400, 40), Qt::MoveAction, data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(m_strip, &enter);
        QDragMoveEvent move(QPoint(m_strip->pieceX(2) - 10, 40), Qt::MoveAction, data,
                            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_strip, &move);
        QCOMPARE(m_strip->dropIndex(), 2);
        QImage dragging = paintStrip(m_strip);
        QCOMPARE(dragging.pixel(m_strip->pieceX(2) + 1, 40), k_frame);
        QVERIFY(dragging.pixel(x1 + 1, 40) != k_frame);
        QDragMoveEvent past(QPoint(600, 40), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_strip, &past);
        QCOMPARE(m_strip->dropIndex(), 3);
        QCOMPARE(paintStrip(m_strip).pixel(x1 + 1, 40), k_frame);
    });
    QTest::mousePress(m_strip, Qt::LeftButton, Qt::NoModifier, QPoint(x1 + 30, 40));
    QCOMPARE(m_strip->dropIndex(), 3); // no leave handling: the marker stays
}

void CWidgetWorkflowTest::dragCarriesTheIndexAndDropRequestsAMove()
{
    setPipeline(3);
    QSignalSpy moves(m_strip, &CWidgetWorkflow::MoveRequested);
    QSignalSpy selected(m_strip, &CWidgetWorkflow::CurrentIndexChanged);
    struct Case {
        int dropX, target;
    } cases[] = {
        {m_strip->pieceX(2) + 10, 2}, // on the icon of piece 2
        {m_strip->pieceX(2) - 10, 1}, // marked 2, received by 1
        {600, 3},                     // the band past the last link area
    };
    for (const Case &c : cases) {
        m_strip->setCurrentIndex(-1);
        moves.clear();
        selected.clear();
        QByteArray payload;
        QPixmap pixmap;
        Qt::DropActions actions;
        bool accepted = false;
        CWidgetWorkflow::setDragHook([&](QDrag *drag, Qt::DropActions supported) {
            QMimeData *data = drag->mimeData();
            QVERIFY(data->hasFormat(QStringLiteral("image/x-workflow-piece")));
            payload = data->data(QStringLiteral("image/x-workflow-piece"));
            actions = supported;
            pixmap = drag->pixmap();
            QDragEnterEvent enter(QPoint(c.dropX, 40), Qt::MoveAction, data, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(m_strip, &enter);
            QVERIFY(enter.isAccepted());
            QCOMPARE(enter.dropAction(), Qt::MoveAction);
            QDropEvent drop(QPointF(c.dropX, 40), Qt::MoveAction, data, Qt::LeftButton,
                            Qt::NoModifier);
            QApplication::sendEvent(m_strip, &drop);
            accepted = drop.isAccepted();
        });
        QTest::mousePress(m_strip, Qt::LeftButton, Qt::NoModifier,
                          QPoint(m_strip->pieceX(0) + 20, 20));
        QCOMPARE(payload, QByteArray("\x00\x00\x00\x00", 4));
        QCOMPARE(actions, Qt::DropActions(Qt::MoveAction));
        QVERIFY(accepted);
        QCOMPARE(moves.count(), 1);
        QCOMPARE(moves[0][0].toInt(), 0);
        QCOMPARE(moves[0][1].toInt(), c.target);
        // The press selected piece 0, then the drop selects the target.
        QCOMPARE(selected.count(), 2);
        QCOMPARE(selected[1][0].toInt(), c.target);
        QCOMPARE(m_strip->currentIndex(), c.target);
        QCOMPARE(m_strip->dropIndex(), -1);
    }

    // A big-endian index for a later piece.
    QByteArray payload;
    CWidgetWorkflow::setDragHook([&](QDrag *drag, Qt::DropActions) {
        payload = drag->mimeData()->data(QStringLiteral("image/x-workflow-piece"));
    });
    QTest::mousePress(m_strip, Qt::LeftButton, Qt::NoModifier, QPoint(m_strip->pieceX(2), 20));
    QCOMPARE(payload, QByteArray("\x00\x00\x00\x02", 4));
}

void CWidgetWorkflowTest::dropsFromElsewhereOrWithABadPayloadAreRefused()
{
    setPipeline(3);
    QSignalSpy moves(m_strip, &CWidgetWorkflow::MoveRequested);
    const int x = m_strip->pieceX(1) + 10;
    QByteArray index;
    QDataStream(&index, QIODevice::WriteOnly) << (qint32)0;

    // Data of the right type that this strip is not dragging: refused at the
    // entry, so the platform delivers no drop.
    QMimeData foreign;
    foreign.setData(QStringLiteral("image/x-workflow-piece"), index);
    QDragEnterEvent enter(QPoint(x, 40), Qt::MoveAction, &foreign, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_strip, &enter);
    QVERIFY(!enter.isAccepted());

    // A drop that reaches the strip anyway, during its own drag: foreign
    // data, the payload cut, padded or empty, or another type.
    struct Case {
        QByteArray payload;
        const char *type;
        bool foreign;
    } cases[] = {
        {index, "image/x-workflow-piece", true},
        {QByteArray("\x00\x00\x01", 3), "image/x-workflow-piece", false},
        {QByteArray("\x00\x00\x00\x01\x00", 5), "image/x-workflow-piece", false},
        {QByteArray(), "image/x-workflow-piece", false},
        {index, "text/plain", false},
    };
    for (const Case &c : cases) {
        bool entered = false, dropped = true;
        CWidgetWorkflow::setDragHook([&](QDrag *drag, Qt::DropActions) {
            QMimeData *data = drag->mimeData();
            QDragEnterEvent own(QPoint(x, 40), Qt::MoveAction, data, Qt::LeftButton,
                                Qt::NoModifier);
            QApplication::sendEvent(m_strip, &own);
            entered = own.isAccepted();
            if (QLatin1String(c.type) != QLatin1String("image/x-workflow-piece"))
                data->removeFormat(QStringLiteral("image/x-workflow-piece"));
            data->setData(QLatin1String(c.type), c.payload);
            QDropEvent drop(QPointF(x, 40), Qt::MoveAction, c.foreign ? &foreign : data,
                            Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_strip, &drop);
            dropped = drop.isAccepted();
        });
        QTest::mousePress(m_strip, Qt::LeftButton, Qt::NoModifier,
                          QPoint(m_strip->pieceX(0) + 5, 40));
        QVERIFY(entered);
        QVERIFY(!dropped);
        QCOMPARE(moves.count(), 0);
    }
}

void CWidgetWorkflowTest::busyStripSelectsWithoutDragging()
{
    setPipeline(2);
    int drags = 0;
    CWidgetWorkflow::setDragHook([&](QDrag *, Qt::DropActions) { drags++; });
    m_strip->setDragEnabled(false);
    QSignalSpy selected(m_strip, &CWidgetWorkflow::CurrentIndexChanged);
    QTest::mousePress(m_strip, Qt::LeftButton, Qt::NoModifier, QPoint(m_strip->pieceX(1), 40));
    QCOMPARE(selected.count(), 1);
    QCOMPARE(drags, 0);
    m_strip->setDragEnabled(true);
    QTest::mousePress(m_strip, Qt::LeftButton, Qt::NoModifier, QPoint(m_strip->pieceX(0), 40));
    QCOMPARE(drags, 1);
}

// German titles run wider than their 112-pixel boxes: cut short with an
// ellipsis, never into the next title. A strip narrower than its new row
// grows inside the rebuild; that leaves one set of labels, not two.
void CWidgetWorkflowTest::longTitlesFitTheirBoxesAndLabelsNeverDouble()
{
    const QString qm =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../app/language/de_DE.qm");
    QTranslator german;
    if (!german.load(qm))
        QSKIP("no compiled German translation");
    QCoreApplication::installTranslator(&german);
    m_strip->resize(300, 112);
    for (const char *kind : {"watermark_text", "watermark_image", "stamp_text", "gray",
                             "watermark_text", "stamp_image"})
        m_ops << makeOperation(kind);
    m_strip->setCurrentIndex(0);

    const int n = m_ops.count();
    QCOMPARE(m_strip->width(), 114 * n + 190);
    QCOMPARE(m_strip->findChildren<QLabel *>().count(), 3 * n - 1);
    bool cut = false;
    QRect previous;
    for (int i = 0; i < n; i++) {
        const QList<QLabel *> at = labelsAt(m_strip, QPoint(m_strip->pieceX(i) - 19, 81));
        QCOMPARE(at.count(), 1);
        QLabel *title = at[0];
        const QString full = m_ops[i]->info()->title();
        QVERIFY2(title->minimumSizeHint().width() <= title->width(), qPrintable(title->text()));
        if (title->text() != full) {
            cut = true;
            QVERIFY2(title->text().endsWith(QChar(0x2026)), qPrintable(title->text()));
            QVERIFY(full.startsWith(title->text().chopped(1)));
        }
        QVERIFY(!title->geometry().intersects(previous));
        previous = title->geometry();
    }
    // "Text-Wasserzeichen" and "Bild-Wasserzeichen" need more than the box.
    QVERIFY(cut);
}

QTEST_MAIN(CWidgetWorkflowTest)
#include "cwidgetworkflow_test.moc"
