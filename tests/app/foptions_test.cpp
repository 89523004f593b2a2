// FOptions driven through its controls: what it shows of the settings block,
// the line-limit validator and the clamping on OK, the log-file controls and
// their picker, Reset All Confirms, the language list, the failed save and
// the German texts.
#include "appsettings.h"
#include "appstyle.h"
#include "base/sn_setting.h"
#include "dialogs.h"
#include "foptions.h"
#include "msganswer.h"
#include "styletitle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

class FOptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void showsTheSettings();
    void validatorRefusesMoreThanTenThousandWhileTyping();
    void okClampsTheLineLimit();
    void okStoresAndSaves();
    void saveLogWithoutAFileIsSwitchedOff();
    void choosingTheLogFile();
    void resetAllConfirmsChangesMemoryOnly();
    void languageListComesFromTheLanguageFolder();
    void failedSaveKeepsTheDialogOpen();
    void germanTexts();

private:
    QString settingsPath() const
    {
        return m_dir->path() + QStringLiteral("/Zandrevik.conf");
    }
    static void clickOk(FOptions &dialog)
    {
        dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))
            ->button(QDialogButtonBox::Ok)
            ->click();
    }
    template <class T> static T *child(FOptions &dialog, const char *name)
    {
        T *w = dialog.findChild<T *>(QLatin1String(name));
        if (!w)
            qFatal("no %s", name);
        return w;
    }

    QScopedPointer<QTemporaryDir> m_dir;
};

void FOptionsTest::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    appsettings_init(QFile::encodeName(settingsPath()).constData());
    setLanguageFolder(m_dir->path() + QStringLiteral("/language"));
    MsgAnswer::clear();
}

void FOptionsTest::cleanup()
{
    Dialogs::reset();
    setLanguageFolder(QString());
    QCOMPARE(MsgAnswer::unexpected(), 0);
}

void FOptionsTest::showsTheSettings()
{
    FOptions dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Settings - Zandrevik"));
    QCOMPARE(dialog.titleBar()->title(), QStringLiteral("Settings - Zandrevik"));
    QCOMPARE(child<QLineEdit>(dialog, "edtMaxLogline")->text(), QStringLiteral("800"));
    QVERIFY(!child<QCheckBox>(dialog, "chkSaveLog")->isChecked());
    QVERIFY(!child<QLineEdit>(dialog, "edtLogFile")->isEnabled());
    QVERIFY(!child<QPushButton>(dialog, "btnChooseLogFile")->isEnabled());
    QVERIFY(!child<QCheckBox>(dialog, "chkDisableAllConfirms")->isChecked());

    strcpy(g_appsettings.log_filename, "/var/log/zandrevik.log");
    g_appsettings.disable_all_confirms = 1;
    g_appsettings.max_log_lines = 12000;
    FOptions other;
    QVERIFY(child<QCheckBox>(other, "chkSaveLog")->isChecked());
    QCOMPARE(child<QLineEdit>(other, "edtLogFile")->text(),
             QStringLiteral("/var/log/zandrevik.log"));
    QVERIFY(child<QLineEdit>(other, "edtLogFile")->isEnabled());
    QVERIFY(child<QCheckBox>(other, "chkDisableAllConfirms")->isChecked());
    QCOMPARE(child<QLineEdit>(other, "edtMaxLogline")->text(), QStringLiteral("12000"));

    // Unticking and ticking the box switches the edit and its button.
    QCheckBox *save = child<QCheckBox>(other, "chkSaveLog");
    save->click();
    QVERIFY(!child<QLineEdit>(other, "edtLogFile")->isEnabled());
    QVERIFY(!child<QPushButton>(other, "btnChooseLogFile")->isEnabled());
    save->click();
    QVERIFY(child<QPushButton>(other, "btnChooseLogFile")->isEnabled());
}

