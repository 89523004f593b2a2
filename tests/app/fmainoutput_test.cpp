// The Step 3 page driven through its controls: what each control writes into
// the engine's output settings, the example name, the format-dependent
// enabling, the keyword menu and removal, the folder dialog and the display
// of a loaded profile.
#include "fmainoutput.h"

#include "appsettings.h"
#include "dialogs.h"
#include "image/sn_image.h"
#include "msganswer.h"
#include "photobatch.h"
#include "zv_test.h"

#include <string.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include <functional>
#include <memory>

namespace
{

outputconfig_t *config()
{
    return photobatch_get_outputconfig(photobatch_get_instance());
}

fileman_t *files()
{
    return photobatch_get_fileman(photobatch_get_instance());
}

outputconfig_t snapshot()
{
    outputconfig_t copy;
    outputconfig_copy(config(), &copy);
    return copy;
}

// Runs action on the next modal dialog that opens, from the event loop that
// the dialog's exec() spins.
void onNextModal(std::function<void(QDialog *)> action)
{
    auto timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action]() {
        QDialog *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        action(dialog);
    });
    timer->start();
}

} // namespace

class FMainOutputTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FMainOutput> page;
    template <typename T> T *child(const char *name)
    {
        T *w = page->findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no child %s", name);
        return w;
    }
    QLineEdit *mask()
    {
        return child<QLineEdit>("edtFileNameMask");
    }

