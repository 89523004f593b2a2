// CFileModel: roles, flags and headers over the engine's list; thumbnails
// made on the worker and stored only in the row that still holds their entry;
// dropping requests while a decode is running never waits for it; list
// changes free the thumbnails they remove.
#include "step1_fixture.h"
#include "zv_test.h"

#include "cfilemodel.h"

#include <QSignalSpy>
#include <QtTest>

#include <unistd.h>

#include <atomic>
#include <mutex>

// The held decode of droppingNeverWaitsForARunningDecode.
struct HeldDecode {
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    std::mutex mutex;
    QStringList made; // the paths decoded, in order
};

HeldDecode &held()
{
    static HeldDecode h;
    return h;
}

sn_image_t *heldThumbnail(const char *path)
{
    {
        std::lock_guard<std::mutex> lock(held().mutex);
        held().made << QString::fromUtf8(path);
    }
    held().entered = true;
    while (!held().release.load())
        usleep(1000);
    return CFileModel::makeThumbnail(path);
}

class CFileModelTest : public QObject
{
    Q_OBJECT

private:
    zvtest::TempDir m_dir;
    QString file(const char *name)
    {
        return QString::fromStdString(m_dir.file(name));
    }
    static void holdDecodes()
    {
        held().entered = false;
        held().release = false;
        std::lock_guard<std::mutex> lock(held().mutex);
        held().made.clear();
        CFileModel::setThumbnailMaker(heldThumbnail);
    }
    static QStringList madeSoFar()
    {
        std::lock_guard<std::mutex> lock(held().mutex);
        return held().made;
    }
    static sn_image_t *picture(CFileModel &model, int row)
    {
        return (sn_image_t *)model.data(model.index(row), CFileModel::PictureRole)
            .value<quintptr>();
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
    // Every case starts from an empty list; removing through a model frees
    // the thumbnails a failed case left behind.
    void cleanup()
    {
        CFileModel model;
        model.removeAll();
        model.sortFiles(FILEMAN_SORT_NAME, false);
    }

    void rolesFlagsAndHeaders()
    {
        CFileModel model;
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(model.addFile("/photos/b.jpg", 4000000000u, -5, false));
        QVERIFY(model.addFile("/photos/a.jpg", 12, 1346500000, false));
        QVERIFY(model.addFile("/photos/b.jpg", 1, 1, false)); // already listed: taken, not added
        QCOMPARE(model.rowCount(), 2);

        QModelIndex a = model.index(0), b = model.index(1);
        QCOMPARE(model.data(a, CFileModel::PathRole).toByteArray(), QByteArray("/photos/a.jpg"));
        QCOMPARE(model.data(b, CFileModel::PathRole).toByteArray(), QByteArray("/photos/b.jpg"));
        QCOMPARE(QString(model.data(b, CFileModel::MtimeRole).typeName()), QString("qulonglong"));
        QCOMPARE(model.data(b, CFileModel::MtimeRole).toULongLong(), 0xFFFFFFFFFFFFFFFBull);
        QCOMPARE(QString(model.data(b, CFileModel::SizeRole).typeName()), QString("uint"));
        QCOMPARE(model.data(b, CFileModel::SizeRole).toUInt(), 4000000000u);
        QCOMPARE(model.data(a, Qt::CheckStateRole).toInt(), 0);
        QVERIFY(!model.data(a, Qt::DisplayRole).isValid());
        QVERIFY(!model.data(model.index(5), CFileModel::PathRole).isValid());
        QVERIFY(!model.data(QModelIndex(), CFileModel::PathRole).isValid());

        // The picture role holds a whole pointer.
        QVariant value = model.data(a, CFileModel::PictureRole);
        QCOMPARE((int)value.userType(), qMetaTypeId<quintptr>());
        QCOMPARE((sn_image_t *)value.value<quintptr>(), model.placeholder());
        QCOMPARE(model.placeholder()->width, 80);
        QCOMPARE(model.placeholder()->height, 60);
        // The "cannot read" picture is as large, and drawn apart.
        QCOMPARE(model.unreadable()->width, 80);
        QCOMPARE(model.unreadable()->height, 60);
        QVERIFY(!zvtest::same_pixels(model.unreadable(), model.placeholder()));

        QCOMPARE((int)model.flags(a), 0x31);
        QCOMPARE((int)model.flags(QModelIndex()), 0x31);

        // Thumbnail mode: one column, no headers; list mode: three.
        model.setViewMode(1);
        QCOMPARE(model.columnCount(), 1);
        QVERIFY(!model.headerData(0, Qt::Horizontal, Qt::DisplayRole).isValid());
        model.setViewMode(0);
        QCOMPARE(model.columnCount(), 3);
        const char *headers[] = {"Name", "Size", "Date"};
        for (int section = 0; section < 3; section++)
            QCOMPARE(model.headerData(section, Qt::Horizontal, Qt::DisplayRole).toString(),
                     QString::fromLatin1(headers[section]));
        QVERIFY(!model.headerData(3, Qt::Horizontal, Qt::DisplayRole).isValid());
        QVERIFY(!model.headerData(0, Qt::Vertical, Qt::DisplayRole).isValid());
        QVERIFY(!model.headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid());

        // Check state: only 2 sets the mark.
        QSignalSpy changed(&model, &CFileModel::dataChanged);
        struct {
            QVariant value;
            int checked;
        } cases[] = {{2, 1}, {1, 0}, {2, 1}, {0, 0}, {QString("x"), 0}};
        for (const auto &c : cases) {
            QVERIFY(model.setData(a, c.value, Qt::CheckStateRole));
            QCOMPARE(fileman_get(model.list(), 0)->checked, c.checked);
            QCOMPARE(model.data(a, Qt::CheckStateRole).toInt(), c.checked ? 2 : 0);
        }
        QCOMPARE(changed.count(), 5);
        QVERIFY(!model.setData(a, 2, Qt::EditRole));
        QVERIFY(!model.setData(model.index(7), 2, Qt::CheckStateRole));
        QCOMPARE(changed.count(), 5);

        QSignalSpy reset(&model, &CFileModel::modelReset);
        model.refresh();
        QCOMPARE(reset.count(), 1);
        model.removeAll();
    }

    void thumbnailIsMadeOnceAndStoredInItsRow()
    {
        QString photo = file("photo.jpg");
        QVERIFY(step1::writePicture(photo, 640, 480));
        QString broken = file("broken.jpg");
        QVERIFY(zvtest::write_file(broken.toStdString(), std::string("\xFF\xD8 not really")));

        CFileModel model;
        model.setViewMode(1);
        model.addFile(broken.toUtf8().constData(), 10, 0, false);
        model.addFile(photo.toUtf8().constData(), 10, 0, false);
        QCOMPARE(step1::paths(model.list()), QStringList() << broken << photo);

        QSignalSpy changed(&model, &CFileModel::dataChanged);
        // Painted three times before the worker gets to it: one request.
        for (int i = 0; i < 3; i++)
            QCOMPARE(picture(model, 1), model.placeholder());
        QCOMPARE(model.pendingThumbnails(), 1);
        QVERIFY(changed.wait(10000));
        QCOMPARE(changed.at(0).at(0).toModelIndex().row(), 1);
        sn_image_t *thumb = picture(model, 1);
        QVERIFY(thumb != model.placeholder());
        QCOMPARE(thumb->width, 96);
        QCOMPARE(thumb->height, 72);
        QCOMPARE(fileman_get(model.list(), 1)->thumbnail, thumb);
        QCOMPARE(model.requestsHeld(), 0);

        // A file that does not decode shows the "cannot read" picture once
        // its decode has failed, and is not tried again.
        QCOMPARE(picture(model, 0), model.placeholder());
        QTRY_COMPARE_WITH_TIMEOUT(model.requestsHeld(), 0, 10000);
        QCOMPARE(model.pendingThumbnails(), 0);
        QVERIFY(zvtest::same_pixels(picture(model, 0), model.unreadable()));
        QCOMPARE(model.pendingThumbnails(), 0);
        QCOMPARE(model.requestsHeld(), 0);
        model.removeAll();
    }

    void filesThatCannotBeReadShowTheirOwnPicture()
    {
        QString text = file("notes.jpg");
        QVERIFY(zvtest::write_file(text.toStdString(), std::string("just some notes\n")));
        QString whole = file("whole.jpg");
        QVERIFY(step1::writePicture(whole, 320, 240));
        QString cut = file("cut.jpg");
        QFile source(whole);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QVERIFY(zvtest::write_file(cut.toStdString(), source.read(300).toStdString()));
        QString cmyk = file("cmyk.jpg");
        QVERIFY(zvtest::run("convert -size 64x48 xc:red -colorspace CMYK " +
                            zvtest::quote(cmyk.toStdString())) == 0);
        CFileModel model;
        model.setViewMode(1);
        for (const QString &path : {cmyk, cut, text, whole})
            model.addFile(path.toUtf8().constData(), 1, 0, false);
        QCOMPARE(step1::paths(model.list()), (QStringList{cmyk, cut, text, whole}));
        for (int row = 0; row < 4; row++)
            QCOMPARE(picture(model, row), model.placeholder());
        QTRY_COMPARE_WITH_TIMEOUT(model.requestsHeld(), 0, 10000);
        for (int row = 0; row < 3; row++)
            QVERIFY2(zvtest::same_pixels(picture(model, row), model.unreadable()),
                     qPrintable(step1::paths(model.list())[row]));
        QCOMPARE(picture(model, 3)->width, 96);
        QCOMPARE(model.pendingThumbnails(), 0);
        model.removeAll();
    }

    // The picture arrives after the list changed: the row no longer holds
    // the entry it was made for, so it is freed and not stored anywhere.
    void pictureForAChangedRowIsDropped()
    {
        QString a = file("a.jpg"), b = file("b.jpg");
        QVERIFY(step1::writePicture(a, 200, 150));
        QVERIFY(step1::writePicture(b, 200, 150));
        CFileModel model;
        model.addFile(a.toUtf8().constData(), 1, 0, false);
        model.addFile(b.toUtf8().constData(), 2, 0, false);
        QCOMPARE(picture(model, 0), model.placeholder());
        // Delivery needs this thread's event loop, so the sort always comes
        // first: row 0 now holds b.
        model.sortFiles(FILEMAN_SORT_NAME, true);
        QCOMPARE(QString::fromUtf8(fileman_get(model.list(), 0)->path), b);
        QTRY_COMPARE_WITH_TIMEOUT(model.requestsHeld(), 0, 10000);
        QVERIFY(!fileman_get(model.list(), 0)->thumbnail);
        QVERIFY(!fileman_get(model.list(), 1)->thumbnail);

        // Removed before the picture arrives: nothing is stored, nothing leaks.
        QCOMPARE(picture(model, 1), model.placeholder());
        QVERIFY(model.removeAll());
        QTRY_COMPARE_WITH_TIMEOUT(model.requestsHeld(), 0, 10000);
        QCOMPARE(model.rowCount(), 0);
        QVERIFY(!model.removeAll());
    }

    // A decode that does not end until the test says so keeps the worker
    // busy; dropping requests and changing the list must return at once,
    // and the picture that comes late finds its entry gone and is freed.
    void droppingNeverWaitsForARunningDecode()
    {
        // Both real, so that the held decode gives a picture whichever sorts
        // first: only a late picture reaches the row check.
        QString photo = file("held.jpg"), queued = file("queued.jpg");
        QVERIFY(step1::writePicture(photo, 120, 90));
        QVERIFY(step1::writePicture(queued, 120, 90));
        holdDecodes();
        CFileModel model;
        model.addFile(photo.toUtf8().constData(), 0, 0, false);
        model.addFile(queued.toUtf8().constData(), 0, 0, false);
        const QString first = QString::fromUtf8(fileman_get(model.list(), 0)->path);
        QCOMPARE(first, photo);
        picture(model, 0);
        QVERIFY(zvtest::wait_for([] { return held().entered.load(); }, 10000));
        picture(model, 1);
        QCOMPARE(model.requestsHeld(), 2);
        model.scrollBarValueChanged(10);
        QCOMPARE(model.pendingThumbnails(), 0);
        QVERIFY(model.removeAll());
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.requestsHeld(), 2); // the running one and the dropped one
        QVERIFY(!held().release.load());   // nothing above waited for the decode

        // Another file now at the same row: the late picture was made for an
        // entry that is gone and must not be stored there.
        model.addFile("/p/another.jpg", 0, 0, false);
        QSignalSpy changed(&model, &CFileModel::dataChanged);
        held().release = true;
        QTRY_COMPARE_WITH_TIMEOUT(model.requestsHeld(), 0, 10000);
        QVERIFY(!fileman_get(model.list(), 0)->thumbnail);
        QCOMPARE(changed.count(), 0);
        // The dropped request was never decoded.
        QCOMPARE(madeSoFar(), QStringList() << first);
        CFileModel::setThumbnailMaker(nullptr);
        model.removeAll();
    }

