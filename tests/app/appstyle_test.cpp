// loadSkin and loadTranslator against skin files and translations that the
// test makes itself (rcc --binary and lrelease from the Qt tools): the default
// skin and its fall-backs, a replacing skin, the NUL cut, re-registration,
// the choice of the translation by the settings or the locale, with Qt's
// own translation for its dialogs and buttons loaded and dropped beside it,
// language names that would leave the language folder, and hostile settings
// (skins that are no regular file, cost without bound (entries sharing one
// block, a picture of many compressed texts) or name a file past the
// url() filter, a log file that is a FIFO) on the real start-up road in child
// processes of this program.
#include "appsettings.h"
#include "appstyle.h"
#include "base/sn_log.h"
#include "base/sn_setting.h"
#include "fmain.h"
#include "hostile_files.h"
#include "msganswer.h"
#include "skinresources.h"
#include "startup.h"
#include "stylemsg.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QApplication>
#include <QBuffer>
#include <QDialogButtonBox>
#include <QDir>
#include <QImage>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

class AppStyleTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanupTestCase();
    void defaultSkinWhenNoSkinIsNamed();
    void namedSkinReplacesTheDefault();
    void skinWithoutStyleSheetKeepsOnlyTheLocalRules();
    void styleSheetEndsAtItsFirstNul();
    void reloadingUnregistersTheEarlierSkin();
    void localSheetHoldsItsTwoRules();
    void translationFollowsTheLocaleOnFirstStart();
    void translationFollowsTheSettingsWhenTheyExist();
    void qtTextsComeAndGoWithTheTranslation();
    void languageNameStaysInTheLanguageFolder();
    void hostileSettingsOnTheRealStartUp();

private:
    QString settingsPath() const
    {
        return m_dir->path() + QStringLiteral("/Zandrevik.conf");
    }
    void writeSettings(const char *skinFile, const char *langFile, const char *logFile = nullptr,
                       const QString &path = QString());
    QString makeSkin(const QString &name, const QMap<QString, QByteArray> &files);
    QString makeTranslation(const QString &name, const QString &source, const QString &text);

    QScopedPointer<QTemporaryDir> m_dir;
};

static QString qtTool(const char *name)
{
    return QLibraryInfo::location(QLibraryInfo::BinariesPath) + QLatin1Char('/') +
           QLatin1String(name);
}

static bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void AppStyleTest::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    appsettings_init(QFile::encodeName(settingsPath()).constData());
    setLanguageFolder(m_dir->path() + QStringLiteral("/language"));
}

void AppStyleTest::cleanupTestCase()
{
    setLanguageFolder(QString());
    QLocale::setDefault(QLocale::system());
}

// The settings file as the program keeps it, plus the hand-written key.
void AppStyleTest::writeSettings(const char *skinFile, const char *langFile, const char *logFile,
                                 const QString &path)
{
    const QString file = path.isEmpty() ? settingsPath() : path;
    // Saving merges with the file on disk; start from none.
    QFile::remove(file);
    sn_setting_t *store = sn_setting_create();
    QVERIFY(store);
    if (skinFile)
        sn_setting_set_string(store, nullptr, "skin_file", skinFile);
    if (langFile)
        sn_setting_set_string(store, nullptr, "lang_filename", langFile);
    if (logFile)
        sn_setting_set_string(store, nullptr, "log_filename", logFile);
    sn_setting_set_int(store, nullptr, "max_log_lines", 800);
    QCOMPARE(sn_setting_save(store, QFile::encodeName(file).constData()), 0);
    sn_setting_destroy(store);
    if (path.isEmpty())
        appsettings_load(QFile::encodeName(file).constData());
}

