// Zandrevik's entry: the data folder and settings, logging and the image
// formats, the application object, the main window and the event loop, then
// the shutdown in its fixed order.
#include "appsettings.h"
#include "appstyle.h"
#include "fmain.h"

#include "base/sn_log.h"
#include "image/sn_image.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QStandardPaths>

int main(int argc, char **argv)
{
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                   QStringLiteral("/Zandrevik");
    QDir().mkpath(data);
    appsettings_init(QFile::encodeName(data + QStringLiteral("/Zandrevik.conf")).constData());

    sn_net_init();
    sn_log_set_level(0);
    sn_log_open_target(SN_LOG_TARGET_UDP, "127.0.0.1", 6996);
    sn_image_init();

    QApplication app(argc, argv);
    loadTranslator();
    loadSkin();

    int result;
    {
        FMain window;
        QRect screen = QGuiApplication::primaryScreen()->geometry();
        window.move((screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2);
        window.show();
        result = app.exec();
        window.stopWorkers();
        appsettings_save_default();
        sn_image_uninit();
        sn_log_exit();
        sn_net_uninit();
    }
    return result;
}