    // While one decode runs, the rows asked for later are served newest
    // first: the rows painted last are the ones in view.
    void newestRequestFirst()
    {
        holdDecodes();
        CFileModel model;
        const char *names[] = {"/p/1.jpg", "/p/2.jpg", "/p/3.jpg", "/p/4.jpg"};
        for (const char *name : names)
            model.addFile(name, 0, 0, false);
        picture(model, 0);
        QVERIFY(zvtest::wait_for([] { return held().entered.load(); }, 10000));
        for (int row = 1; row < 4; row++)
            picture(model, row);
        held().release = true;
        QTRY_COMPARE_WITH_TIMEOUT(model.requestsHeld(), 0, 10000);
        QCOMPARE(madeSoFar(), QStringList() << "/p/1.jpg"
                                            << "/p/4.jpg"
                                            << "/p/3.jpg"
                                            << "/p/2.jpg");
        CFileModel::setThumbnailMaker(nullptr);
        model.removeAll();
    }

    void removeCheckedKeepsTheOrderOfTheRest()
    {
        CFileModel model;
        const char *names[] = {"/p/1.jpg", "/p/2.jpg", "/p/3.jpg", "/p/4.jpg", "/p/5.jpg"};
        for (const char *name : names)
            model.addFile(name, 1, 1, false);
        model.setData(model.index(1), 2, Qt::CheckStateRole);
        model.setData(model.index(2), 2, Qt::CheckStateRole);
        model.setData(model.index(4), 2, Qt::CheckStateRole);
        QSignalSpy reset(&model, &CFileModel::modelReset);
        QVERIFY(model.removeChecked());
        QCOMPARE(reset.count(), 1);
        QCOMPARE(step1::paths(model.list()), QStringList() << "/p/1.jpg"
                                                           << "/p/4.jpg");
        QVERIFY(!model.removeChecked());
        model.removeAll();
    }

