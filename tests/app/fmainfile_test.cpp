// FMainFile: the Step 1 page driven through its buttons, with its dialogs
// answered through the seams and its questions through the message-box
// answerer: adding files and folder trees, removing, sorting, the information
// panel, the file list file with its exact bytes, the two confirmations, and
// the busy state.
#include "step1_fixture.h"
#include "zv_test.h"

#include "appsettings.h"
#include "appstyle.h"
#include "cfilemodel.h"
#include "dialogs.h"
#include "fmain.h"
#include "fmainfile.h"
#include "msganswer.h"
#include "stamptext.h"
#include "startfolder.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTranslator>
#include <QtTest>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

namespace
{

struct DialogCall {
    QString caption, dir, filter;
    QFileDialog::Options options;
};

} // namespace

class FMainFileTest : public QObject
{
    Q_OBJECT

private:
    zvtest::TempDir m_tmp;
    FMainFile *m_page = nullptr;
    QList<DialogCall> m_calls;
    QFileDialog::Options m_folderOptions;

    QString tmp(const QString &name) const
    {
        return QString::fromStdString(m_tmp.path()) + QLatin1Char('/') + name;
    }
    template <class T> T *child(const char *name) const
    {
        T *widget = m_page->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no child %s", name);
        return widget;
    }
    void click(const char *button)
    {
        child<QPushButton>(button)->click();
    }
    CFileModel *model() const
    {
        return qobject_cast<CFileModel *>(child<QListView>("lvFile")->model());
    }
    QString info() const
    {
        return child<QLabel>("lbPicInfo")->text();
    }
    // The photo dialogs' first folder: the desktop's pictures folder where
    // one exists (the desktop names one even where none was made).
    static QString picturesOrHome()
    {
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        return QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
    }
    QString total() const
    {
        return child<QLabel>("lbTotal")->text();
    }
    void answerOpenFiles(const QStringList &names)
    {
        Dialogs::hooks().openFileNames = [this, names](QWidget *, const QString &caption,
                                                       const QString &dir, const QString &filter) {
            m_calls << DialogCall{caption, dir, filter, QFileDialog::Options()};
            return names;
        };
    }
    void answerFolder(const QString &folder)
    {
        Dialogs::hooks().existingDirectory = [this, folder](QWidget *, const QString &caption,
                                                            const QString &dir,
                                                            QFileDialog::Options options) {
            m_folderOptions = options;
            m_calls << DialogCall{caption, dir, QString(), options};
            return folder;
        };
    }
    void answerSave(const QString &name)
    {
        Dialogs::hooks().saveFileName = [this, name](QWidget *, const QString &caption,
                                                     const QString &dir, const QString &filter,
                                                     QFileDialog::Options options) {
            m_calls << DialogCall{caption, dir, filter, options};
            return name;
        };
    }
    void answerOpen(const QString &name)
    {
        Dialogs::hooks().openFileName = [this, name](QWidget *, const QString &caption,
                                                     const QString &dir, const QString &filter) {
            m_calls << DialogCall{caption, dir, filter, QFileDialog::Options()};
            return name;
        };
    }
    // Adds the pictures through Add Pictures; the list is modified after.
    void addPictures(const QStringList &names)
    {
        answerOpenFiles(names);
        click("btnAddPic");
    }
    QByteArray readAll(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray("<unreadable>");
        return file.readAll();
    }
    // True when the page holds a modified list: the save question comes up.
    bool asksToSave()
    {
        int before = MsgAnswer::seen().size();
        MsgAnswer::next(QDialogButtonBox::No);
        bool cancel = true;
        m_page->askSaveFileList(&cancel);
        bool asked = MsgAnswer::seen().size() > before;
        if (!asked)
            MsgAnswer::clear();
        return asked;
    }

private slots:
    void initTestCase()
    {
        step1::startEngine();
        appsettings_init(tmp("Zandrevik.conf").toUtf8().constData());
    }
    void cleanupTestCase()
    {
        step1::stopEngine();
    }
    void init()
    {
        appsettings_set_defaults(&g_appsettings);
        MsgAnswer::clear();
        StartFolder::reset();
        m_calls.clear();
        m_page = new FMainFile;
        m_page->resize(696, 550);
        // As after start: the first file is the current one.
        step1::list()->current = 0;
    }
    void cleanup()
    {
        model()->removeAll();
        model()->sortFiles(FILEMAN_SORT_NAME, false);
        delete m_page;
        m_page = nullptr;
        Dialogs::reset();
        QCOMPARE(MsgAnswer::unexpected(), 0);
        MsgAnswer::clear();
    }