private slots:
    void initTestCase()
    {
        sn_image_init();
        QVERIFY(photobatch_create_instance() == 0);
    }
    void cleanupTestCase()
    {
        photobatch_destroy_instance();
        sn_image_uninit();
    }
    void init()
    {
        fileman_clear(files());
        page.reset(new FMainOutput);
        page->show();
        MsgAnswer::clear();
    }
    void cleanup()
    {
        page.reset();
        Dialogs::reset();
        QCOMPARE(MsgAnswer::unexpected(), 0);
    }

    void constructionWritesTheInitialControls()
    {
        outputconfig_t c = snapshot();
        QCOMPARE(c.format, SN_IMAGE_FORMAT_JPEG);
        QCOMPARE(c.quality, 95);
        QCOMPARE(QString(c.filename_template), QString());
        QCOMPARE(QString(c.output_folder), QString());
        QCOMPARE(c.use_source_folder + c.transparent + c.keep_source_format + c.keep_attribute +
                     c.delete_source,
                 0);
        QCOMPARE(child<QComboBox>("cmbFormat")->currentIndex(), 2);
        // The name built from the empty path when the list is empty.
        QCOMPARE(child<QLineEdit>("edtPreview")->text(), QStringLiteral("(0).jpg"));

        QVERIFY(!child<QLineEdit>("edtPreview")->isEnabled());
        QVERIFY(!mask()->isEnabled());
        QVERIFY(!child<QPushButton>("btnFileNameMask")->isEnabled());
        QVERIFY(!child<QPushButton>("btnFileNameMaskRemove")->isEnabled());
        QVERIFY(child<QCheckBox>("chkKeepFormat")->isHidden());
        QVERIFY(child<QCheckBox>("chkMultiPage")->isHidden());
        QLabel *warn = child<QLabel>("lbOverwriteWarn");
        QVERIFY(warn->isHidden());
        QCOMPARE(warn->property("TextWarning").toBool(), true);
    }

    void everyControlWritesItsField()
    {
        QTest::keyClicks(child<QLineEdit>("edtFolder"), "/out/dir");
        QCOMPARE(QString(snapshot().output_folder), QStringLiteral("/out/dir"));

        child<QCheckBox>("chkUseSource")->click();
        QCOMPARE(snapshot().use_source_folder, 1);
        QVERIFY(child<QLabel>("lbOverwriteWarn")->isVisible());
        child<QCheckBox>("chkUseSource")->click();
        QCOMPARE(snapshot().use_source_folder, 0);
        QVERIFY(child<QLabel>("lbOverwriteWarn")->isHidden());

        child<QCheckBox>("chkRenameFile")->click();
        QVERIFY(mask()->isEnabled());
        QVERIFY(child<QPushButton>("btnFileNameMask")->isEnabled());
        QTest::keyClicks(mask(), "img_<Filename>");
        QCOMPARE(QString(snapshot().filename_template), QStringLiteral("img_<Filename>"));
        // Renaming off empties the template but keeps the edit's text; on
        // again brings it back.
        child<QCheckBox>("chkRenameFile")->click();
        QCOMPARE(QString(snapshot().filename_template), QString());
        QCOMPARE(mask()->text(), QStringLiteral("img_<Filename>"));
        QVERIFY(!child<QPushButton>("btnFileNameMaskRemove")->isEnabled());
        child<QCheckBox>("chkRenameFile")->click();
        QCOMPARE(QString(snapshot().filename_template), QStringLiteral("img_<Filename>"));

        struct Flag {
            const char *box;
            int outputconfig_t::*field;
        } flags[] = {{"chkTransparent", &outputconfig_t::transparent},
                     {"chkKeepAttr", &outputconfig_t::keep_attribute},
                     {"chkDelSource", &outputconfig_t::delete_source}};
        child<QComboBox>("cmbFormat")->setCurrentIndex(3); // transparency needs PNG
        for (const Flag &f : flags) {
            QCheckBox *box = child<QCheckBox>(f.box);
            box->click();
            QVERIFY2(snapshot().*f.field == 1, f.box);
            box->click();
            QVERIFY2(snapshot().*f.field == 0, f.box);
        }
        // The hidden box still carries its value.
        child<QCheckBox>("chkKeepFormat")->setChecked(true);
        QCOMPARE(snapshot().keep_source_format, 1);
        child<QCheckBox>("chkMultiPage")->setChecked(true);
        QCOMPARE(snapshot().keep_source_format, 1);
    }

    void qualityControlsFollowEachOther()
    {
        QSlider *slider = child<QSlider>("sliderQuality");
        QSpinBox *spin = child<QSpinBox>("sbQuality");
        slider->setValue(40);
        QCOMPARE(spin->value(), 40);
        QCOMPARE(snapshot().quality, 40);
        spin->selectAll();
        QTest::keyClicks(spin, "60");
        QCOMPARE(slider->value(), 60);
        QCOMPARE(snapshot().quality, 60);
    }

    void formatDecidesWhatIsEnabled()
    {
        struct Case {
            int item;
            int format;
            bool quality;
            bool transparent;
        } cases[] = {{0, SN_IMAGE_FORMAT_BMP, false, false},
                     {1, SN_IMAGE_FORMAT_GIF, false, true},
                     {2, SN_IMAGE_FORMAT_JPEG, true, false},
                     {3, SN_IMAGE_FORMAT_PNG, false, true},
                     {4, SN_IMAGE_FORMAT_TIFF, false, true}};
        QComboBox *combo = child<QComboBox>("cmbFormat");
        child<QSlider>("sliderQuality")->setValue(70);
        // The items are known by position: translated texts change nothing.
        for (int i = 0; i < combo->count(); i++)
            combo->setItemText(i, QStringLiteral("Format %1").arg(i));
        for (int pass = 0; pass < 2; pass++) {
            for (const Case &c : cases) {
                combo->setCurrentIndex(c.item);
                QCOMPARE(snapshot().format, c.format);
                QCOMPARE(child<QSlider>("sliderQuality")->isEnabled(), c.quality);
                QCOMPARE(child<QSpinBox>("sbQuality")->isEnabled(), c.quality);
                QCOMPARE(child<QCheckBox>("chkTransparent")->isEnabled(), c.transparent);
                // A disabled control still gives its value.
                QCOMPARE(snapshot().quality, 70);
            }
        }
        combo->setCurrentIndex(3);
        QCOMPARE(child<QLineEdit>("edtPreview")->text(), QStringLiteral("(0).png"));
    }

    void exampleFollowsEveryChange()
    {
        fileman_add(files(), "/pics/IMG_01.jpg", 10, 0);
        fileman_add(files(), "/pics/IMG_02.jpg", 10, 0);
        QLineEdit *preview = child<QLineEdit>("edtPreview");
        QTest::keyClicks(child<QLineEdit>("edtFolder"), "/out");
        QCOMPARE(preview->text(), QStringLiteral("/out/IMG_01.jpg"));
        child<QCheckBox>("chkRenameFile")->click();
        QTest::keyClicks(mask(), "<Foldername>_<Counter 5:2:3>");
        QCOMPARE(preview->text(), QStringLiteral("/out/pics_005.jpg"));
        child<QComboBox>("cmbFormat")->setCurrentIndex(4);
        QCOMPARE(preview->text(), QStringLiteral("/out/pics_005.tif"));
        child<QCheckBox>("chkUseSource")->click();
        QCOMPARE(preview->text(), QStringLiteral("/pics/pics_005.tif"));
        // The lock is free again after every change.
        outputconfig_t c;
        QCOMPARE(outputconfig_copy(config(), &c), 0);
    }

    void longTextsAreCut()
    {
        QString longFolder(1500, QLatin1Char('d'));
        child<QLineEdit>("edtFolder")->setText(longFolder);
        QCOMPARE(strlen(snapshot().output_folder), size_t(1023));
        // Two-byte characters are never split in the middle.
        child<QCheckBox>("chkRenameFile")->click();
        mask()->setText(QString(600, QChar(0xE4)));
        outputconfig_t c = snapshot();
        QCOMPARE(strlen(c.filename_template), size_t(1022));
        QCOMPARE(QString::fromUtf8(c.filename_template), QString(511, QChar(0xE4)));
    }

    void removeKeywordAtCursor()
    {
        struct Case {
            const char *text;
            int cursor;
            const char *result;
            int after;
        } cases[] = {
            {"a<Filename>b", 11, "ab", 1},          // just behind the '>'
            {"a<Filename>b", 5, "ab", 1},           // inside
            {"a<Filename>b", 2, "ab", 1},           // just behind the '<'
            {"a<Filename>b", 1, "a<Filename>b", 1}, // just before the '<'
            {"a<Filename>b", 0, "a<Filename>b", 0},
            {"a<Filename>b", 12, "a<Filename>b", 12}, // behind plain text
            {"<Counter 1:1:1><Filename>", 15, "<Filename>", 0},
            {"<Counter 1:1:1><Filename>", 25, "<Counter 1:1:1>", 15},
            {"<A>x<B>", 4, "<A>x<B>", 4}, // between keywords, outside both
            {"plain", 3, "plain", 3},
            {"a<unclosed", 4, "a<unclosed", 4},
            {"", 0, "", 0},
        };
        child<QCheckBox>("chkRenameFile")->click();
        QPushButton *remove = child<QPushButton>("btnFileNameMaskRemove");
        for (const Case &c : cases) {
            QString label = QStringLiteral("%1 @%2").arg(c.text).arg(c.cursor);
            mask()->setText(QString::fromUtf8(c.text));
            mask()->setCursorPosition(c.cursor);
            remove->click();
            QVERIFY2(mask()->text() == QString::fromUtf8(c.result), qPrintable(label));
            QVERIFY2(mask()->cursorPosition() == c.after, qPrintable(label));
            QVERIFY2(QString(snapshot().filename_template) == QString::fromUtf8(c.result),
                     qPrintable(label));
        }
    }

    void keywordMenuInsertsAtCursor()
    {
        child<QCheckBox>("chkRenameFile")->click();
        QMenu *menu = page->findChild<QMenu *>();
        QVERIFY(menu);
        QList<QAction *> actions = menu->actions();
        QCOMPARE(actions.size(), 5);
        QStringList texts;
        for (QAction *a : actions)
            texts << a->text();
        QCOMPARE(texts, (QStringList{"Source File Name", "Source Folder Name", "Source Extension",
                                     "Counter", "Data / Time"}));

        child<QPushButton>("btnFileNameMask")->click();
        QTRY_VERIFY(menu->isVisible());
        QPushButton *plus = child<QPushButton>("btnFileNameMask");
        // Under the button's bottom-left corner, moved left only as far as the
        // screen's edge asks.
        QPoint corner = plus->mapToGlobal(QPoint(0, plus->height()));
        QCOMPARE(menu->pos().y(), corner.y());
        QVERIFY(menu->pos().x() <= corner.x());
        QVERIFY(menu->geometry().right() >= corner.x());
        menu->hide();

        struct Case {
            int action;
            const char *keyword;
        } cases[] = {{0, "<Filename>"}, {1, "<Foldername>"}, {2, "<Extension>"}};
        for (const Case &c : cases) {
            mask()->setText(QStringLiteral("abXYcd"));
            mask()->setSelection(2, 2); // the insertion replaces the selection
            actions[c.action]->trigger();
            QString expected = QStringLiteral("ab%1cd").arg(c.keyword);
            QCOMPARE(mask()->text(), expected);
            QCOMPARE(QString(snapshot().filename_template), expected);
        }
    }

    void keywordDialogsInsertOnAcceptOnly()
    {
        child<QCheckBox>("chkRenameFile")->click();
        QList<QAction *> actions = page->findChild<QMenu *>()->actions();
        mask()->setText(QStringLiteral("x_"));
        mask()->setCursorPosition(2);

        bool real = true;
        onNextModal([&](QDialog *d) {
            QSpinBox *start = d->findChild<QSpinBox *>(QStringLiteral("sbStart"));
            QPushButton *ok = d->findChild<QPushButton *>(QStringLiteral("btnOK"));
            if (!start || !ok) {
                real = false;
                d->reject();
                return;
            }
            start->setValue(5);
            d->findChild<QSpinBox *>(QStringLiteral("sbDigits"))->setValue(3);
            ok->click();
        });
        actions[3]->trigger();
        QVERIFY2(real, "the counter menu did not open the counter dialog");
        QCOMPARE(mask()->text(), QStringLiteral("x_<Counter 5:1:3>"));

        onNextModal(
            [](QDialog *d) { d->findChild<QPushButton *>(QStringLiteral("btnOK"))->click(); });
        actions[4]->trigger();
        QCOMPARE(mask()->text(),
                 QStringLiteral("x_<Counter 5:1:3><Datetime Photo MMM-DD-YYYY HH-MM24>"));

        // Cancelled dialogs insert nothing.
        for (int a : {3, 4}) {
            onNextModal([](QDialog *d) {
                d->findChild<QPushButton *>(QStringLiteral("btnCancel"))->click();
            });
            actions[a]->trigger();
        }
        QCOMPARE(QString(snapshot().filename_template),
                 QStringLiteral("x_<Counter 5:1:3><Datetime Photo MMM-DD-YYYY HH-MM24>"));
    }

    void folderDialog()
    {
        QString caption;
        QFileDialog::Options options;
        QString answer = QStringLiteral("/chosen/folder");
        Dialogs::hooks().existingDirectory = [&](QWidget *, const QString &c, const QString &,
                                                 QFileDialog::Options o) {
            caption = c;
            options = o;
            return answer;
        };
        child<QPushButton>("btnFolder")->click();
        QCOMPARE(caption, QStringLiteral("Choose output folder"));
        QCOMPARE(options, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
        QCOMPARE(QString(snapshot().output_folder), QStringLiteral("/chosen/folder"));
        answer.clear(); // cancelled
        child<QPushButton>("btnFolder")->click();
        QCOMPARE(child<QLineEdit>("edtFolder")->text(), QStringLiteral("/chosen/folder"));
    }

    void loadConfigShowsTheRecord()
    {
        child<QCheckBox>("chkRenameFile")->click();
        mask()->setText(QStringLiteral("old_<Filename>"));

        // A profile without a template: renaming goes off, the edit keeps
        // its text.
        outputconfig_lock(config());
        strcpy(config()->output_folder, "/profile/out");
        config()->use_source_folder = 1;
        config()->filename_template[0] = '\0';
        config()->format = SN_IMAGE_FORMAT_PNG;
        config()->quality = 40;
        config()->transparent = 1;
        config()->keep_source_format = 1;
        config()->keep_attribute = 1;
        config()->delete_source = 1;
        outputconfig_unlock(config());
        page->loadConfig();
        QCOMPARE(child<QLineEdit>("edtFolder")->text(), QStringLiteral("/profile/out"));
        QVERIFY(child<QCheckBox>("chkUseSource")->isChecked());
        QVERIFY(!child<QCheckBox>("chkRenameFile")->isChecked());
        QVERIFY(!mask()->isEnabled());
        QVERIFY(!child<QPushButton>("btnFileNameMask")->isEnabled());
        QCOMPARE(mask()->text(), QStringLiteral("old_<Filename>"));
        QCOMPARE(child<QComboBox>("cmbFormat")->currentIndex(), 3);
        QCOMPARE(child<QSlider>("sliderQuality")->value(), 40);
        QCOMPARE(child<QSpinBox>("sbQuality")->value(), 40);
        for (const char *box : {"chkTransparent", "chkKeepFormat", "chkKeepAttr", "chkDelSource"})
            QVERIFY2(child<QCheckBox>(box)->isChecked(), box);
        outputconfig_t c = snapshot();
        QCOMPARE(QString(c.filename_template), QString());
        QCOMPARE(c.quality, 40);
        QCOMPARE(c.keep_source_format, 1);
        // Keeping the source's format: the empty path has none, so no suffix.
        QCOMPARE(child<QLineEdit>("edtPreview")->text(), QStringLiteral("(0)"));

        // With a template, and a format that has no item: no selection, the
        // record keeps its id.
        outputconfig_lock(config());
        strcpy(config()->filename_template, "p_<Counter 1:1:2>");
        config()->format = SN_IMAGE_FORMAT_TGA;
        outputconfig_unlock(config());
        page->loadConfig();
        QVERIFY(child<QCheckBox>("chkRenameFile")->isChecked());
        QVERIFY(mask()->isEnabled());
        QVERIFY(child<QPushButton>("btnFileNameMaskRemove")->isEnabled());
        QCOMPARE(mask()->text(), QStringLiteral("p_<Counter 1:1:2>"));
        QCOMPARE(child<QComboBox>("cmbFormat")->currentIndex(), -1);
        QCOMPARE(snapshot().format, SN_IMAGE_FORMAT_TGA);
        QCOMPARE(QString(snapshot().filename_template), QStringLiteral("p_<Counter 1:1:2>"));
    }

    void languageChangeKeepsTheSettings()
    {
        QTranslator german;
        if (!german.load(QCoreApplication::applicationDirPath() + "/../app/language/de_DE.qm"))
            QSKIP("no compiled German translation");
        child<QComboBox>("cmbFormat")->setCurrentIndex(4);
        child<QSlider>("sliderQuality")->setValue(33);
        QCoreApplication::installTranslator(&german);
        QCoreApplication::processEvents();
        QCOMPARE(child<QGroupBox>("gpbFolder")->title(), QStringLiteral("Ausgabeordner"));
        QCOMPARE(page->findChild<QMenu *>()->actions().at(3)->text(), QStringLiteral("Zähler"));
        QCOMPARE(child<QComboBox>("cmbFormat")->currentIndex(), 4);
        QCOMPARE(snapshot().format, SN_IMAGE_FORMAT_TIFF);
        QCOMPARE(snapshot().quality, 33);
        QCoreApplication::removeTranslator(&german);
        QCoreApplication::processEvents();
        QCOMPARE(child<QGroupBox>("gpbFolder")->title(), QStringLiteral("Output Folder"));
    }

    void busyHoldsTheSettingsStill()
    {
        child<QComboBox>("cmbFormat")->setCurrentIndex(3); // PNG: quality off
        page->setBusy(true);
        for (const char *group : {"gpbFolder", "gpbNames", "gpbFormat", "gpbMisc"})
            QVERIFY2(!child<QGroupBox>(group)->isEnabled(), group);
        page->setBusy(false);
        QVERIFY(child<QComboBox>("cmbFormat")->isEnabled());
        QVERIFY(child<QCheckBox>("chkTransparent")->isEnabled());
        QVERIFY(!child<QSlider>("sliderQuality")->isEnabled());
    }
};

QTEST_MAIN(FMainOutputTest)
#include "fmainoutput_test.moc"