// A compiled skin: each file at its path inside the resource tree.
QString AppStyleTest::makeSkin(const QString &name, const QMap<QString, QByteArray> &files)
{
    const QString src = m_dir->path() + QLatin1Char('/') + name;
    QByteArray qrc = "<RCC><qresource prefix=\"/\">\n";
    for (auto it = files.begin(); it != files.end(); ++it) {
        const QString path = src + QLatin1Char('/') + it.key();
        QDir().mkpath(QFileInfo(path).path());
        if (!writeFile(path, it.value()))
            return QString();
        qrc += "<file>" + it.key().toUtf8() + "</file>\n";
    }
    qrc += "</qresource></RCC>\n";
    if (!writeFile(src + QStringLiteral("/skin.qrc"), qrc))
        return QString();
    const QString out = m_dir->path() + QLatin1Char('/') + name + QStringLiteral(".style");
    QProcess rcc;
    rcc.setWorkingDirectory(src);
    rcc.start(qtTool("rcc"),
              {QStringLiteral("--binary"), QStringLiteral("skin.qrc"), QStringLiteral("-o"), out});
    // rcc takes tens of seconds over thousands of entries on a busy machine
    // (43 s for 4000 beside two suites); ctest's time-out bounds a hang.
    if (!rcc.waitForFinished(600000) || rcc.exitCode() != 0) {
        qWarning("rcc could not make %s: %s", qPrintable(name), qPrintable(rcc.errorString()));
        return QString();
    }
    return out;
}

// A .qm in the language folder translating one text of the context FOptions.
QString AppStyleTest::makeTranslation(const QString &name, const QString &source,
                                      const QString &text)
{
    const QString folder = m_dir->path() + QStringLiteral("/language");
    QDir().mkpath(folder);
    const QString ts = m_dir->path() + QLatin1Char('/') + name + QStringLiteral(".ts");
    const QByteArray xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
                           "<TS version=\"2.1\"><context><name>FOptions</name><message><source>" +
                           source.toUtf8() + "</source><translation>" + text.toUtf8() +
                           "</translation></message></context></TS>\n";
    if (!writeFile(ts, xml))
        return QString();
    const QString qm = folder + QLatin1Char('/') + name + QStringLiteral(".qm");
    QProcess lrelease;
    lrelease.start(qtTool("lrelease"), {QStringLiteral("-silent"), ts, QStringLiteral("-qm"), qm});
    if (!lrelease.waitForFinished(600000) || lrelease.exitCode() != 0)
        return QString();
    return qm;
}

void AppStyleTest::defaultSkinWhenNoSkinIsNamed()
{
    const QString local = readStyleSheet(QStringLiteral(ZV_LOCAL_STYLE_SHEET));
    QVERIFY(!local.isEmpty());
    struct Case {
        const char *what;
        bool file;
        const char *skin;
    } cases[] = {
        {"no settings file", false, nullptr},
        {"no skin_file key", true, nullptr},
        {"empty skin_file", true, ""},
        {"missing skin file", true, "/nonexistent/zandrevik/blue.style"},
        {"not a resource file", true, "NOTARCC"},
        // Qt's reader would follow the bad offsets out of the file and crash.
        {"folder pointing past the file", true, "FIRSTCHILD"},
        {"folder with too many children", true, "CHILDCOUNT"},
        {"file data past the end", true, "DATAOFFSET"},
    };
    for (const Case &c : cases) {
        init();
        QString skin = c.skin ? QString::fromUtf8(c.skin) : QString();
        if (skin == QLatin1String("NOTARCC")) {
            skin = m_dir->path() + QStringLiteral("/garbage.style");
            QVERIFY(writeFile(skin, QByteArray("qres\0\0\0\x03garbage", 15)));
        }
        // The damaged skins: a sound one with one big-endian word of the
        // "style" folder's node (the root's only child) or of a file's
        // node overwritten.
        struct Damage {
            const char *name;
            int node, field;
        } damages[] = {{"FIRSTCHILD", 1, 10}, {"CHILDCOUNT", 1, 6}, {"DATAOFFSET", 2, 10}};
        for (const Damage &d : damages) {
            if (skin != QLatin1String(d.name))
                continue;
            skin = makeSkin(QStringLiteral("damaged"),
                            {{QStringLiteral("style/style.qss"), "QLabel { color: red; }"}});
            QVERIFY(!skin.isEmpty());
            QFile file(skin);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QByteArray bytes = file.readAll();
            const uchar *b = reinterpret_cast<const uchar *>(bytes.constData());
            const int tree = (b[8] << 24) | (b[9] << 16) | (b[10] << 8) | b[11];
            const int at = tree + d.node * 22 + d.field;
            QVERIFY(at + 4 <= bytes.size());
            bytes.replace(at, 4, QByteArray("\x00\xff\xff\xf0", 4));
            QVERIFY(file.seek(0));
            QCOMPARE(file.write(bytes), qint64(bytes.size()));
        }
        if (c.file)
            writeSettings(c.skin ? skin.toUtf8().constData() : nullptr, nullptr);
        loadSkin();
        QVERIFY2(registeredSkinPath() == QLatin1String(ZV_DEFAULT_SKIN), c.what);
        const QString sheet = qApp->styleSheet();
        QVERIFY2(sheet.contains(QLatin1String("StyleTitle")), c.what);
        QVERIFY2(sheet.endsWith(local), c.what);
        // The sheet's images resolve against the registered skin.
        QVERIFY2(QFile::exists(QStringLiteral(":style/win_close.png")), c.what);
    }
}

