// Translation and skin loading. The translation is a .qm file in the language
// folder, chosen by the settings or the system locale; the skin is a compiled
// resource file holding "/style/style.qss" and its images, registered at the
// resource root so that the sheet's url(:style/...) names find them.
#include "appstyle.h"

#include "appsettings.h"
#include "base/sn_log.h"
#include "base/sn_setting.h"
#include "skinresources.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QResource>
#include <QTranslator>

#include <string.h>

static QString s_languageFolder;
static QString s_registeredSkin;
static QByteArray s_registeredData;
static QPointer<QTranslator> s_translator;
// Qt's own texts (file, colour and font dialogs, standard buttons).
static QPointer<QTranslator> s_qtTranslator;

QString languageFolder()
{
    if (!s_languageFolder.isEmpty())
        return s_languageFolder;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/language");
}

void setLanguageFolder(const QString &folder)
{
    s_languageFolder = folder;
}

QString registeredSkinPath()
{
    return s_registeredSkin;
}

// Qt's translation of the same language goes with ours and is replaced with
// it; "de_DE" finds qtbase_de.qm. Where Qt has none, its texts stay English.
static void loadQtTranslator(QCoreApplication *app, const QString &name)
{
    if (s_qtTranslator) {
        QCoreApplication::removeTranslator(s_qtTranslator);
        delete s_qtTranslator;
    }
    s_qtTranslator = new QTranslator(app);
    if (s_qtTranslator->load(QStringLiteral("qtbase_") + name,
                             QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(s_qtTranslator);
}

// A language name is a plain file name of the language folder: one holding
// a separator or ".." would load a translation from elsewhere, and Qt's
// translation reader trusts the file it is given. Anything else keeps the
// default language, with a log line.
static bool isPlainLanguageName(const QString &name)
{
    if (!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
        !name.contains(QLatin1String("..")) && !name.contains(QChar(0)))
        return true;
    sn_log(4, nullptr, "loadTranslator", __LINE__,
           "language name FAILED! %s, the default language is used\n", name.toUtf8().constData());
    return false;
}

void loadTranslator()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    QString name;
    if (QFile::exists(QFile::decodeName(appsettings_path()))) {
        // Even an empty name: the user's choice stands over the locale.
        name = QString::fromUtf8(g_appsettings.lang_filename);
    } else {
        // QLocale() is the system locale unless something set a default.
        name = QLocale().name();
        copy_utf8_text(g_appsettings.lang_filename, sizeof g_appsettings.lang_filename,
                       name.toUtf8().constData());
    }
    if (!isPlainLanguageName(name))
        return;
    const QString path = languageFolder() + QLatin1Char('/') + name + QStringLiteral(".qm");
    if (!QFileInfo(path).isFile())
        return;
    // One translator at a time: a second call replaces the first.
    if (s_translator) {
        QCoreApplication::removeTranslator(s_translator);
        delete s_translator;
    }
    s_translator = new QTranslator(app);
    s_translator->load(path);
    QCoreApplication::installTranslator(s_translator);
    loadQtTranslator(app, name);
}

// "skin_file" from the default session of the settings file; empty when the
// file does not load or holds no such string.
static QString skinFileSetting()
{
    QString value;
    sn_setting_t *store = sn_setting_create();
    if (!store)
        return value;
    if (sn_setting_load(store, appsettings_path()) == 0) {
        const char *text = sn_setting_get_string(store, nullptr, "skin_file");
        if (text)
            value = QFile::decodeName(QByteArray(text, static_cast<int>(strnlen(text, 1023))));
    }
    sn_setting_destroy(store);
    return value;
}

// The skin file's bytes when it may be registered: a regular file whose tree
// checks out (Qt's resource reader trusts the offsets, and a damaged skin
// would crash it) and that costs little at start. Empty, with a log line,
// when it is refused.
static QByteArray acceptedSkin(const QString &skin)
{
    QString why;
    QByteArray bytes = readResourceFile(skin, &why);
    if (!bytes.isEmpty() && skinIsWithinBounds(bytes, &why))
        return bytes;
    sn_log(4, nullptr, "loadSkin", __LINE__, "skin FAILED! %s: %s, the default skin is used\n",
           QFile::encodeName(skin).constData(), why.toUtf8().constData());
    return QByteArray();
}

void loadSkin()
{
    QApplication *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app)
        return;
    initSkinResources();
    const QString skin = skinFileSetting();
    // The skin is registered from the bytes that were checked, so that the
    // file cannot change between the check and the use.
    if (!s_registeredData.isEmpty())
        QResource::unregisterResource(
            reinterpret_cast<const uchar *>(s_registeredData.constData()));
    else if (!s_registeredSkin.isEmpty())
        QResource::unregisterResource(s_registeredSkin);
    s_registeredData.clear();
    const QByteArray bytes = skin.isEmpty() ? QByteArray() : acceptedSkin(skin);
    if (!bytes.isEmpty() &&
        QResource::registerResource(reinterpret_cast<const uchar *>(bytes.constData()))) {
        s_registeredData = bytes;
        s_registeredSkin = skin;
    } else {
        QResource::registerResource(QStringLiteral(ZV_DEFAULT_SKIN));
        s_registeredSkin = QStringLiteral(ZV_DEFAULT_SKIN);
    }
    QStringList dropped;
    const QString sheet =
        sheetWithinTheSkin(readStyleSheet(QStringLiteral(":style/style.qss")), &dropped) +
        readStyleSheet(QStringLiteral(ZV_LOCAL_STYLE_SHEET));
    for (const QString &name : dropped)
        sn_log(3, nullptr, "loadSkin", __LINE__, "picture outside the skin FAILED! url(%s)\n",
               name.toUtf8().constData());
    if (!sheet.isEmpty())
        app->setStyleSheet(sheet);
}
