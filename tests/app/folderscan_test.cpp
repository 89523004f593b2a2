// Tests of the folder scan straight, without the page: photos found below
// every folder, other files and too-long paths left out, and each folder
// entered once although links lead back up the tree or to a sibling.
#include "folderscan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class FolderScanTest : public QObject
{
    Q_OBJECT

private slots:
    void photosByExtension();
    void eachFolderIsEnteredOnce();
    void tooLongPathsAndMissingFolders();
};

namespace
{

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

QStringList scan(const QString &folder)
{
    QStringList found;
    const int count = folderScan(QFile::encodeName(folder).constData(),
                                 [&found](const char *path, const struct stat &st) {
                                     QCOMPARE((int)st.st_size, 1);
                                     found << QFile::decodeName(path);
                                 });
    if (count != found.size())
        found << QStringLiteral("count %1").arg(count);
    found.sort();
    return found;
}

} // namespace

void FolderScanTest::photosByExtension()
{
    struct Case {
        const char *name;
        bool photo;
    } cases[] = {{"a.jpg", true}, {"b.JPEG", true}, {"c.Tif", true}, {"d.tiff", true},
                 {"e.gif", true}, {"f.png", true},  {"g.bmp", true}, {"h.jpg.txt", false},
                 {"jpg", false},  {"i.jp", false},  {".png", true},  {"j.webp", false}};
    for (const Case &c : cases)
        QVERIFY2(isSupportedImageFile(c.name) == c.photo, c.name);
    QVERIFY(!isSupportedImageFile(nullptr));

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("one/two")));
    touch(root.path() + QStringLiteral("/top.png"));
    touch(root.path() + QStringLiteral("/notes.txt"));
    touch(root.path() + QStringLiteral("/one/two/deep.JPG"));
    QCOMPARE(scan(root.path()), QStringList({root.path() + QStringLiteral("/one/two/deep.JPG"),
                                             root.path() + QStringLiteral("/top.png")}));
}

void FolderScanTest::eachFolderIsEnteredOnce()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString base = root.path();
    QVERIFY(QDir(base).mkpath(QStringLiteral("sub/deeper")));
    touch(base + QStringLiteral("/sub/deeper/photo.jpg"));
    // A link to the parent, one to the root itself, and one to a sibling
    // folder that is also reached the ordinary way.
    QVERIFY(symlink("..", QFile::encodeName(base + "/sub/deeper/up").constData()) == 0);
    QVERIFY(symlink(QFile::encodeName(base).constData(),
                    QFile::encodeName(base + "/sub/root").constData()) == 0);
    QVERIFY(symlink(QFile::encodeName(base + "/sub/deeper").constData(),
                    QFile::encodeName(base + "/again").constData()) == 0);
    const QStringList found = scan(base);
    QCOMPARE(found.size(), 1);
    QVERIFY(found.first().endsWith(QStringLiteral("/photo.jpg")));
}

void FolderScanTest::tooLongPathsAndMissingFolders()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    // Names up to the 1022-byte limit of a whole path are found; one byte
    // more and the photo is skipped, not cut into another name.
    QString folder = root.path();
    while (1022 - folder.size() - 1 > 240) {
        folder +=
            QLatin1Char('/') + QString(std::min(200, 1022 - folder.size() - 200), QLatin1Char('d'));
        QVERIFY(QDir().mkpath(folder));
    }
    const int left = 1022 - folder.size() - 1;
    const QString fits = folder + QLatin1Char('/') + QString(left - 4, QLatin1Char('f')) + ".png";
    const QString over = folder + QLatin1Char('/') + QString(left - 3, QLatin1Char('o')) + ".png";
    QCOMPARE(fits.toUtf8().size(), 1022);
    touch(fits);
    touch(over);
    QCOMPARE(scan(root.path()), QStringList({fits}));

    QCOMPARE(folderScan(QFile::encodeName(root.path() + "/missing").constData(),
                        [](const char *, const struct stat &) { QFAIL("found"); }),
             0);
    QCOMPARE(folderScan(nullptr, [](const char *, const struct stat &) {}), 0);
}

QTEST_MAIN(FolderScanTest)
#include "folderscan_test.moc"