void AppStyleTest::namedSkinReplacesTheDefault()
{
    const QString skin =
        makeSkin(QStringLiteral("green"),
                 {{QStringLiteral("style/style.qss"), "QLabel#probe { color: #123456; }\n"},
                  {QStringLiteral("style/mark.txt"), "green"}});
    QVERIFY(!skin.isEmpty());
    writeSettings(skin.toUtf8().constData(), nullptr);
    loadSkin();
    QCOMPARE(registeredSkinPath(), skin);
    const QString local = readStyleSheet(QStringLiteral(ZV_LOCAL_STYLE_SHEET));
    QCOMPARE(qApp->styleSheet(), QStringLiteral("QLabel#probe { color: #123456; }\n") + local);
    QVERIFY(QFile::exists(QStringLiteral(":/style/mark.txt")));
    QVERIFY(!QFile::exists(QStringLiteral(":style/win_close.png")));

    QLabel probe(QStringLiteral("probe"));
    probe.setObjectName(QStringLiteral("probe"));
    probe.ensurePolished();
    QCOMPARE(probe.palette().color(QPalette::WindowText), QColor(0x12, 0x34, 0x56));
}

void AppStyleTest::skinWithoutStyleSheetKeepsOnlyTheLocalRules()
{
    const QString skin =
        makeSkin(QStringLiteral("bare"), {{QStringLiteral("style/readme.txt"), "no sheet"}});
    QVERIFY(!skin.isEmpty());
    writeSettings(skin.toUtf8().constData(), nullptr);
    loadSkin();
    QCOMPARE(registeredSkinPath(), skin);
    QCOMPARE(qApp->styleSheet(), readStyleSheet(QStringLiteral(ZV_LOCAL_STYLE_SHEET)));
}

void AppStyleTest::styleSheetEndsAtItsFirstNul()
{
    const QByteArray sheet("QLabel { color: #111111; }\n\0QLabel { color: #222222; }\n", 55);
    const QString skin =
        makeSkin(QStringLiteral("nul"), {{QStringLiteral("style/style.qss"), sheet}});
    QVERIFY(!skin.isEmpty());
    writeSettings(skin.toUtf8().constData(), nullptr);
    loadSkin();
    const QString applied = qApp->styleSheet();
    QVERIFY(applied.startsWith(QLatin1String("QLabel { color: #111111; }\n")));
    QVERIFY(!applied.contains(QLatin1String("#222222")));
    QVERIFY(!applied.contains(QChar(0)));
    QVERIFY(applied.endsWith(readStyleSheet(QStringLiteral(ZV_LOCAL_STYLE_SHEET))));
}

void AppStyleTest::reloadingUnregistersTheEarlierSkin()
{
    const QString first =
        makeSkin(QStringLiteral("first"), {{QStringLiteral("style/style.qss"), "/* first */"},
                                           {QStringLiteral("style/first.txt"), "1"}});
    const QString second =
        makeSkin(QStringLiteral("second"), {{QStringLiteral("style/style.qss"), "/* second */"},
                                            {QStringLiteral("style/second.txt"), "2"}});
    QVERIFY(!first.isEmpty() && !second.isEmpty());
    writeSettings(first.toUtf8().constData(), nullptr);
    loadSkin();
    QVERIFY(QFile::exists(QStringLiteral(":/style/first.txt")));
    writeSettings(second.toUtf8().constData(), nullptr);
    loadSkin();
    QCOMPARE(registeredSkinPath(), second);
    QVERIFY(!QFile::exists(QStringLiteral(":/style/first.txt")));
    QVERIFY(QFile::exists(QStringLiteral(":/style/second.txt")));
    QVERIFY(qApp->styleSheet().startsWith(QLatin1String("/* second */")));
    // Back to the default: the second skin goes too.
    writeSettings(nullptr, nullptr);
    loadSkin();
    QVERIFY(!QFile::exists(QStringLiteral(":/style/second.txt")));
    QVERIFY(QFile::exists(QStringLiteral(":style/style.qss")));
}