void FOptionsTest::validatorRefusesMoreThanTenThousandWhileTyping()
{
    FOptions dialog;
    dialog.show();
    QLineEdit *edit = child<QLineEdit>(dialog, "edtMaxLogline");
    struct Case {
        const char *typed;
        const char *shown;
    } cases[] = {
        {"20000", "2000"}, {"10000", "10000"}, {"10001", "1000"},
        {"99999", "9999"}, {"5", "5"},         {"-100", "100"},
    };
    for (const Case &c : cases) {
        edit->clear();
        QTest::keyClicks(edit, QLatin1String(c.typed));
        QCOMPARE(edit->text(), QLatin1String(c.shown));
    }
    int pos = 0;
    QString text = QStringLiteral("20000");
    QCOMPARE(edit->validator()->validate(text, pos), QValidator::Invalid);
    text = QStringLiteral("50");
    QCOMPARE(edit->validator()->validate(text, pos), QValidator::Intermediate);
}

void FOptionsTest::okClampsTheLineLimit()
{
    struct Case {
        int stored;        // the value the dialog opens with
        const char *typed; // typed over it, or null
        int expected;
    } cases[] = {
        {0, nullptr, 100},       // a settings file without the key
        {800, "", 100},          // emptied field
        {800, "5", 100},         // below the bottom
        {12000, nullptr, 12000}, // from the file, above what typing allows
        {20000, nullptr, 15000}, {800, "4321", 4321},
    };
    for (const Case &c : cases) {
        init();
        g_appsettings.max_log_lines = c.stored;
        FOptions dialog;
        dialog.show();
        QLineEdit *edit = child<QLineEdit>(dialog, "edtMaxLogline");
        if (c.typed) {
            edit->clear();
            QTest::keyClicks(edit, QLatin1String(c.typed));
        }
        clickOk(dialog);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(g_appsettings.max_log_lines, c.expected);
        QCOMPARE(edit->text(), QString::number(c.expected));
    }
}

void FOptionsTest::okStoresAndSaves()
{
    FOptions dialog;
    dialog.show();
    child<QCheckBox>(dialog, "chkSaveLog")->click();
    // Typed keys are ASCII only; the name is set as a paste would.
    child<QLineEdit>(dialog, "edtLogFile")->setText(QStringLiteral("/tmp/zv-ü.log"));
    child<QCheckBox>(dialog, "chkDisableAllConfirms")->click();
    clickOk(dialog);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(g_appsettings.disable_all_confirms, 1);
    QCOMPARE(QString::fromUtf8(g_appsettings.log_filename), QStringLiteral("/tmp/zv-ü.log"));
    // The first item is no language: it is stored as an empty name.
    QCOMPARE(QString::fromUtf8(g_appsettings.lang_filename), QString());

    sn_setting_t *store = sn_setting_create();
    QCOMPARE(sn_setting_load(store, QFile::encodeName(settingsPath()).constData()), 0);
    int value = 0;
    QCOMPARE(sn_setting_get_int(store, nullptr, "disable_all_confirms", &value), 0);
    QCOMPARE(value, 1);
    QCOMPARE(QString::fromUtf8(sn_setting_get_string(store, nullptr, "log_filename")),
             QStringLiteral("/tmp/zv-ü.log"));
    QCOMPARE(QString::fromUtf8(sn_setting_get_string(store, nullptr, "lang_filename")), QString());
    sn_setting_destroy(store);

    // Cancel changes nothing.
    FOptions again;
    again.show();
    child<QCheckBox>(again, "chkDisableAllConfirms")->click();
    again.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
    QCOMPARE(again.result(), int(QDialog::Rejected));
    QCOMPARE(g_appsettings.disable_all_confirms, 1);
}

