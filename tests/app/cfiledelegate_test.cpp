// CFileDelegate: a row painted into a picture has its check box ending at
// x = 20 of the view, the thumbnail at (28, 2) of the item in 96 x 72, and
// three lines of text from x = 131, y = 10; list mode paints nothing; rows
// are 80 high; a click on the drawn check box toggles the mark.
#include "step1_fixture.h"

#include "cfiledelegate.h"
#include "cfilemodel.h"

#include <QApplication>
#include <QListView>
#include <QPainter>
#include <QtTest>

#include <vector>

class CFileDelegateTest : public QObject
{
    Q_OBJECT

private:
    static sn_image_t *solid(int width, int height, uint32_t pixel)
    {
        sn_image_t *image = sn_image_create(width, height, 1);
        sn_image_allocate_frame(image, 0);
        uint32_t **rows = sn_image_get_frame(image, 0);
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++)
                rows[y][x] = pixel;
        return image;
    }
    static QImage paintRow(CFileDelegate &delegate, const QModelIndex &index, const QRect &rect)
    {
        QImage image(rect.right() + 20, rect.bottom() + 20, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.rect = rect;
        option.font = QApplication::font();
        option.fontMetrics = QFontMetrics(option.font);
        option.palette = QApplication::palette();
        option.state = QStyle::State_Enabled;
        delegate.paint(&painter, option, index);
        painter.end();
        return image;
    }
    static bool isRed(QRgb p)
    {
        return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
    }
    static bool isInk(QRgb p)
    {
        return qGray(p) < 160 && !isRed(p);
    }

private slots:
    void initTestCase()
    {
        step1::startEngine();
    }
    void cleanupTestCase()
    {
        step1::stopEngine();
    }

    void thumbnailRowLayout()
    {
        CFileModel model;
        model.setViewMode(1);
        model.addFile("/photos/holiday/beach.jpg", 3 * 1048576, 1346500000, false);
        fileman_item_t *item = fileman_get(model.list(), 0);
        item->thumbnail = solid(96, 72, SN_PIXEL(255, 255, 0, 0));
        CFileDelegate delegate;
        delegate.setViewMode(1);

        // The item starts at x = 10 so that the check box's absolute place
        // shows: its right edge stays at 20, not at 30.
        const QRect rect(10, 40, 600, 80);
        QImage image = paintRow(delegate, model.index(0), rect);

        QRect red;
        for (int y = 0; y < image.height(); y++)
            for (int x = 0; x < image.width(); x++)
                if (isRed(image.pixel(x, y)))
                    red |= QRect(x, y, 1, 1);
        QCOMPARE(red, QRect(10 + 28, 40 + 2, 96, 72));

        int checkRight = -1, checkLeft = 1000;
        for (int y = rect.top(); y <= rect.bottom(); y++)
            for (int x = 0; x < 10 + 28; x++)
                if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                    checkRight = qMax(checkRight, x);
                    checkLeft = qMin(checkLeft, x);
                }
        QCOMPARE(checkRight, 20);
        QVERIFY(checkLeft > 0 && checkLeft < 15);

        // Text: nothing between the thumbnail and x = 131 of the item, and
        // three separate lines from y = 10 of the item down.
        std::vector<int> inkRows;
        for (int y = 0; y < image.height(); y++) {
            bool ink = false;
            for (int x = 10 + 28 + 96; x < image.width(); x++) {
                if (!isInk(image.pixel(x, y)))
                    continue;
                QVERIFY2(x >= 10 + 131, qPrintable(QString("ink at %1,%2").arg(x).arg(y)));
                ink = true;
            }
            if (ink)
                inkRows.push_back(y);
        }
        QVERIFY(!inkRows.empty());
        std::vector<int> lineStarts{inkRows[0]};
        for (size_t i = 1; i < inkRows.size(); i++)
            if (inkRows[i] > inkRows[i - 1] + 1)
                lineStarts.push_back(inkRows[i]);
        QCOMPARE((int)lineStarts.size(), 3);
        const int lineHeight = QFontMetrics(QApplication::font()).height();
        QVERIFY(lineStarts[0] >= 40 + 10 && lineStarts[0] < 40 + 10 + lineHeight);
        // Each line's box starts 4 pixels below the bottom of the one above.
        for (int i = 1; i < 3; i++)
            QVERIFY(qAbs((lineStarts[i] - lineStarts[i - 1]) - (lineHeight + 3)) <= 2);
        QVERIFY(inkRows.back() <= rect.bottom());
        model.removeAll();
    }

    // A path longer than the text area keeps to one line, so that all three
    // lines stay inside the row.
    void longPathStaysInsideTheRow()
    {
        CFileModel model;
        model.setViewMode(1);
        QByteArray path = "/photos/" + QByteArray(300, 'n') + "/" + QByteArray(200, 'm') + ".jpg";
        model.addFile(path.constData(), 1, 1, false);
        CFileDelegate delegate;
        delegate.setViewMode(1);
        const QRect rect(0, 0, 400, 80);
        QImage image = paintRow(delegate, model.index(0), rect);
        int lines = 0, last = -2, bottom = -1;
        for (int y = 0; y < image.height(); y++) {
            bool ink = false;
            for (int x = 131; x < image.width(); x++)
                ink = ink || isInk(image.pixel(x, y));
            if (ink) {
                lines += y > last + 1;
                last = y;
                bottom = y;
            }
        }
        QCOMPARE(lines, 3);
        QVERIFY(bottom <= rect.bottom());
        model.removeAll();
    }

    void listModePaintsNothingAndRowsAre80High()
    {
        CFileModel model;
        model.addFile("/photos/a.jpg", 1, 1, false);
        CFileDelegate delegate;
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 400, 80);
        option.font = QApplication::font();
        option.fontMetrics = QFontMetrics(option.font);
        QSize listSize = delegate.sizeHint(option, model.index(0));
        QVERIFY(listSize.height() < 80);
        QImage image = paintRow(delegate, model.index(0), option.rect);
        QImage white(image.size(), QImage::Format_ARGB32);
        white.fill(Qt::white);
        QCOMPARE(image, white);

        delegate.setViewMode(1);
        QSize thumbSize = delegate.sizeHint(option, model.index(0));
        QCOMPARE(thumbSize.height(), 80);
        QCOMPARE(thumbSize.width(), listSize.width());
        model.removeAll();
    }

    void clickOnTheDrawnCheckBoxTogglesTheMark()
    {
        CFileModel model;
        model.setViewMode(1);
        model.addFile("/photos/a.jpg", 1, 1, false);
        model.addFile("/photos/b.jpg", 1, 1, false);
        CFileDelegate delegate;
        delegate.setViewMode(1);
        QListView view;
        view.setModel(&model);
        view.setItemDelegate(&delegate);
        view.resize(500, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        QStyleOptionViewItem option;
        option.rect = view.visualRect(model.index(1));
        option.font = view.font();
        option.fontMetrics = QFontMetrics(option.font);
        QRect check = delegate.checkRect(option, model.index(1));
        QCOMPARE(check.right(), 20);
        QCOMPARE(option.rect.height(), 80);

        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, check.center());
        QCOMPARE(fileman_get(model.list(), 1)->checked, 1);
        QCOMPARE(fileman_get(model.list(), 0)->checked, 0);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, check.center());
        QCOMPARE(fileman_get(model.list(), 1)->checked, 0);
        // Elsewhere on the row: no change.
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(80, check.center().y()));
        QCOMPARE(fileman_get(model.list(), 1)->checked, 0);
        model.removeAll();
    }
};

QTEST_MAIN(CFileDelegateTest)
#include "cfiledelegate_test.moc"
