// Start-up and shutdown in their fixed order: data folder and settings,
// logging and the image formats, the application object with its locale,
// font, translation and skin, the main window and the event loop; then the
// workers stop before anything they use is freed, or the process ends at
// once when one of them cannot be stopped in time. The signals that end a
// session take the road of File > Exit.
#include "startup.h"

#include "appinfo.h"
#include "appresources.h"
#include "appsettings.h"
#include "appstyle.h"
#include "fmain.h"
#include "stylemsg.h"

#include "base/sn_log.h"
#include "image/sn_image.h"

#include <errno.h>
#include <fcntl.h>
#include <locale.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QScreen>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTextCodec>
#include <QTimer>

// The settings path is kept in a 1024-byte buffer; a longer one would be cut
// into the name of some other file.
static const int k_path_max = 1023;

// Exit ends the process within 2 s whatever the workers are doing: they get
// this long to stop, the settings and the log the rest.
static const int k_exit_wait_ms = 1000;

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

// Logout, shutdown and Ctrl+C. A signal that was ignored when the program
// started (nohup) stays ignored.
static const int k_end_signals[] = {SIGTERM, SIGINT, SIGHUP};
static int s_signalPipe[2] = {-1, -1};

// A handler may only do what is async-signal-safe: one byte into a pipe,
// which the interface thread reads.
extern "C" void onEndSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a request; nothing is lost.
    if (write(s_signalPipe[1], &byte, 1) < 0) {
    }
    errno = saved;
}

// Routes the signals that end a session to the interface thread, where they
// end the program as File > Exit does. Installed before the workers start,
// so that no signal can end the process while one of them writes a file.
class EndSignals
{
public:
    EndSignals()
    {
        if (pipe2(s_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            sn_log(4, nullptr, "runApplication", __LINE__, "pipe FAILED! %s\n", strerror(errno));
            s_signalPipe[0] = s_signalPipe[1] = -1;
            return;
        }
        m_notifier = new QSocketNotifier(s_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier, &QSocketNotifier::activated, [this]() { take(); });
        struct sigaction action;
        memset(&action, 0, sizeof action);
        action.sa_handler = onEndSignal;
        sigemptyset(&action.sa_mask);
        // The workers' reads and writes go on across the handler.
        action.sa_flags = SA_RESTART;
        for (size_t i = 0; i < sizeof k_end_signals / sizeof k_end_signals[0]; i++) {
            struct sigaction old;
            m_installed[i] = sigaction(k_end_signals[i], nullptr, &old) == 0 &&
                             old.sa_handler != SIG_IGN &&
                             sigaction(k_end_signals[i], &action, &m_old[i]) == 0;
        }
    }
    // Only once the process is past every write of its own.
    ~EndSignals()
    {
        for (size_t i = 0; i < sizeof k_end_signals / sizeof k_end_signals[0]; i++)
            if (m_installed[i])
                sigaction(k_end_signals[i], &m_old[i], nullptr);
        delete m_notifier;
        for (int &fd : s_signalPipe) {
            if (fd >= 0)
                close(fd);
            fd = -1;
        }
    }
    EndSignals(const EndSignals &) = delete;
    EndSignals &operator=(const EndSignals &) = delete;

    // What a signal does from now on; one that came before is acted on
    // from the event loop.
    void routeTo(const std::function<void()> &exit)
    {
        m_exit = exit;
        if (m_pending)
            QTimer::singleShot(0, [this]() { take(); });
    }

private:
    void take()
    {
        char bytes[64];
        while (s_signalPipe[0] >= 0 && read(s_signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        m_pending = true;
        if (m_exit) {
            m_pending = false;
            m_exit();
        }
    }

    QSocketNotifier *m_notifier = nullptr;
    struct sigaction m_old[sizeof k_end_signals / sizeof k_end_signals[0]];
    bool m_installed[sizeof k_end_signals / sizeof k_end_signals[0]] = {};
    bool m_pending = false;
    std::function<void()> m_exit;
};

// The process ends here, without tearing anything down, when a worker is
// still inside a filter at the exit. A filter cannot be interrupted, and it
// runs on what the window and the engine own: the photo, the pipeline's
// filters and the pictures they borrow, the file list. Freeing any of that
// under it (the window's destructor, the engine's, the static destructors
// that exit() would run) is not safe, and waiting for it has no bound. What
// the worker was writing is gone already (the engine removed its temporary
// file and lets it publish nothing), and the settings are saved; the log
// file and the log outputs are closed before the end.
[[noreturn]] static void endNow(FMain &window, int result)
{
    window.closeLogFile();
    sn_log(2, nullptr, "runApplication", __LINE__, "a worker is still at work: ending now\n");
    sn_log_exit();
    _exit(result);
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

    EndSignals endSignals;
    int result = 1;
    {
        FMain window;
        endSignals.routeTo([&window]() { window.onExit(); });
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
        // Off the screen at once: the workers may take a moment to stop.
        window.hide();
        QGuiApplication::sync();
        const bool stopped = window.stopWorkers(k_exit_wait_ms);
        appsettings_save_default();
        if (!stopped)
            endNow(window, result);
        sn_image_uninit();
        sn_log_exit();
        sn_net_uninit();
    }
    return result;
}
