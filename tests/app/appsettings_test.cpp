// The application settings block and its file: defaults, the exact bytes
// written, hand-edited files, missing and unknown keys, failures.
#include "appsettings.h"

#include "zv_test.h"

#include <string.h>

#include <QtTest>

namespace
{

std::string bytes(const std::string &path)
{
    std::vector<uint8_t> data = zvtest::read_file(path);
    return std::string(data.begin(), data.end());
}

// The block as one comparable text.
QString describe(const appsettings_t &s)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 [%8] [%9]")
        .arg(s.disable_all_confirms)
        .arg(s.ask_save_filelist)
        .arg(s.ask_save_filelist_overwrite)
        .arg(s.ask_create_output_folder)
        .arg(s.ask_empty_filterlist)
        .arg(s.disable_log_display)
        .arg(s.max_log_lines)
        .arg(QString::fromUtf8(s.log_filename))
        .arg(QString::fromUtf8(s.lang_filename));
}

} // namespace

class AppSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        memset(&g_appsettings, 0x55, sizeof g_appsettings);
    }

    void firstStartHasTheDefaults()
    {
        zvtest::TempDir dir;
        const std::string path = dir.file("Zandrevik.conf");
        QCOMPARE(appsettings_init(path.c_str()), -1);
        QCOMPARE(QString::fromUtf8(appsettings_path()), QString::fromStdString(path));
        QCOMPARE(describe(g_appsettings), QStringLiteral("0 1 1 1 1 0 800 [] []"));
        QVERIFY(!zvtest::file_exists(path));
    }

    // The store writes a session's keys most recently set first, so the nine
    // keys come out in the reverse of the block's order.
    void savedFileHasTheExactBytes()
    {
        zvtest::TempDir dir;
        const std::string path = dir.file("Zandrevik.conf");
        appsettings_init(path.c_str());
        strcpy(g_appsettings.lang_filename, "fr_FR");
        strcpy(g_appsettings.log_filename, "/tmp/zv log.txt");
        QCOMPARE(appsettings_save_default(), 0);
        QCOMPARE(QString::fromStdString(bytes(path)),
                 QStringLiteral("lang_filename = \"fr_FR\"\r\n"
                                "log_filename = \"/tmp/zv log.txt\"\r\n"
                                "max_log_lines = 800\r\n"
                                "disable_log_display = 0\r\n"
                                "ask_empty_filterlist = 1\r\n"
                                "ask_create_output_folder = 1\r\n"
                                "ask_save_filelist_overwrite = 1\r\n"
                                "ask_save_filelist = 1\r\n"
                                "disable_all_confirms = 0\r\n"));

        // And it reads back as the same block.
        appsettings_t saved = g_appsettings;
        appsettings_set_defaults(&g_appsettings);
        QCOMPARE(appsettings_load(path.c_str()), 0);
        QCOMPARE(describe(g_appsettings), describe(saved));
    }

    // A file that loads replaces the whole block: what it lacks reads 0 or
    // empty, not the default.
    void handEditedFiles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("block");
        QTest::newRow("only max_log_lines") << "max_log_lines = 500\n"
                                            << "0 0 0 0 0 0 500 [] []";
        QTest::newRow("max_log_lines as a string")
            << "max_log_lines = \"800\"\r\nask_save_filelist = 1\r\n"
            << "0 1 0 0 0 0 0 [] []";
        QTest::newRow("comments, blanks, odd spacing, LF and CR line ends")
            << "# hand-made\n\n   disable_all_confirms == 1 # all off\n"
               "ask_empty_filterlist=1\rdisable_log_display   7\n"
               "log_filename = \"/var/log/zv #1.txt\"\nlang_filename = \"de_DE\""
            << "1 0 0 0 1 7 0 [/var/log/zv #1.txt] [de_DE]";
        QTest::newRow("a flag written as a bool")
            << "ask_save_filelist = true\nmax_log_lines = 20\n"
            << "0 0 0 0 0 0 20 [] []";
        QTest::newRow("a key given twice: the later line")
            << "max_log_lines = 10\nmax_log_lines = 30\n"
            << "0 0 0 0 0 0 30 [] []";
        QTest::newRow("keys of a named session are not the block's")
            << "max_log_lines = 5\n[other]\nask_save_filelist = 1\n"
            << "0 0 0 0 0 0 5 [] []";
    }

    void handEditedFiles()
    {
        QFETCH(QString, text);
        QFETCH(QString, block);
        zvtest::TempDir dir;
        const std::string path = dir.file("Zandrevik.conf");
        QVERIFY(zvtest::write_file(path, text.toStdString()));
        QCOMPARE(appsettings_init(path.c_str()), 0);
        QCOMPARE(describe(g_appsettings), block);
    }

    // A long text is cut to 1023 bytes, before a character that would cross
    // the end: "ü" is two bytes and "€" three.
    void longTextIsCutOnACharacterBoundary_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kept");
        QTest::newRow("one-byte characters") << QString(2000, QLatin1Char('x')) << 1023;
        QTest::newRow("two-byte character across the end")
            << QString(1022, QLatin1Char('x')) + QStringLiteral("üyy") << 1022;
        QTest::newRow("three-byte character across the end")
            << QString(1021, QLatin1Char('x')) + QStringLiteral("€") << 1021;
        QTest::newRow("two-byte character that just fits")
            << QString(1021, QLatin1Char('x')) + QStringLiteral("üy") << 1023;
    }

    void longTextIsCutOnACharacterBoundary()
    {
        QFETCH(QString, name);
        QFETCH(int, kept);
        zvtest::TempDir dir;
        const std::string path = dir.file("Zandrevik.conf");
        const std::string text = name.toStdString();
        QVERIFY(zvtest::write_file(path, "log_filename = \"" + text + "\"\nlang_filename = \"" +
                                             text + "\"\n"));
        QCOMPARE(appsettings_init(path.c_str()), 0);
        QCOMPARE(strlen(g_appsettings.log_filename), size_t(kept));
        QCOMPARE(QByteArray(g_appsettings.log_filename), QByteArray(text.c_str(), kept));
        QCOMPARE(QByteArray(g_appsettings.lang_filename), QByteArray(text.c_str(), kept));
        QVERIFY(QString::fromUtf8(g_appsettings.log_filename).toUtf8() ==
                QByteArray(g_appsettings.log_filename));
    }

    // A file that does not parse, or cannot be read, changes nothing.
    void unreadableFilesChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("value of letters") << QByteArray("max_log_lines = many\n");
        QTest::newRow("key without value") << QByteArray("disable_all_confirms\n");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("binary, NUL first") << QByteArray("\x00\xff\x01=\"\n\x7f", 7);
        QTest::newRow("open quote on the first line")
            << QByteArray("log_filename = \"/tmp/a\nmax_log_lines = 5\n");
        QTest::newRow("only comments") << QByteArray("# nothing here\n\n");
    }

    void unreadableFilesChangeNothing()
    {
        QFETCH(QByteArray, content);
        zvtest::TempDir dir;
        const std::string path = dir.file("Zandrevik.conf");
        QVERIFY(zvtest::write_file(path, content.toStdString()));
        appsettings_set_defaults(&g_appsettings);
        g_appsettings.max_log_lines = 123;
        strcpy(g_appsettings.lang_filename, "nl_NL");
        const QString before = describe(g_appsettings);
        QCOMPARE(appsettings_load(path.c_str()), -1);
        QCOMPARE(describe(g_appsettings), before);
        QCOMPARE(appsettings_load(dir.file("missing.conf").c_str()), -1);
        QCOMPARE(appsettings_load(""), -1);
        QCOMPARE(appsettings_load(nullptr), -1);
        QCOMPARE(describe(g_appsettings), before);
    }

    // Saving merges with the file: "skin_file", keys added by hand and named
    // sessions survive, and the block's keys come after the file's own.
    void unknownKeysAreKept()
    {
        zvtest::TempDir dir;
        const std::string path = dir.file("Zandrevik.conf");
        QVERIFY(zvtest::write_file(path, "skin_file = \"/usr/share/zv/blue.style\"\n"
                                         "max_log_lines = 100\n"
                                         "my_note = 42\n"
                                         "[window]\n"
                                         "left = 10\n"));
        QCOMPARE(appsettings_init(path.c_str()), 0);
        QCOMPARE(g_appsettings.max_log_lines, 100);
        g_appsettings.max_log_lines = 250;
        QCOMPARE(appsettings_save_default(), 0);
        QCOMPARE(QString::fromStdString(bytes(path)),
                 QStringLiteral("my_note = 42\r\n"
                                "skin_file = \"/usr/share/zv/blue.style\"\r\n"
                                "lang_filename = \"\"\r\n"
                                "log_filename = \"\"\r\n"
                                "max_log_lines = 250\r\n"
                                "disable_log_display = 0\r\n"
                                "ask_empty_filterlist = 0\r\n"
                                "ask_create_output_folder = 0\r\n"
                                "ask_save_filelist_overwrite = 0\r\n"
                                "ask_save_filelist = 0\r\n"
                                "disable_all_confirms = 0\r\n"
                                "\r\n[window]\r\n"
                                "left = 10\r\n"));
    }

    void saveFailsWithoutItsFolder()
    {
        zvtest::TempDir dir;
        const std::string path = dir.file("missing/Zandrevik.conf");
        appsettings_init(path.c_str());
        QCOMPARE(appsettings_save_default(), -1);
        QCOMPARE(appsettings_save(nullptr), -1);
        QVERIFY(!zvtest::file_exists(path));
        // The values stay in memory for the rest of the run.
        QCOMPARE(g_appsettings.max_log_lines, 800);
    }
};

QTEST_APPLESS_MAIN(AppSettingsTest)
#include "appsettings_test.moc"