// The local sheet only adds geometry to the file-name mask and preview
// buttons: two rules and no colour.
void AppStyleTest::localSheetHoldsItsTwoRules()
{
    const QString local = readStyleSheet(QStringLiteral(ZV_LOCAL_STYLE_SHEET));
    QCOMPARE(local.count(QLatin1Char('{')), 2);
    QVERIFY(!local.contains(QLatin1String("color")));
    loadSkin();
    QPushButton mask(QStringLiteral("..."));
    mask.setObjectName(QStringLiteral("btnFileNameMask"));
    QPushButton plain(QStringLiteral("..."));
    QToolButton zoom;
    zoom.setObjectName(QStringLiteral("btnPreviewZoomIn"));
    zoom.setText(QStringLiteral("+"));
    QToolButton plainTool;
    plainTool.setText(QStringLiteral("+"));
    // Less padding than the skin's 5px 6px makes the named buttons smaller.
    QVERIFY(mask.sizeHint().height() < plain.sizeHint().height());
    QVERIFY(zoom.sizeHint().width() < plainTool.sizeHint().width());
}

void AppStyleTest::translationFollowsTheLocaleOnFirstStart()
{
    QVERIFY(!makeTranslation(QStringLiteral("fr_FR"), QStringLiteral("Default"),
                             QStringLiteral("Par défaut"))
                 .isEmpty());
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    loadTranslator();
    QCOMPARE(QString::fromUtf8(g_appsettings.lang_filename), QStringLiteral("fr_FR"));
    QCOMPARE(QCoreApplication::translate("FOptions", "Default"), QStringLiteral("Par défaut"));
    // The name chosen reaches the settings file at the next save.
    QCOMPARE(appsettings_save_default(), 0);
    sn_setting_t *store = sn_setting_create();
    QCOMPARE(sn_setting_load(store, QFile::encodeName(settingsPath()).constData()), 0);
    QCOMPARE(QString::fromUtf8(sn_setting_get_string(store, nullptr, "lang_filename")),
             QStringLiteral("fr_FR"));
    sn_setting_destroy(store);
}

void AppStyleTest::translationFollowsTheSettingsWhenTheyExist()
{
    QVERIFY(!makeTranslation(QStringLiteral("fr_FR"), QStringLiteral("Default"),
                             QStringLiteral("Par défaut"))
                 .isEmpty());
    QVERIFY(!makeTranslation(QStringLiteral("de_DE"), QStringLiteral("Default"),
                             QStringLiteral("Standard"))
                 .isEmpty());
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));

    // A name of its own wins over the locale.
    writeSettings(nullptr, "de_DE");
    loadTranslator();
    QCOMPARE(QCoreApplication::translate("FOptions", "Default"), QStringLiteral("Standard"));

    // An empty name looks for ".qm", finds nothing and leaves the name empty;
    // "Default" (the settings dialog's first item) finds no Default.qm.
    for (const char *name : {"", "Default"}) {
        init();
        QVERIFY(!makeTranslation(QStringLiteral("fr_FR"), QStringLiteral("Close"),
                                 QStringLiteral("Fermer"))
                     .isEmpty());
        writeSettings(nullptr, name);
        loadTranslator();
        QCOMPARE(QString::fromUtf8(g_appsettings.lang_filename), QString::fromUtf8(name));
        QCOMPARE(QCoreApplication::translate("FOptions", "Close"), QStringLiteral("Close"));
    }
}

static QString buttonText(QDialogButtonBox *box, QDialogButtonBox::StandardButton which)
{
    QPushButton *button = box ? box->button(which) : nullptr;
    return button ? button->text().remove(QLatin1Char('&')) : QString();
}

