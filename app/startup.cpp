// Start-up and shutdown in their fixed order: data folder and settings,
// logging and the image formats, the application object with its locale,
// font, translation and skin, the main window and the event loop; then the
// workers stop before anything they use is freed.
#include "startup.h"

#include "appinfo.h"
#include "appresources.h"
#include "appsettings.h"
#include "appstyle.h"
#include "fmain.h"
#include "stylemsg.h"

#include "base/sn_log.h"
#include "image/sn_image.h"

#include <locale.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QScreen>
#include <QStandardPaths>
#include <QTextCodec>
#include <QTimer>

// The settings path is kept in a 1024-byte buffer; a longer one would be cut
// into the name of some other file.
static const int k_path_max = 1023;

static const int k_log_port = 6996;
static int s_logPort = k_log_port;

void startupSetLogPort(int port)
{
    s_logPort = port > 0 && port <= 65535 ? port : k_log_port;
}

QString startupDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Zandrevik");
}

QPoint startupCentredPosition(const QRect &screen, const QSize &size)
{
    int x = (screen.width() - size.width()) / 2;
    int y = (screen.height() - size.height()) / 2;
    return QPoint(x < 0 ? 0 : x, y < 0 ? 0 : y);
}

static void initSettings()
{
    const QString folder = startupDataFolder();
    QDir().mkpath(folder);
    const QByteArray path = QFile::encodeName(folder + QStringLiteral("/Zandrevik.conf"));
    if (path.size() > k_path_max) {
        sn_log(4, nullptr, "runApplication", __LINE__, "settings path too long FAILED! %s\n",
               path.constData());
        appsettings_init("");
        return;
    }
    appsettings_init(path.constData());
}

void startupSetFont()
{
    // Tahoma is a narrow Verdana; DejaVu Sans Condensed, which every Debian
    // desktop has, keeps the same widths closest.
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("DejaVu Sans Condensed"),
                                QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    QFont font(QStringLiteral("Tahoma"), 9);
    QApplication::setFont(font);
}

int runApplication(int argc, char **argv, const StartupHooks &hooks)
{
    initSettings();

    sn_net_init();
    sn_log_set_level(0);
    sn_log_open_target(SN_LOG_TARGET_UDP, "127.0.0.1", s_logPort);
    sn_image_init();

    // Paths, templates and log lines cross between Qt and 8-bit text as UTF-8,
    // whatever the desktop's locale says.
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    startupSetFont();

    QApplication app(argc, argv);
    initAppResources();
    // QApplication takes the desktop's locale for the C library; numbers must
    // still write a point and dates read in English month names.
    setlocale(LC_NUMERIC, "C");
    setlocale(LC_TIME, "C");
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/app_icon.png")));
    if (hooks.applicationCreated)
        hooks.applicationCreated();

    loadTranslator();
    loadSkin();
    if (hooks.skinLoaded)
        hooks.skinLoaded();

    int result = 1;
    {
        FMain window;
        if (!window.engineStarted()) {
            StyleMsg::critical(nullptr, QStringLiteral(ZV_PRODUCT_NAME),
                               FMain::tr("Start batch engine FAILED!"));
        } else {
            window.move(startupCentredPosition(QGuiApplication::primaryScreen()->geometry(),
                                               window.size()));
            window.show();
            if (hooks.shown)
                QTimer::singleShot(0, &window, [&window, &hooks]() { hooks.shown(window); });
            result = app.exec();
        }
        // The batch worker may finish the file in hand first, which can take
        // seconds: off the screen, the wait does not look like a hang.
        window.hide();
        QGuiApplication::sync();
        window.stopWorkers();
        appsettings_save_default();
        sn_image_uninit();
        sn_log_exit();
        sn_net_uninit();
    }
    return result;
}
