// Translation and skin loading. The translation is a .qm file in the language
// folder, chosen by the settings or the system locale; the skin is a compiled
// resource file holding "/style/style.qss" and its images, registered at the
// resource root so that the sheet's url(:style/...) names find them.
#include "appstyle.h"

#include "appsettings.h"
#include "base/sn_setting.h"
#include "skinresources.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QResource>
#include <QTranslator>

#include <string.h>

static QString s_languageFolder;
static QString s_registeredSkin;
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
    const QString path = languageFolder() + QLatin1Char('/') + name + QStringLiteral(".qm");
    if (!QFile::exists(path))
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

void loadSkin()
{
    QApplication *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app)
        return;
    initSkinResources();
    const QString skin = skinFileSetting();
    if (!s_registeredSkin.isEmpty())
        QResource::unregisterResource(s_registeredSkin);
    // Qt's resource reader trusts the file's offsets: a damaged skin would
    // crash it, so only a file whose tree checks out is registered.
    if (!skin.isEmpty() && resourceFileIsSound(skin) && QResource::registerResource(skin)) {
        s_registeredSkin = skin;
    } else {
        QResource::registerResource(QStringLiteral(ZV_DEFAULT_SKIN));
        s_registeredSkin = QStringLiteral(ZV_DEFAULT_SKIN);
    }
    const QString sheet = readStyleSheet(QStringLiteral(":style/style.qss")) +
                          readStyleSheet(QStringLiteral(ZV_LOCAL_STYLE_SHEET));
    if (!sheet.isEmpty())
        app->setStyleSheet(sheet);
}