// Qt's own dialogs and buttons speak the language of ours: loaded with it,
// and gone again when ours changes to a language that Qt does not have.
void AppStyleTest::qtTextsComeAndGoWithTheTranslation()
{
    for (const char *name : {"de_DE", "xx_XX"})
        QVERIFY(!makeTranslation(QLatin1String(name), QStringLiteral("Default"),
                                 QStringLiteral("Standard"))
                     .isEmpty());
    struct Case {
        const char *language;
        const char *yes;
        const char *open;
    } cases[] = {{"de_DE", "Ja", "Öffnen"}, {"xx_XX", "Yes", "Open"}};
    for (const Case &c : cases) {
        writeSettings(nullptr, c.language);
        loadTranslator();
        StyleMsg box(StyleMsg::Question, QStringLiteral("Zandrevik"), QStringLiteral("?"), nullptr,
                     QDialogButtonBox::Yes | QDialogButtonBox::No, nullptr);
        QCOMPARE(buttonText(box.findChild<QDialogButtonBox *>(), QDialogButtonBox::Yes),
                 QString::fromUtf8(c.yes));
        QFileDialog files;
        files.setOption(QFileDialog::DontUseNativeDialog);
        files.setAcceptMode(QFileDialog::AcceptOpen);
        QCOMPARE(buttonText(files.findChild<QDialogButtonBox *>(), QDialogButtonBox::Open),
                 QString::fromUtf8(c.open));
    }
}

// A name with a separator or ".." is no file of the language folder: the
// translation beside the folder is not loaded, nor is a FIFO inside it.
void AppStyleTest::languageNameStaysInTheLanguageFolder()
{
    // A text no earlier translation of this run holds.
    QVERIFY(!makeTranslation(QStringLiteral("xx_XX"), QStringLiteral("Language probe"),
                             QStringLiteral("Sprachprobe"))
                 .isEmpty());
    QVERIFY(QFile::rename(m_dir->path() + QStringLiteral("/language/xx_XX.qm"),
                          m_dir->path() + QStringLiteral("/bad.qm")));
    const QByteArray fifo = QFile::encodeName(m_dir->path() + QStringLiteral("/language/fifo.qm"));
    QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
    for (const char *name : {"../bad", "../language/../bad", "sub/../../bad", "fifo"}) {
        writeSettings(nullptr, name);
        loadTranslator();
        QVERIFY2(QCoreApplication::translate("FOptions", "Language probe") ==
                     QLatin1String("Language probe"),
                 name);
    }
}

namespace
{

const char k_startUpChild[] = "--start-up-child";

// The child: the real start-up road with the settings of XDG_DATA_HOME. Its
// log goes to the file ZV_CHILD_LOG instead of the network; once the window
// is shown, every widget is painted (so the skin's pictures load), and the
// skin, the message boxes seen and the peak memory are printed.
int startUpChild()
{
    StartupHooks hooks;
    hooks.applicationCreated = []() {
        sn_log_close_target(SN_LOG_TARGET_UDP);
        sn_log_open_target(SN_LOG_TARGET_FILE, getenv("ZV_CHILD_LOG"), 1);
        MsgAnswer::clear();
    };
    hooks.shown = [](FMain &window) {
        window.grab();
        struct rusage usage;
        getrusage(RUSAGE_SELF, &usage);
        printf("skin=%s\nboxes=%s\npeak=%ld\n", registeredSkinPath().toUtf8().constData(),
               MsgAnswer::seen().join(QLatin1Char(';')).toUtf8().constData(), usage.ru_maxrss);
        fflush(stdout);
        window.close();
    };
    static char name[] = "zandrevik";
    static char *argv[] = {name, nullptr};
    return runApplication(1, argv, hooks);
}

} // namespace