    void constructionAndBusyState()
    {
        QVERIFY(child<QGroupBox>("gpbView")->isHidden());
        QVERIFY(child<QRadioButton>("rbViewThumbnail")->isChecked());
        QVERIFY(child<QRadioButton>("rbSortName")->isChecked());
        QVERIFY(!child<QCheckBox>("chbSortDirection")->isChecked());
        QCOMPARE(model()->viewMode(), 1);
        QCOMPARE(total(), QString());
        QCOMPARE(info(), QString());
        QCOMPARE(child<QListView>("lvFile")->focusPolicy(), Qt::NoFocus);
        QCOMPARE(child<QLabel>("lbPreview")->size(), QSize(220, 165));

        const char *locked[] = {"btnAddPic", "btnAddFolder", "btnRemove", "btnRemoveAll",
                                "btnLoad"};
        m_page->setBusy(true);
        for (const char *name : locked)
            QVERIFY2(!child<QPushButton>(name)->isEnabled(), name);
        QVERIFY(!child<QGroupBox>("gbpSort")->isEnabled());
        QVERIFY(!child<QRadioButton>("rbSortSize")->isEnabled());
        QVERIFY(child<QPushButton>("btnSave")->isEnabled());
        m_page->setBusy(false);
        for (const char *name : locked)
            QVERIFY2(child<QPushButton>(name)->isEnabled(), name);
        QVERIFY(child<QGroupBox>("gbpSort")->isEnabled());
    }

    // The page's texts come from the German translation, and a language
    // change while it is shown puts the panel's own texts back.
    void germanTranslation()
    {
        QTranslator german;
        QString qm = QCoreApplication::applicationDirPath() + "/../app/language/de_DE.qm";
        if (!german.load(qm))
            QSKIP("no compiled German translation");
        QVERIFY(step1::writePicture(tmp("de.jpg"), 64, 48));
        addPictures(QStringList() << tmp("de.jpg"));
        QTRY_VERIFY_WITH_TIMEOUT(info().startsWith("Name: de.jpg\nSize: "), 10000);
        QCoreApplication::installTranslator(&german);
        QTRY_COMPARE(child<QPushButton>("btnAddPic")->text(),
                     QString::fromUtf8("Bilder hinzufügen"));
        QCOMPARE(child<QGroupBox>("gbpSort")->title(), QString("Sortieren"));
        QCOMPARE(total(), QString("Total: 1 files"));
        QTRY_VERIFY_WITH_TIMEOUT(info().startsWith(QString::fromUtf8("Name: de.jpg\nGröße: ")),
                                 10000);
        QVERIFY(info().contains("\nAbmessungen: 64x48"));
        QCOMPARE(QCoreApplication::translate("FMainFile", "Name: %1\nThis file cannot be read."),
                 QString::fromUtf8("Name: %1\nDiese Datei kann nicht gelesen werden."));
        QCOMPARE(model()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString());
        model()->setViewMode(0);
        QCOMPARE(model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QString::fromUtf8("Größe"));
        model()->setViewMode(1);
        MsgAnswer::next(QDialogButtonBox::No);
        bool cancel = false;
        m_page->askSaveFileList(&cancel);
        QCOMPARE(MsgAnswer::seen().last(),
                 QString::fromUtf8("Zandrevik|Die Dateiliste wurde geändert. Möchten Sie sie "
                                   "speichern?"));
        QCoreApplication::removeTranslator(&german);
        QTRY_COMPARE(child<QPushButton>("btnAddPic")->text(), QString("Add Pictures"));
    }