    // Appended in bulk, the entries still end in name order and a path that
    // is listed already (or comes twice) stays one entry.
    void bulkAddKeepsTheNameOrderRules()
    {
        CFileModel model;
        model.addFile("/p/m.jpg", 1, 1, false);
        model.sortFiles(FILEMAN_SORT_NAME, true);
        model.beginBulkAdd();
        QVERIFY(model.addFile("/p/z.jpg", 1, 1, false));
        QVERIFY(model.addFile("/p/a.jpg", 1, 1, false));
        QVERIFY(model.addFile("/p/m.jpg", 1, 1, false));
        QVERIFY(model.addFile("/p/a.jpg", 1, 1, false));
        model.endBulkAdd();
        QCOMPARE(step1::paths(model.list()), QStringList() << "/p/z.jpg"
                                                           << "/p/m.jpg"
                                                           << "/p/a.jpg");
        int sort = 0, descending = 0;
        fileman_get_sort(model.list(), &sort, &descending);
        QCOMPARE(sort, FILEMAN_SORT_NAME);
        QCOMPARE(descending, 1);
        model.sortFiles(FILEMAN_SORT_NAME, false);
        model.removeAll();
    }

    // At shutdown the worker ends, every thumbnail is freed with it, and no
    // paint queues anything after.
    void stopFreesThumbnailsAndQueuesNothingAfter()
    {
        QString photo = file("stop.jpg");
        QVERIFY(step1::writePicture(photo, 300, 200));
        CFileModel model;
        model.addFile(photo.toUtf8().constData(), 1, 1, false);
        QSignalSpy changed(&model, &CFileModel::dataChanged);
        picture(model, 0);
        QVERIFY(changed.wait(10000));
        QVERIFY(fileman_get(model.list(), 0)->thumbnail);
        model.addFile("/p/none.jpg", 1, 1, false);
        picture(model, 0);
        model.stopThumbnails();
        QVERIFY(!fileman_get(model.list(), 1)->thumbnail);
        QCOMPARE(model.requestsHeld(), 0);
        QCOMPARE(picture(model, 1), model.placeholder());
        QCOMPARE(model.requestsHeld(), 0);
        QCOMPARE(model.requestFileInfo(photo.toUtf8().constData()), 0ull);
        model.stopThumbnails();
        model.removeAll();
    }