// Each case starts the program in a child of its own, all at once, and
// each must show its window (else the time-out ends it) with the default
// skin and a log line where the setting is refused, or its own skin and the
// line of the url() dropped, and within 256 MB more than the default
// skin's start.
void AppStyleTest::hostileSettingsOnTheRealStartUp()
{
    // One FIFO for each case: the children run at once, and a writer to
    // one would wake a reader of the same.
    QStringList fifos;
    for (const char *name : {"/skin.fifo", "/log.fifo", "/picture.fifo", "/q\"\"p", "/q''p"}) {
        fifos << m_dir->path() + QLatin1String(name);
        QCOMPARE(mkfifo(QFile::encodeName(fifos.last()).constData(), 0600), 0);
    }
    QImage small(64, 64, QImage::Format_RGB32);
    small.fill(Qt::red);
    QByteArray cut;
    QBuffer buffer(&cut);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && small.save(&buffer, "PNG"));
    cut.truncate(60);
    const hostile::CostlySkins costly = hostile::costlySkins(fifos[2].toUtf8());
    const QString bomb = makeSkin(QStringLiteral("bomb"), costly.bomb);
    const QString broken = makeSkin(QStringLiteral("broken"),
                                    {{QStringLiteral("style/style.qss"),
                                      "QMenuBar { background-image: url(:style/broken.png); }\n"},
                                     {QStringLiteral("style/broken.png"), cut}});
    const QString huge = makeSkin(QStringLiteral("rules"), costly.rules);
    const QString outside = makeSkin(QStringLiteral("outside"), costly.outside);
    QVERIFY(!bomb.isEmpty() && !broken.isEmpty() && !huge.isEmpty() && !outside.isEmpty());
    const QString escape = makeSkin(QStringLiteral("escape"), costly.escape);
    const QString nested = makeSkin(QStringLiteral("nested"), costly.nested);
    const QString richText = makeSkin(QStringLiteral("richtext"), costly.richText);
    const QString lyingIcon = makeSkin(QStringLiteral("icon"), costly.lyingIcon);
    const QString scans = makeSkin(QStringLiteral("scans"), costly.manyScans);
    const QString many = makeSkin(QStringLiteral("many"), costly.manyEntries);
    QVERIFY(!escape.isEmpty() && !nested.isEmpty() && !richText.isEmpty() && !lyingIcon.isEmpty() &&
            !scans.isEmpty() && !many.isEmpty());
    // Qt joins the tokens of url(/dir/q""p) and opens the FIFO of that name.
    QStringList quoted;
    for (int i : {3, 4})
        quoted << makeSkin(
            QStringLiteral("quoted%1").arg(i),
            {{QStringLiteral("style/style.qss"),
              "QMenuBar { background-image: url(" + fifos[i].toUtf8() + "); color: #123456; }\n"}});
    // 4000 entries naming one block of 64 MB of zeros, 263 KB on disk; as
    // no pictures, each is unpacked and passed over.
    QMap<QString, QByteArray> entries;
    for (int i = 0; i < 4000; i++)
        entries[QStringLiteral("style/e%1.txt").arg(i)] = QByteArray();
    const QString shared = makeSkin(QStringLiteral("shared"), entries);
    QVERIFY(!shared.isEmpty());
    {
        QFile file(shared);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QByteArray bytes = hostile::shareOneBlock(
            file.readAll(), qCompress(QByteArray(64 * 1024 * 1024, '\0'), 9));
        QVERIFY(!bytes.isEmpty() && file.seek(0));
        QCOMPARE(file.write(bytes), qint64(bytes.size()));
    }
    // A PNG of 1000 compressed texts, each unpacking to 8 MB, in 25 KB.
    const QString texts =
        makeSkin(QStringLiteral("texts"),
                 {{QStringLiteral("style/style.qss"),
                   "QMenuBar { background-image: url(:style/texts.png); }\n"},
                  {QStringLiteral("style/texts.png"), hostile::textBombPng(1000, 8 << 20)}});
    QVERIFY(!quoted[0].isEmpty() && !quoted[1].isEmpty() && !texts.isEmpty());

    struct Case {
        const char *what;
        QString skin, log;
        const char *line;  // in the child's log
        bool ownSkin;      // the named skin stays
        const char *boxes; // message boxes seen
    } cases[] = {
        {"default skin", QString(), QString(), nullptr, false, ""},
        {"skin FIFO", fifos[0], QString(), "not a regular file", false, ""},
        {"skin device", QStringLiteral("/dev/zero"), QString(), "not a regular file", false, ""},
        {"skin folder", m_dir->path(), QString(), "not a regular file", false, ""},
        {"picture bomb", bomb, QString(), "picture /style/bomb.png of 9000 x 9000", false, ""},
        {"broken picture", broken, QString(), "picture /style/broken.png", false, ""},
        {"100000 rules", huge, QString(), "100000 rules", false, ""},
        {"picture outside the skin", outside, QString(), "picture outside the skin FAILED!", true,
         ""},
        {"log FIFO", QString(), fifos[1], nullptr, false, "Zandrevik|Open Log File FAILED!"},
        // The FIFO named past the url() filter: start-up would block in its open.
        {"escaped url()", escape, QString(), "holds a backslash escape", false, ""},
        {"a widget's own sheet", nested, QString(), "sets qproperty-styleSheet", false, ""},
        {"rich text", richText, QString(), "sets qproperty-text", false, ""},
        {"icon lying about its size", lyingIcon, QString(), "picture /style/icon.ico is no PNG",
         false, ""},
        {"JPEG of 2000 scans", scans, QString(), "picture /style/scans.jpg of 2048 x 2048", false,
         ""},
        {"5000 entries", many, QString(), "more than 4096 entries", false, ""},
        {"url() of a FIFO with double quotes inside", quoted[0], QString(), "/q\"\"p)", true, ""},
        {"url() of a FIFO with single quotes inside", quoted[1], QString(), "/q''p)", true, ""},
        {"4000 entries naming one 64 MB block", shared, QString(),
         "entries unpacking to 268435456000 bytes, more than 67108864", false, ""},
        {"1000 compressed texts of 8 MB in a PNG", texts, QString(),
         "picture /style/texts.png brings the pictures' extra chunks", false, ""},
    };
    const int count = int(sizeof cases / sizeof cases[0]);
    QList<QProcess *> children;
    for (int i = 0; i < count; i++) {
        const QString home = m_dir->path() + QStringLiteral("/home%1").arg(i);
        QVERIFY(QDir().mkpath(home + QStringLiteral("/Zandrevik")));
        writeSettings(cases[i].skin.isEmpty() ? nullptr : cases[i].skin.toUtf8().constData(), "",
                      cases[i].log.isEmpty() ? nullptr : cases[i].log.toUtf8().constData(),
                      home + QStringLiteral("/Zandrevik/Zandrevik.conf"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), home);
        env.insert(QStringLiteral("ZV_CHILD_LOG"), home + QStringLiteral("/log.txt"));
        QProcess *child = new QProcess(this);
        child->setProcessEnvironment(env);
        child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child->start(QCoreApplication::applicationFilePath(),
                     {QString::fromLatin1(k_startUpChild)});
        children << child;
    }
    long baseline = -1;
    for (int i = 0; i < count; i++) {
        const Case &c = cases[i];
        QProcess *child = children[i];
        if (!child->waitForFinished(60000))
            child->kill();
        child->waitForFinished(5000);
        QVERIFY2(child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0, c.what);
        QMap<QString, QString> out;
        for (const QString &line : QString::fromUtf8(child->readAllStandardOutput()).split('\n'))
            out[line.section(QLatin1Char('='), 0, 0)] = line.section(QLatin1Char('='), 1);
        QFile logFile(m_dir->path() + QStringLiteral("/home%1/log.txt").arg(i));
        QVERIFY(logFile.open(QIODevice::ReadOnly));
        const QString log = QString::fromUtf8(logFile.readAll());
        QVERIFY2(out.value(QStringLiteral("skin")) ==
                     (c.ownSkin ? c.skin : QStringLiteral(ZV_DEFAULT_SKIN)),
                 c.what);
        QVERIFY2(out.value(QStringLiteral("boxes")) == QLatin1String(c.boxes), c.what);
        if (c.line) {
            QVERIFY2(log.contains(QLatin1String(c.line)), qPrintable(log));
        }
        const long peak = out.value(QStringLiteral("peak")).toLong();
        if (i == 0)
            baseline = peak;
        QVERIFY2(peak > 0 && peak <= baseline + 256 * 1024,
                 qPrintable(QStringLiteral("%1: %2 KiB against %3 KiB")
                                .arg(QLatin1String(c.what))
                                .arg(peak)
                                .arg(baseline)));
    }
}

int main(int argc, char **argv)
{
    if (argc == 2 && strcmp(argv[1], k_startUpChild) == 0)
        return startUpChild();
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    AppStyleTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "appstyle_test.moc"