    // With ZV_SCREENSHOT set to a file name: the page with files listed and
    // their thumbnails made, grabbed into that file, for a look by eye.
    void screenshot()
    {
        QString out = qEnvironmentVariable("ZV_SCREENSHOT");
        if (out.isEmpty())
            QSKIP("ZV_SCREENSHOT not set");
        if (!zvtest::have_tool("convert"))
            QSKIP("ImageMagick convert is needed to make the photos");
        QDir().mkpath(tmp("shot/holiday"));
        QStringList names;
        for (int i = 0; i < 6; i++) {
            QString name = tmp(QString("shot/holiday/IMG_%1.jpg").arg(4210 + i));
            QVERIFY(zvtest::run("convert -size 640x480 -seed " + std::to_string(i + 3) +
                                " plasma:fractal -blur 0x2 " + zvtest::quote(name.toStdString())) ==
                    0);
            names << name;
        }
        addPictures(names);
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page));
        QTRY_VERIFY_WITH_TIMEOUT(info().contains("Dimensions: 640x480"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(fileman_get(step1::list(), 0)->thumbnail &&
                                     fileman_get(step1::list(), 5)->thumbnail,
                                 20000);
        model()->setData(model()->index(1), 2, Qt::CheckStateRole);
        QTest::qWait(100);
        QVERIFY(m_page->grab().save(out));

        // The same files in the skinned main window, which starts and ends
        // the engine itself; the page and the engine come back for cleanup.
        delete m_page;
        m_page = nullptr;
        photobatch_destroy_instance();
        loadSkin();
        {
            FMain window;
            window.resize(800, 600);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(window.filePage());
            window.filePage()->findChild<QPushButton *>("btnAddPic")->click();
            QTRY_VERIFY_WITH_TIMEOUT(
                window.filePage()->findChild<QLabel *>("lbPicInfo")->text().contains("640x480"),
                10000);
            QTRY_VERIFY_WITH_TIMEOUT(fileman_get(step1::list(), 4)->thumbnail, 20000);
            QTest::qWait(200);
            QVERIFY(window.grab().save(out + "-main.png"));
        }
        photobatch_create_instance();
        m_page = new FMainFile;
    }

    void addPicturesTakesImagesOnly()
    {
        QDir().mkpath(tmp("pick/x.jpg"));
        QVERIFY(step1::writePicture(tmp("pick/a.jpg"), 64, 48));
        QVERIFY(step1::writePicture(tmp("pick/B.PNG"), 64, 48, SN_IMAGE_FORMAT_PNG));
        QVERIFY(step1::writePicture(tmp("pick/c.dib"), 64, 48, SN_IMAGE_FORMAT_BMP));
        QVERIFY(zvtest::write_file(tmp("pick/d.txt").toStdString(), std::string("text")));
        addPictures(QStringList() << tmp("pick/a.jpg") << tmp("pick/B.PNG") << tmp("pick/c.dib")
                                  << tmp("pick/d.txt") << tmp("pick/missing.jpg")
                                  << tmp("pick/x.jpg") << tmp("pick/a.jpg"));
        QCOMPARE(step1::paths(step1::list()), QStringList()
                                                  << tmp("pick/B.PNG") << tmp("pick/a.jpg"));
        QCOMPARE(total(), QString("Total: 2 files"));
        QCOMPARE(m_calls.size(), 1);
        QCOMPARE(m_calls[0].caption, QString("Add Files - Zandrevik"));
        QCOMPARE(m_calls[0].dir, picturesOrHome());
        QCOMPARE(m_calls[0].filter,
                 QString("All Files (*);;Windows Bitmap (*.bmp *.dib);;GIF (*.gif);;JPEG (*.jpg "
                         "*.jpeg);;TIFF (*.tif *.tiff);;Portable Graphics PNG (*.png)"));
        QVERIFY(asksToSave());

        // The next dialog starts in the folder of the first name chosen; a
        // choice with no usable file still counts as nothing added.
        addPictures(QStringList() << tmp("pick/d.txt"));
        QCOMPARE(m_calls[1].dir, tmp("pick"));
        addPictures(QStringList());
        QCOMPARE(step1::list()->count, 2);
    }

    void addFolderScansTheTreeOnce()
    {
        const QString root = tmp("tree");
        QDir().mkpath(root + "/sub/deeper");
        const char *images[] = {"one.jpg",
                                "sub/two.JPEG",
                                "sub/three.Tif",
                                "sub/deeper/four.gif",
                                "sub/deeper/five.bmp",
                                "six.tiff",
                                "sub/seven.png"};
        for (const char *name : images)
            QVERIFY(step1::writePicture(root + "/" + name, 8, 8));
        const char *others[] = {"notes.txt", "sub/jpg", "sub/deeper/photo.jpg.bak", "noext"};
        for (const char *name : others)
            QVERIFY(zvtest::write_file((root + "/" + name).toStdString(), std::string("x")));
        // A link back up the tree, and a link to a folder seen elsewhere.
        QVERIFY(symlink("..", (root + "/sub/deeper/up").toUtf8().constData()) == 0);
        QVERIFY(symlink((root + "/sub").toUtf8().constData(),
                        (root + "/again").toUtf8().constData()) == 0);
        // A file whose path is longer than 1022 characters is left out.
        QString deep = root;
        for (int i = 0; i < 5; i++)
            deep += "/" + QString(200, QChar('d' + i));
        QVERIFY(QDir().mkpath(deep));
        QVERIFY(step1::writePicture(deep + "/far.jpg", 8, 8));
        QVERIFY(deep.toUtf8().size() + 8 > 1022);

        answerFolder(root);
        click("btnAddFolder");
        QStringList expected;
        for (const char *name : images)
            expected << root + "/" + name;
        QStringList listed = step1::paths(step1::list());
        QStringList sorted = expected;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString &a, const QString &b) { return a.toUtf8() < b.toUtf8(); });
        // Each file once, whichever of the two ways into sub/ came first.
        QCOMPARE(listed.size(), sorted.size());
        for (const QString &path : listed) {
            QString canonical = QFileInfo(path).canonicalFilePath();
            QVERIFY2(expected.contains(canonical), qPrintable(path));
            expected.removeOne(canonical);
        }
        QVERIFY(expected.isEmpty());
        QCOMPARE(m_calls[0].caption, QString("Add Folder - Zandrevik"));
        // Folders only, and a link chosen stays the link's path.
        QCOMPARE(m_folderOptions, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
        QCOMPARE(m_calls[0].dir, picturesOrHome());
        QCOMPARE(total(), QString("Total: 7 files"));
        QVERIFY(asksToSave());

        click("btnAddFolder"); // the same tree again: nothing new
        QCOMPARE(step1::list()->count, 7);
        QCOMPARE(m_calls[1].dir, root);
    }

    void removeAndSort()
    {
        struct {
            const char *name;
            int size;
            time_t mtime;
        } files[] = {{"r/c.jpg", 40, 3000}, {"r/a.jpg", 200, 1000}, {"r/b.jpg", 120, 2000}};
        QDir().mkpath(tmp("r"));
        QStringList names;
        for (const auto &f : files) {
            QVERIFY(step1::writePicture(tmp(f.name), f.size, 8, SN_IMAGE_FORMAT_BMP, f.mtime));
            names << tmp(f.name);
        }
        addPictures(names);
        auto order = [&]() {
            QString out;
            for (const QString &p : step1::paths(step1::list()))
                out += QFileInfo(p).baseName();
            return out;
        };
        QCOMPARE(order(), QString("abc"));
        fileman_set_current(step1::list(), 1);
        child<QRadioButton>("rbSortSize")->click();
        QCOMPARE(order(), QString("cba"));
        child<QCheckBox>("chbSortDirection")->click();
        QCOMPARE(order(), QString("abc"));
        child<QRadioButton>("rbSortDate")->click();
        QCOMPARE(order(), QString("cba"));
        child<QCheckBox>("chbSortDirection")->click();
        QCOMPARE(order(), QString("abc"));
        child<QRadioButton>("rbSortName")->click();
        QCOMPARE(order(), QString("abc"));
        QCOMPARE(fileman_get_current(step1::list()), 1);

        // Remove the checked ones, the current among them: only the total
        // is left in the panel.
        model()->setData(model()->index(1), 2, Qt::CheckStateRole);
        model()->setData(model()->index(2), 2, Qt::CheckStateRole);
        fileman_set_current(step1::list(), 2);
        click("btnRemove");
        QCOMPARE(order(), QString("a"));
        QCOMPARE(total(), QString("Total: 1 files"));
        QCOMPARE(info(), QString());
        QVERIFY(child<QLabel>("lbPreview")->pixmap(Qt::ReturnByValue).isNull());
        click("btnRemoveAll");
        QCOMPARE(step1::list()->count, 0);
        QCOMPARE(total(), QString());
    }

    void informationPanel()
    {
        QDir().mkpath(tmp("info"));
        struct tm when = {};
        when.tm_year = 2012 - 1900;
        when.tm_mon = 8;
        when.tm_mday = 1;
        when.tm_hour = 12;
        when.tm_isdst = -1;
        time_t mtime = mktime(&when);
        QVERIFY(step1::writePicture(tmp("info/a.bmp"), 40, 30, SN_IMAGE_FORMAT_BMP, mtime));
        QVERIFY(step1::writePicture(tmp("info/b.jpg"), 1600, 1200, SN_IMAGE_FORMAT_JPEG, mtime));
        QVERIFY(zvtest::write_file(tmp("info/c.png").toStdString(), std::string("not a png")));
        addPictures(QStringList() << tmp("info/a.bmp") << tmp("info/b.jpg") << tmp("info/c.png"));

        QString size = format_file_size(QFileInfo(tmp("info/a.bmp")).size());
        QTRY_COMPARE_WITH_TIMEOUT(
            info(),
            QString("Name: a.bmp\nSize: %1\nFormat: BMP\nDate: Sep-01-2012\nDimensions: 40x30")
                .arg(size),
            10000);
        QCOMPARE(child<QLabel>("lbPreview")->pixmap(Qt::ReturnByValue).size(), QSize(220, 165));
        QCOMPARE(total(), QString("Total: 3 files"));

        // A click on another row makes it current; the large JPEG reports its
        // own size, not that of the reduced decode.
        QListView *view = child<QListView>("lvFile");
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                          view->visualRect(model()->index(1)).center());
        QCOMPARE(fileman_get_current(step1::list()), 1);
        QTRY_VERIFY_WITH_TIMEOUT(info().endsWith("\nDimensions: 1600x1200"), 10000);
        QVERIFY(info().startsWith("Name: b.jpg\n"));
        QVERIFY(info().contains("\nFormat: JPG\n"));

        // A file that does not decode: the panel says it cannot be read.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                          view->visualRect(model()->index(2)).center());
        QCOMPARE(info(), QString());
        QCOMPARE(total(), QString("Total: 3 files"));
        QTRY_COMPARE_WITH_TIMEOUT(info(), QString("Name: c.png\nThis file cannot be read."), 10000);
        QVERIFY(child<QLabel>("lbPreview")->pixmap(Qt::ReturnByValue).isNull());
    }

    void saveListWritesExactBytes()
    {
        QDir().mkpath(tmp("save"));
        QStringList names;
        for (const char *n : {"save/x.jpg", "save/y.jpg", "save/z.jpg"}) {
            QVERIFY(step1::writePicture(tmp(n), 8, 8));
            names << tmp(n);
        }
        addPictures(names);
        child<QCheckBox>("chbSortDirection")->click();

        const QString target = tmp("save/list.zvl");
        answerSave(target);
        click("btnSave");
        QCOMPARE(m_calls.last().caption, QString("Save Photo List - Zandrevik"));
        QCOMPARE(m_calls.last().dir, QDir::homePath() + QString("/Zandrevik.zvl"));
        QCOMPARE(m_calls.last().filter, QString("Zandrevik List File (*.zvl);;All Files (*)"));
        // The page asks about an existing file itself; the dialog must not
        // ask the same first.
        QVERIFY(m_calls.last().options.testFlag(QFileDialog::DontConfirmOverwrite));
        QCOMPARE(readAll(target),
                 (names[2] + "\r\n" + names[1] + "\r\n" + names[0] + "\r\n").toUtf8());
        QVERIFY(!asksToSave());

        // The file exists now: No keeps it, Yes with the box ticked writes
        // and stops asking, for good.
        click("btnRemoveAll");
        MsgAnswer::next(QDialogButtonBox::No);
        QVERIFY(!m_page->saveFileList());
        QCOMPARE(MsgAnswer::seen().last(),
                 QString("Zandrevik|File already exists, do you want to overwrite?"));
        QCOMPARE(readAll(target).count('\n'), 3);
        MsgAnswer::next(QDialogButtonBox::Yes, true);
        QVERIFY(m_page->saveFileList());
        QCOMPARE(readAll(target), QByteArray());
        QCOMPARE(g_appsettings.ask_save_filelist_overwrite, 0);
        g_appsettings.ask_save_filelist_overwrite = 1;
        appsettings_load(appsettings_path());
        QCOMPARE(g_appsettings.ask_save_filelist_overwrite, 0);
        int seen = MsgAnswer::seen().size();
        QVERIFY(m_page->saveFileList());
        QCOMPARE(MsgAnswer::seen().size(), seen);

        answerSave(QString());
        QVERIFY(!m_page->saveFileList());
        QDir dir(tmp("save"));
        QCOMPARE(dir.entryList(QStringList() << "*.zvl*", QDir::Files | QDir::Hidden),
                 QStringList() << "list.zvl");
    }

    // A write that fails half way keeps the old list file whole, says so,
    // and the list stays modified; a file that cannot be opened likewise.
    void saveFailureKeepsTheOldList()
    {
        QDir().mkpath(tmp("fail"));
        QString photo = tmp("fail/") + QString(150, 'p') + ".jpg";
        QVERIFY(step1::writePicture(photo, 8, 8));
        addPictures(QStringList() << photo);
        QCOMPARE(step1::list()->count, 1);
        const QString target = tmp("fail/list.zvl");
        QVERIFY(zvtest::write_file(target.toStdString(), std::string("old\r\n")));
        g_appsettings.ask_save_filelist_overwrite = 0;
        answerSave(target);

        struct rlimit old_limit, limit;
        QVERIFY(getrlimit(RLIMIT_FSIZE, &old_limit) == 0);
        limit = old_limit;
        limit.rlim_cur = 64;
        void (*old_handler)(int) = signal(SIGXFSZ, SIG_IGN);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        MsgAnswer::next(QDialogButtonBox::Ok);
        bool saved = m_page->saveFileList();
        setrlimit(RLIMIT_FSIZE, &old_limit);
        signal(SIGXFSZ, old_handler);
        QVERIFY(!saved);
        QCOMPARE(MsgAnswer::seen().last(), QString("Zandrevik|Write file FAILED!"));
        QCOMPARE(readAll(target), QByteArray("old\r\n"));
        QCOMPARE(QDir(tmp("fail")).entryList(QDir::Files | QDir::Hidden).size(), 2);
        QVERIFY(asksToSave());

        answerSave(tmp("no/such/folder/list.zvl"));
        MsgAnswer::next(QDialogButtonBox::Ok);
        QVERIFY(!m_page->saveFileList());
        QCOMPARE(MsgAnswer::seen().last(), QString("Zandrevik|Open file FAILED!"));
    }

    void loadListTakesExistingImagesOnly()
    {
        QDir().mkpath(tmp("load"));
        const QString one = tmp("load/one.jpg"), two = tmp("load/two.png"),
                      split = tmp("load/split.jpg");
        QVERIFY(step1::writePicture(one, 8, 8));
        QVERIFY(step1::writePicture(two, 8, 8, SN_IMAGE_FORMAT_PNG));
        QVERIFY(step1::writePicture(split, 8, 8));
        QVERIFY(zvtest::write_file(tmp("load/notes.txt").toStdString(), std::string("x")));
        QVERIFY(step1::writePicture(tmp("load/old.jpg"), 8, 8));
        addPictures(QStringList() << tmp("load/old.jpg"));

        // A line longer than 1023 bytes is read as several: the path that
        // starts at byte 1023 of this comment is a line of its own.
        QByteArray longLine = "#" + QByteArray(1022, 'c') + split.toUtf8() + "\r\n";
        QByteArray text = "# a comment " + one.toUtf8() + "\r\n\r\n   " + one.toUtf8() + "  \r\n" +
                          tmp("load/missing.jpg").toUtf8() + "\r\n" +
                          tmp("load/notes.txt").toUtf8() + "\r\n" + tmp("load").toUtf8() + "\r\n" +
                          longLine + two.toUtf8();
        const QString listFile = tmp("load/photos.pls");
        QVERIFY(zvtest::write_file(listFile.toStdString(), text.toStdString()));

        g_appsettings.ask_save_filelist = 0;
        answerOpen(listFile);
        click("btnLoad");
        QCOMPARE(m_calls.last().caption, QString("Choose Photo List File - Zandrevik"));
        QCOMPARE(m_calls.last().dir, QDir::homePath());
        QCOMPARE(m_calls.last().filter, QString("All Files (*);;Photo List Files (*.pls)"));
        QCOMPARE(step1::paths(step1::list()), QStringList() << one << split << two);
        QCOMPARE(total(), QString("Total: 3 files"));
        QVERIFY(!asksToSave());

        // Not a list (a NUL byte), or not readable: the list stays as it is.
        const QString binary = tmp("load/binary.zvl");
        QVERIFY(zvtest::write_file(binary.toStdString(),
                                   std::vector<uint8_t>{'/', 't', 0, '\r', '\n'}));
        for (const QString &bad : {binary, tmp("load/missing.zvl")}) {
            answerOpen(bad);
            MsgAnswer::next(QDialogButtonBox::Ok);
            click("btnLoad");
            QCOMPARE(MsgAnswer::seen().last(), QString("Zandrevik|Open file FAILED!"));
            QCOMPARE(step1::list()->count, 3);
        }
        answerOpen(QString());
        click("btnLoad");
        QCOMPARE(step1::list()->count, 3);
    }

    // A name that Load List would read as another one (not UTF-8, or with
    // a blank at its end, which the reader trims) used to be written all
    // the same and lost on the way back: it is left out, and the box names
    // it, in the list's order. A byte-order mark before the first name is skipped.
    void saveListLeavesOutNamesItCannotReadBack()
    {
        QDir().mkpath(tmp("names"));
        const QByteArray good = tmp("names/good.jpg").toUtf8();
        QVERIFY(step1::writePicture(QString::fromUtf8(good), 8, 8));
        const std::vector<uint8_t> picture = zvtest::read_file(good.toStdString());
        const QByteArray latin1 = tmp("names/caf").toUtf8() + "\xE9.jpg";
        const QByteArray blank = tmp("names/blank.jpg ").toUtf8();
        for (const QByteArray &name : {latin1, blank})
            QVERIFY(zvtest::write_file(name.toStdString(), picture));
        for (const QByteArray &name : {good, latin1, blank})
            QVERIFY(model()->addFile(name.constData(), 8, 0, true));

        const QString target = tmp("names/list.zvl");
        answerSave(target);
        MsgAnswer::next(QDialogButtonBox::Ok);
        QVERIFY(m_page->saveFileList());
        QCOMPARE(readAll(target), good + "\r\n");
        QCOMPARE(MsgAnswer::seen().last(),
                 QString("Zandrevik|These file names cannot be read back from a list file, so "
                         "the list was saved without them:\n") +
                     QString::fromUtf8(blank) + "\n" + QString::fromUtf8(latin1));

        QVERIFY(
            zvtest::write_file(target.toStdString(), "\xEF\xBB\xBF" + good.toStdString() + "\r\n"));
        g_appsettings.ask_save_filelist = 0;
        answerOpen(target);
        click("btnLoad");
        QCOMPARE(step1::paths(step1::list()), QStringList() << QString::fromUtf8(good));
    }

    void loadListAsksToSaveAModifiedList()
    {
        QDir().mkpath(tmp("ask"));
        QVERIFY(step1::writePicture(tmp("ask/a.jpg"), 8, 8));
        QVERIFY(zvtest::write_file(tmp("ask/empty.zvl").toStdString(), std::string()));
        addPictures(QStringList() << tmp("ask/a.jpg"));
        int opened = 0;
        Dialogs::hooks().openFileName = [&](QWidget *, const QString &, const QString &,
                                            const QString &) {
            opened++;
            return tmp("ask/empty.zvl");
        };
        const QString question("Zandrevik|File list has been modified, do you want to save it?");

        // Cancel, and Yes with the save dialog cancelled: nothing happens.
        MsgAnswer::next(QDialogButtonBox::Cancel);
        click("btnLoad");
        answerSave(QString());
        MsgAnswer::next(QDialogButtonBox::Yes);
        click("btnLoad");
        QCOMPARE(MsgAnswer::seen(), QStringList() << question << question);
        QCOMPARE(opened, 0);
        QCOMPARE(step1::list()->count, 1);

        // No with the box ticked: loads, and never asks again.
        MsgAnswer::next(QDialogButtonBox::No, true);
        click("btnLoad");
        QCOMPARE(opened, 1);
        QCOMPARE(step1::list()->count, 0);
        QCOMPARE(g_appsettings.ask_save_filelist, 0);
        g_appsettings.ask_save_filelist = 1;
        appsettings_load(appsettings_path());
        QCOMPARE(g_appsettings.ask_save_filelist, 0);
        addPictures(QStringList() << tmp("ask/a.jpg"));
        click("btnLoad");
        QCOMPARE(opened, 2);
        QCOMPARE(MsgAnswer::seen().size(), 3);

        // All confirmations off: no question either.
        g_appsettings.ask_save_filelist = 1;
        g_appsettings.disable_all_confirms = 1;
        addPictures(QStringList() << tmp("ask/a.jpg"));
        click("btnLoad");
        QCOMPARE(opened, 3);
        QCOMPARE(MsgAnswer::seen().size(), 3);

        // Yes that saves: the window may close.
        addPictures(QStringList() << tmp("ask/a.jpg"));
        answerSave(tmp("ask/saved.zvl"));
        MsgAnswer::next(QDialogButtonBox::Yes);
        bool cancel = true;
        m_page->askSaveFileList(&cancel);
        QVERIFY(!cancel);
        QCOMPARE(readAll(tmp("ask/saved.zvl")), (tmp("ask/a.jpg") + "\r\n").toUtf8());
    }
};

QTEST_MAIN(FMainFileTest)
#include "fmainfile_test.moc"