void FOptionsTest::saveLogWithoutAFileIsSwitchedOff()
{
    strcpy(g_appsettings.log_filename, "/tmp/old.log");
    FOptions dialog;
    dialog.show();
    child<QLineEdit>(dialog, "edtLogFile")->clear();
    clickOk(dialog);
    QVERIFY(!child<QCheckBox>(dialog, "chkSaveLog")->isChecked());
    QVERIFY(!child<QLineEdit>(dialog, "edtLogFile")->isEnabled());
    QCOMPARE(g_appsettings.log_filename[0], '\0');

    // A name is not stored while the box is off.
    strcpy(g_appsettings.log_filename, "/tmp/old.log");
    FOptions off;
    off.show();
    child<QCheckBox>(off, "chkSaveLog")->click();
    clickOk(off);
    QCOMPARE(g_appsettings.log_filename[0], '\0');
}

void FOptionsTest::choosingTheLogFile()
{
    QString caption, dir, filter;
    QString answer = QStringLiteral("/data/run.log");
    Dialogs::hooks().saveFileName = [&](QWidget *, const QString &c, const QString &d,
                                        const QString &f, QFileDialog::Options) {
        caption = c;
        dir = d;
        filter = f;
        return answer;
    };
    // The picker starts beside the log file set, never in the working
    // folder.
    const QString logs = m_dir->path() + QStringLiteral("/logs");
    QVERIFY(QDir().mkpath(logs));
    QVERIFY(QDir::setCurrent(m_dir->path()));
    qstrncpy(g_appsettings.log_filename, QFile::encodeName(logs + QStringLiteral("/old.log")),
             sizeof g_appsettings.log_filename);
    FOptions dialog;
    dialog.show();
    QPushButton *choose = child<QPushButton>(dialog, "btnChooseLogFile");
    QTest::mouseClick(choose, Qt::LeftButton);
    QCOMPARE(caption, QStringLiteral("Choose Log File - Zandrevik"));
    QCOMPARE(dir, logs + QStringLiteral("/Zandrevik.txt"));
    QCOMPARE(filter, QStringLiteral("Text Files (*.txt);;Log Files (*.log);;All Files (*)"));
    QCOMPARE(child<QLineEdit>(dialog, "edtLogFile")->text(), answer);
    QVERIFY(!QFile::exists(answer));
    // Cancelling the picker keeps the name; a name whose folder is not there
    // starts the picker at home.
    answer.clear();
    QTest::mouseClick(choose, Qt::LeftButton);
    QCOMPARE(dir, QDir::homePath() + QStringLiteral("/Zandrevik.txt"));
    QCOMPARE(child<QLineEdit>(dialog, "edtLogFile")->text(), QStringLiteral("/data/run.log"));

    // No log file yet: home as well.
    g_appsettings.log_filename[0] = '\0';
    FOptions fresh;
    fresh.show();
    QTest::mouseClick(child<QCheckBox>(fresh, "chkSaveLog"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(fresh, "btnChooseLogFile"), Qt::LeftButton);
    QCOMPARE(dir, QDir::homePath() + QStringLiteral("/Zandrevik.txt"));
    QVERIFY(QDir::setCurrent(QDir::tempPath()));
}

void FOptionsTest::resetAllConfirmsChangesMemoryOnly()
{
    g_appsettings.ask_save_filelist = 0;
    g_appsettings.ask_save_filelist_overwrite = 0;
    g_appsettings.ask_create_output_folder = 0;
    g_appsettings.ask_empty_filterlist = 0;
    g_appsettings.disable_all_confirms = 1;
    FOptions dialog;
    dialog.show();
    child<QPushButton>(dialog, "btnResetAllConfirms")->click();
    QCOMPARE(g_appsettings.ask_save_filelist, 1);
    QCOMPARE(g_appsettings.ask_save_filelist_overwrite, 1);
    QCOMPARE(g_appsettings.ask_create_output_folder, 1);
    QCOMPARE(g_appsettings.ask_empty_filterlist, 1);
    QCOMPARE(g_appsettings.disable_all_confirms, 1);
    QVERIFY(child<QCheckBox>(dialog, "chkDisableAllConfirms")->isChecked());
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
    QVERIFY(!QFile::exists(settingsPath()));
    QCOMPARE(g_appsettings.ask_empty_filterlist, 1);
}

void FOptionsTest::languageListComesFromTheLanguageFolder()
{
    QComboBox *combo;
    {
        FOptions none;
        combo = child<QComboBox>(none, "cmbLang");
        QCOMPARE(combo->count(), 1);
        QCOMPARE(combo->currentText(), QStringLiteral("Default"));
    }
    const QString folder = m_dir->path() + QStringLiteral("/language");
    QDir().mkpath(folder);
    for (const char *name : {"de_DE.qm", "fr_FR.qm", "notes.txt", "de_DE.qm.bak"}) {
        QFile file(folder + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QDir().mkpath(folder + QStringLiteral("/old"));
    struct Case {
        const char *stored;
        const char *current;
    } cases[] = {{"de_DE", "de_DE"}, {"fr_FR", "fr_FR"}, {"DE_de", "Default"}, {"", "Default"}};
    for (const Case &c : cases) {
        strcpy(g_appsettings.lang_filename, c.stored);
        FOptions dialog;
        combo = child<QComboBox>(dialog, "cmbLang");
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        QCOMPARE(items.first(), QStringLiteral("Default"));
        items.removeFirst();
        items.sort();
        QCOMPARE(items, QStringList({QStringLiteral("de_DE"), QStringLiteral("fr_FR")}));
        QCOMPARE(combo->currentText(), QLatin1String(c.current));
    }
    // Choosing one stores its name.
    FOptions dialog;
    dialog.show();
    child<QComboBox>(dialog, "cmbLang")->setCurrentText(QStringLiteral("fr_FR"));
    clickOk(dialog);
    QCOMPARE(QString::fromUtf8(g_appsettings.lang_filename), QStringLiteral("fr_FR"));
}

void FOptionsTest::failedSaveKeepsTheDialogOpen()
{
    const QString missing = m_dir->path() + QStringLiteral("/missing/Zandrevik.conf");
    appsettings_init(QFile::encodeName(missing).constData());
    FOptions dialog;
    dialog.show();
    child<QCheckBox>(dialog, "chkDisableAllConfirms")->click();
    MsgAnswer::next(QDialogButtonBox::Ok);
    clickOk(dialog);
    QCOMPARE(MsgAnswer::seen(), QStringList(QStringLiteral("Zandrevik|Save settings FAILED!")));
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(g_appsettings.disable_all_confirms, 1);

    // Once the folder is there, a second OK saves.
    QVERIFY(QDir().mkpath(m_dir->path() + QStringLiteral("/missing")));
    clickOk(dialog);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(QFile::exists(missing));
    QCOMPARE(MsgAnswer::seen().size(), 1);
}

void FOptionsTest::germanTexts()
{
    const QString qm =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../app/language/de_DE.qm");
    if (!QFile::exists(qm))
        QSKIP("the translations are not built");
    QTranslator german;
    QVERIFY(german.load(qm));
    QCoreApplication::installTranslator(&german);
    {
        FOptions dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Einstellungen - Zandrevik"));
        QCOMPARE(child<QLabel>(dialog, "lbLang")->text(), QStringLiteral("Sprache:"));
        QCOMPARE(child<QComboBox>(dialog, "cmbLang")->itemText(0), QStringLiteral("Standard"));
        QCOMPARE(child<QPushButton>(dialog, "btnResetAllConfirms")->text(),
                 QStringLiteral("Alle Rückfragen zurücksetzen"));
        // The translated label is never taken for a language's name.
        strcpy(g_appsettings.lang_filename, "xx_XX");
        dialog.show();
        clickOk(dialog);
        QCOMPARE(QString::fromUtf8(g_appsettings.lang_filename), QString());
    }
    QCoreApplication::removeTranslator(&german);
}

QTEST_MAIN(FOptionsTest)
#include "foptions_test.moc"
