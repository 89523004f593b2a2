// Tests of the photo-list file straight, without the page: the files it
// refuses to read (a folder, a FIFO, a NUL byte, a missing file), how lines
// become paths, and which paths a list would read back as they stand.
#include "photolist.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class PhotoListTest : public QObject
{
    Q_OBJECT

private slots:
    void refusesWhatIsNoList();
    void linesBecomePaths_data();
    void linesBecomePaths();
    void readsBack();
};

void PhotoListTest::refusesWhatIsNoList()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString good = root.path() + QStringLiteral("/good.zvl");
    const QString nul = root.path() + QStringLiteral("/nul.zvl");
    const QString fifo = root.path() + QStringLiteral("/fifo.zvl");
    QFile file(good);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("/a.jpg\r\n");
    file.close();
    QFile bad(nul);
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray("/a.jpg\r\n/b\0.jpg\r\n", 17));
    bad.close();
    QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);

    QByteArray bytes("left over");
    QVERIFY(photoListRead(good, &bytes));
    QCOMPARE(bytes, QByteArray("/a.jpg\r\n"));
    for (const QString &name : {nul, fifo, root.path(), root.path() + QStringLiteral("/none")}) {
        bytes = "left over";
        QVERIFY2(!photoListRead(name, &bytes), qPrintable(name));
        QVERIFY(bytes.isEmpty());
    }
    QVERIFY(!photoListRead(good, nullptr));
}

void PhotoListTest::linesBecomePaths_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<QByteArray>>("paths");
    QTest::newRow("CR LF and LF") << QByteArray("/a.jpg\r\n/b.png\n/c.gif")
                                  << QList<QByteArray>{"/a.jpg", "/b.png", "/c.gif"};
    QTest::newRow("byte-order mark")
        << QByteArray("\xEF\xBB\xBF/a.jpg\r\n") << QList<QByteArray>{"/a.jpg"};
    QTest::newRow("blanks, empty lines, comments")
        << QByteArray("  /a b.jpg \t\r\n\r\n\n# /skipped.jpg\r\n  #/indented.jpg\r\n")
        << QList<QByteArray>{"/a b.jpg"};
    QTest::newRow("empty") << QByteArray() << QList<QByteArray>{};
    // A longer line is read in pieces of 1023 bytes, as by a line buffer.
    const QByteArray longLine = QByteArray(1023, 'x') + "/tail.jpg\n";
    QTest::newRow("long line") << longLine << QList<QByteArray>{QByteArray(1023, 'x'), "/tail.jpg"};
    QTest::newRow("line of 1022") << QByteArray(1022, 'y') + "\n/next.jpg"
                                  << QList<QByteArray>{QByteArray(1022, 'y'), "/next.jpg"};
}

void PhotoListTest::linesBecomePaths()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<QByteArray>, paths);
    QCOMPARE(photoListPaths(bytes), paths);
}

void PhotoListTest::readsBack()
{
    struct Case {
        QByteArray path;
        bool back;
    } cases[] = {
        {"/photos/a.jpg", true},       {"/photos/ü.jpg", true},        {"", false},
        {"/two\nlines.jpg", false},    {"/carriage\r.jpg", false},     {"#/comment.jpg", false},
        {" /leading.jpg", false},      {"/trailing.jpg ", false},      {"/bad\xFF.jpg", false},
        {QByteArray(1021, 'a'), true}, {QByteArray(1022, 'a'), false},
    };
    for (const Case &c : cases) {
        QVERIFY2(photoListReadsBack(c.path) == c.back, c.path.left(40).constData());
        // What a list reads back, it reads back whole.
        if (c.back)
            QCOMPARE(photoListPaths(c.path + "\r\n"), QList<QByteArray>{c.path});
    }
}

QTEST_MAIN(PhotoListTest)
#include "photolist_test.moc"