    void fileInfoComesFromTheWorkerWithTheFullSize()
    {
        QString photo = file("large.jpg");
        QVERIFY(step1::writePicture(photo, 1600, 1200));
        CFileModel model;
        QSignalSpy ready(&model, &CFileModel::fileInfoReady);
        quint64 first = model.requestFileInfo("/p/missing.jpg");
        quint64 second = model.requestFileInfo(photo.toUtf8().constData());
        QVERIFY(first != 0 && second > first);
        QTRY_VERIFY_WITH_TIMEOUT(ready.count() >= 1 && model.requestsHeld() == 0, 10000);
        // The first request was overtaken: only the second is answered.
        QCOMPARE(ready.count(), 1);
        QCOMPARE(ready.at(0).at(0).toULongLong(), second);
        QImage shown = ready.at(0).at(1).value<QImage>();
        QCOMPARE(shown.size(), QSize(220, 165));
        QCOMPARE(ready.at(0).at(2).toInt(), 1600);
        QCOMPARE(ready.at(0).at(3).toInt(), 1200);
        QCOMPARE(ready.at(0).at(4).toInt(), (int)SN_IMAGE_FORMAT_JPEG);

        quint64 third = model.requestFileInfo("/p/missing.jpg");
        QVERIFY(ready.wait(10000));
        QCOMPARE(ready.at(1).at(0).toULongLong(), third);
        QVERIFY(ready.at(1).at(1).value<QImage>().isNull());
    }
};

QTEST_MAIN(CFileModelTest)
#include "cfilemodel_test.moc"
