// The whole start-up and shutdown road in this process, watched by a real
// UDP receiver on a log port of its own: the data folder with its missing parents,
// the C locale for numbers and dates, the font, the centred window, the
// workers' threads opened at start and closed in reverse at exit, the
// settings file's bytes after a first start, hand-edited settings, a batch
// engine that cannot start, File > Exit during a running batch (in a child
// process, with the log file on), and every way out (File > Exit, the close
// button, SIGTERM, SIGINT, SIGHUP) while the batch is inside a slow filter.
#include "startup.h"

#include "appsettings.h"
#include "fmain.h"
#include "fmainprocess.h"
#include "msganswer.h"
#include "outputconfig.h"
#include "photobatch.h"
#include "styletitle.h"
#include "zv_test.h"

#include "filter/imagefilter.h"
#include "image/sn_image.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <locale.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QScreen>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <memory>

extern char **environ;

namespace
{

// Enough large files that File > Exit reliably comes while the batch runs.
const int k_exit_files = 8;

// The slow filters: free rotations (to and fro, so that the picture grows
// little) of a photo sized so that one of them takes about this long here,
// and at most this large.
const int k_slow_rotations = 4;
const double k_slow_rotation_target_ms = 5000;
const long long k_slow_photo_max_pixels = 120LL * 1000 * 1000;
// The first size tried, 4:3.
const int k_slow_probe_width = 4000, k_slow_probe_height = 3000;
// How long the parent waits for a child before it gives up on it; far past
// anything the test expects, only so that a hang fails instead of blocking.
const int k_child_limit_ms = 600000;

// The monotonic clock in milliseconds, the same in every process.
double monotonicMs()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

// A datagram socket of the test's own on a free loopback port, which the
// application logs to while it lives: no other program on the machine can
// hold that port or write to it.
class LogPort
{
public:
    LogPort()
    {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        int size = 8 << 20;
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
        struct sockaddr_in address;
        memset(&address, 0, sizeof address);
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t length = sizeof address;
        if (bind(fd_, (struct sockaddr *)&address, sizeof address) != 0 ||
            getsockname(fd_, (struct sockaddr *)&address, &length) != 0) {
            close(fd_);
            fd_ = -1;
            return;
        }
        startupSetLogPort(ntohs(address.sin_port));
    }
    ~LogPort()
    {
        startupSetLogPort(0);
        if (fd_ >= 0)
            close(fd_);
    }
    bool ok() const
    {
        return fd_ >= 0;
    }
    const std::vector<std::string> &lines()
    {
        char buf[65536];
        for (;;) {
            struct sockaddr_in from;
            socklen_t size = sizeof from;
            ssize_t n =
                recvfrom(fd_, buf, sizeof buf, MSG_DONTWAIT, (struct sockaddr *)&from, &size);
            if (n < 0)
                break;
            lines_.emplace_back(buf, (size_t)n);
            senders_.push_back(ntohs(from.sin_port));
        }
        return lines_;
    }
    // The lines that came from the sender of the first line holding mark:
    // one start of the program, whichever socket it sent from.
    // Positions before the index from keep their order and are counted in
    // *before.
    std::vector<std::string> linesFrom(const std::string &mark, size_t split, size_t *before)
    {
        lines();
        std::vector<std::string> mine;
        int sender = -1;
        for (size_t i = 0; i < lines_.size() && sender < 0; i++)
            if (lines_[i].find(mark) != std::string::npos)
                sender = senders_[i];
        *before = 0;
        for (size_t i = 0; i < lines_.size(); i++) {
            if (senders_[i] != sender)
                continue;
            mine.push_back(lines_[i]);
            if (i < split)
                (*before)++;
        }
        return mine;
    }

private:
    int fd_ = -1;
    std::vector<int> senders_;
    std::vector<std::string> lines_;
};

// Standard error goes to a file while it lives.
class StderrCapture
{
public:
    explicit StderrCapture(const std::string &path) : path_(path)
    {
        fflush(stderr);
        saved_ = dup(2);
        FILE *f = fopen(path.c_str(), "w");
        dup2(fileno(f), 2);
        fclose(f);
    }
    ~StderrCapture()
    {
        restore();
    }
    std::string restore()
    {
        if (saved_ >= 0) {
            fflush(stderr);
            dup2(saved_, 2);
            close(saved_);
            saved_ = -1;
        }
        std::vector<uint8_t> data = zvtest::read_file(path_);
        return std::string(data.begin(), data.end());
    }

private:
    std::string path_;
    int saved_ = -1;
};

// Sets an environment variable for a scope.
class EnvVar
{
public:
    EnvVar(const char *name, const std::string &value) : name_(name)
    {
        const char *old = getenv(name);
        had_ = old != nullptr;
        if (had_)
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~EnvVar()
    {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char *name_;
    bool had_ = false;
    std::string old_;
};

int run(const StartupHooks &hooks)
{
    static char name[] = "zandrevik";
    static char *argv[] = {name, nullptr};
    return runApplication(1, argv, hooks);
}

std::string bytes(const std::string &path)
{
    std::vector<uint8_t> data = zvtest::read_file(path);
    return std::string(data.begin(), data.end());
}

// Runs the event loop until pred holds or ms pass.
template <class Pred> bool waitFor(Pred pred, int ms = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

QAction *findAction(FMain &window, const QString &text)
{
    for (QAction *menu : window.menuBar()->actions())
        for (QAction *action : menu->menu()->actions())
            if (action->text() == text)
                return action;
    return nullptr;
}

// The three workers, in the order the window creates them.
const char *const k_workers[] = {"thrdPhotoBatchProc", "thrdTaskProc", "thrdPreviewProc"};

// Which worker a line opens or closes ("" when none): the thread name is
// the worker's prefix followed by its record's address.
std::string workerOf(const std::string &line, const char *function, const char *text)
{
    if (line.find(std::string("[") + function + "]") == std::string::npos ||
        line.find(text) == std::string::npos)
        return std::string();
    for (const char *worker : k_workers)
        if (line.find(worker) != std::string::npos)
            return worker;
    return std::string();
}

std::vector<std::string> workersIn(const std::vector<std::string> &lines, size_t from, size_t to,
                                   const char *function, const char *text)
{
    std::vector<std::string> found;
    for (size_t i = from; i < to && i < lines.size(); i++) {
        std::string worker = workerOf(lines[i], function, text);
        if (!worker.empty())
            found.push_back(worker);
    }
    return found;
}

std::string joined(const std::vector<std::string> &list)
{
    std::string text;
    for (const std::string &s : list)
        text += (text.empty() ? "" : ",") + s;
    return text;
}

// A photo of width x height with some structure in it, written as a BMP
// (quick to write and to read, however large).
bool writeSlowPhoto(const std::string &path, int width, int height)
{
    zvtest::ImagePtr image(zvtest::make_image(width, height, false, [](int x, int y) {
        return SN_PIXEL(255, (x * 7 + y) & 255, (x ^ y) & 255, (y * 3) & 255);
    }));
    if (!image)
        return false;
    sn_image_write_params_t params = {90, 24, 0, 0};
    return sn_image_save(image.get(), path.c_str(), SN_IMAGE_FORMAT_BMP, &params) == 0;
}

// Milliseconds that one free rotation of the photo at path takes in this
// process, now; -1 when it could not be done.
double timeOneRotation(const std::string &path)
{
    zvtest::ImagePtr image(sn_image_create_from_file(path.c_str(), -1));
    imagefilter_t *rotate = imagefilter_create("rotate");
    const char *keys[] = {"angle", nullptr};
    const char *values[] = {"1", nullptr};
    double ms = -1;
    if (image && rotate && imagefilter_set_settings(rotate, keys, values) == 0) {
        const double start = monotonicMs();
        if (imagefilter_execute(rotate, image.get()) == 0)
            ms = monotonicMs() - start;
    }
    imagefilter_destroy(rotate);
    return ms;
}

// The profile of the slow pipeline: k_slow_rotations free rotations.
std::string slowProfile()
{
    std::string text = "operation_count = " + std::to_string(k_slow_rotations) + "\r\n";
    for (int i = 0; i < k_slow_rotations; i++)
        text += "\r\n[operation_" + std::to_string(i + 1) + "]\r\nname = \"rotate\"\r\nangle = \"" +
                (i % 2 ? "-1.00" : "1.00") + "\"\r\n";
    return text;
}

// The program in a child process, its standard output read line by line.
class Child
{
public:
    // Starts self with the extra environment (NAME=value each) and the three
    // signals at their default action, as a desktop session starts it.
    bool start(const std::string &self, const std::vector<std::string> &env,
               const std::string &errors)
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return false;
        std::vector<std::string> all = env;
        for (char **e = environ; *e; e++)
            all.push_back(*e);
        std::vector<char *> envp;
        for (std::string &e : all)
            envp.push_back(&e[0]);
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        sigset_t defaults, none;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGTERM);
        sigaddset(&defaults, SIGINT);
        sigaddset(&defaults, SIGHUP);
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&attr, &defaults);
        posix_spawnattr_setsigmask(&attr, &none);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
        char *argv[] = {const_cast<char *>(self.c_str()), nullptr};
        const int rc = posix_spawn(&pid_, self.c_str(), &actions, &attr, argv, envp.data());
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (rc != 0) {
            close(fds[0]);
            pid_ = -1;
            return false;
        }
        fd_ = fds[0];
        return true;
    }
    ~Child()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (fd_ >= 0)
            close(fd_);
    }
    // The next line that starts with word, or "" when the child ended or
    // k_child_limit_ms passed first.
    std::string lineStarting(const std::string &word)
    {
        const double until = monotonicMs() + k_child_limit_ms;
        for (;;) {
            const size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                const std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                said_ += line + "\n";
                if (line.compare(0, word.size(), word) == 0)
                    return line;
                continue;
            }
            const double left = until - monotonicMs();
            struct pollfd p = {fd_, POLLIN, 0};
            if (left <= 0 || poll(&p, 1, (int)left) <= 0)
                return std::string();
            char chunk[256];
            const ssize_t n = read(fd_, chunk, sizeof chunk);
            if (n <= 0)
                return std::string();
            buffer_.append(chunk, (size_t)n);
        }
    }
    void signal(int sig)
    {
        kill(pid_, sig);
    }
    // Waits for the end; its wait status, or -1 after k_child_limit_ms (the
    // child is then killed).
    int wait()
    {
        const double until = monotonicMs() + k_child_limit_ms;
        int status = 0;
        for (;;) {
            const pid_t done = waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                pid_ = -1;
                return status;
            }
            if (done < 0 || monotonicMs() > until)
                return -1;
            usleep(1000);
        }
    }

    // Every line read so far.
    const std::string &said() const
    {
        return said_;
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::string buffer_;
    std::string said_;
};

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        appsettings_set_defaults(&g_appsettings);
        FMain::setEngineStarter(nullptr);
    }

    void centring_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("position");
        QTest::newRow("1280 x 1024") << QRect(0, 0, 1280, 1024) << QPoint(240, 212);
        QTest::newRow("odd sizes truncate") << QRect(0, 0, 1025, 769) << QPoint(112, 84);
        QTest::newRow("origin not added") << QRect(1920, 100, 1920, 1080) << QPoint(560, 240);
        QTest::newRow("screen as large as the window") << QRect(0, 0, 800, 600) << QPoint(0, 0);
        QTest::newRow("smaller screen keeps the title bar on it")
            << QRect(0, 0, 640, 480) << QPoint(0, 0);
    }

    void centring()
    {
        QFETCH(QRect, screen);
        QFETCH(QPoint, position);
        QCOMPARE(startupCentredPosition(screen, QSize(800, 600)), position);
    }

    void firstStartAndExit()
    {
        LogPort port;
        QVERIFY2(port.ok(), "no loopback port for the log");
        zvtest::TempDir dir;
        // Every parent of the data folder is missing.
        const std::string data = dir.file("home/user/.local/share");
        const std::string conf = data + "/Zandrevik/Zandrevik.conf";
        EnvVar xdg("XDG_DATA_HOME", data);
        zvtest::CommaLocale comma(dir);
        QVERIFY2(!comma.failed(), comma.skip_reason().c_str());
        EnvVar numeric("LC_NUMERIC", "de_DE.UTF-8");
        EnvVar time("LC_TIME", "de_DE.UTF-8");

        struct Seen {
            std::string numeric, time, printed;
            QString title;
            QSize size;
            QPoint position, expected;
            bool visible = false;
            bool folder = false;
            bool settingsWritten = true;
            QString family, substitute, used;
            int points = 0;
            size_t linesAtShow = 0;
            std::string batchThread;
        } seen;

        StartupHooks hooks;
        hooks.applicationCreated = [&seen]() {
            seen.numeric = setlocale(LC_NUMERIC, nullptr);
            seen.time = setlocale(LC_TIME, nullptr);
            char text[32];
            snprintf(text, sizeof text, "%.2f", 1.25);
            seen.printed = text;
        };
        hooks.shown = [&](FMain &window) {
            seen.title = window.titleBar()->title();
            seen.size = window.size();
            seen.position = window.pos();
            seen.expected =
                startupCentredPosition(QGuiApplication::primaryScreen()->geometry(), window.size());
            seen.visible = window.isVisible();
            seen.folder = QDir(QString::fromStdString(data + "/Zandrevik")).exists();
            seen.settingsWritten = zvtest::file_exists(conf);
            seen.family = QApplication::font().family();
            seen.points = QApplication::font().pointSize();
            seen.substitute = QFont::substitute(QStringLiteral("Tahoma"));
            seen.used = QFontInfo(QApplication::font()).family();
            seen.linesAtShow = port.lines().size();
            char name[64];
            snprintf(name, sizeof name, "thrdPhotoBatchProc%p", (void *)photobatch_get_instance());
            seen.batchThread = name;
            window.close();
        };
        StderrCapture err(dir.file("stderr.txt"));
        const int result = run(hooks);
        const std::string errors = err.restore();

        QCOMPARE(result, 0);
        QCOMPARE(QString::fromStdString(seen.numeric), QStringLiteral("C"));
        QCOMPARE(QString::fromStdString(seen.time), QStringLiteral("C"));
        QCOMPARE(QString::fromStdString(seen.printed), QStringLiteral("1.25"));
        QCOMPARE(seen.title, QStringLiteral("Zandrevik"));
        QCOMPARE(seen.size, QSize(800, 600));
        QCOMPARE(seen.position, seen.expected);
        QVERIFY(seen.visible);
        QVERIFY(seen.folder);
        // Saved at shutdown, not before.
        QVERIFY(!seen.settingsWritten);
        QCOMPARE(seen.family, QStringLiteral("Tahoma"));
        QCOMPARE(seen.points, 9);
        QCOMPARE(seen.substitute.toLower(), QStringLiteral("dejavu sans condensed"));
        QVERIFY2(seen.used.startsWith(QStringLiteral("DejaVu Sans")), qPrintable(seen.used));

        const std::string lang = g_appsettings.lang_filename;
        QCOMPARE(QString::fromStdString(bytes(conf)),
                 QString::fromStdString("lang_filename = \"" + lang +
                                        "\"\r\n"
                                        "log_filename = \"\"\r\n"
                                        "max_log_lines = 800\r\n"
                                        "disable_log_display = 0\r\n"
                                        "ask_empty_filterlist = 1\r\n"
                                        "ask_create_output_folder = 1\r\n"
                                        "ask_save_filelist_overwrite = 1\r\n"
                                        "ask_save_filelist = 1\r\n"
                                        "disable_all_confirms = 0\r\n"));

        // The workers' threads open before the window shows, in the order the
        // window creates them, and close after it, in reverse.
        size_t atShow = 0;
        const std::vector<std::string> lines =
            port.linesFrom("name:" + seen.batchThread, seen.linesAtShow, &atShow);
        std::vector<std::string> opened =
            workersIn(lines, 0, atShow, "sn_thread_open", "name:thrd");
        std::vector<std::string> closed =
            workersIn(lines, atShow, lines.size(), "sn_thread_close", "closing thread <");
        QCOMPARE(QString::fromStdString(joined(opened)),
                 QStringLiteral("thrdPhotoBatchProc,thrdTaskProc,thrdPreviewProc"));
        QCOMPARE(QString::fromStdString(joined(closed)),
                 QStringLiteral("thrdPreviewProc,thrdTaskProc,thrdPhotoBatchProc"));
        QVERIFY(workersIn(lines, 0, atShow, "sn_thread_close", "closing").empty());
        // Nothing was cancelled: each worker ended within its time-out.
        for (const std::string &line : lines)
            QVERIFY2(line.find("is canneled") == std::string::npos, line.c_str());
        // The log went to the datagram port only.
        QVERIFY2(errors.find("[sn_thread_open]") == std::string::npos, errors.c_str());
    }

    void handEditedSettingsAreUsedAndKept()
    {
        LogPort port;
        zvtest::TempDir dir;
        const std::string data = dir.file("share");
        EnvVar xdg("XDG_DATA_HOME", data);
        const std::string conf = data + "/Zandrevik/Zandrevik.conf";
        QVERIFY(zvtest::run("mkdir -p " + zvtest::quote(data + "/Zandrevik")) == 0);
        QVERIFY(zvtest::write_file(conf, "# by hand\n"
                                         "skin_file = \"/nowhere/dark.style\"\n"
                                         "disable_all_confirms = 1\n"
                                         "max_log_lines = 50\n"
                                         "lang_filename = \"xx_XX\"\n"
                                         "my_own_key = 7\n"));
        int confirms = -1, lines = -1;
        std::string lang;
        StartupHooks hooks;
        hooks.shown = [&](FMain &window) {
            confirms = g_appsettings.disable_all_confirms;
            lines = g_appsettings.max_log_lines;
            lang = g_appsettings.lang_filename;
            window.close();
        };
        QCOMPARE(run(hooks), 0);
        QCOMPARE(confirms, 1);
        QCOMPARE(lines, 50);
        QCOMPARE(QString::fromStdString(lang), QStringLiteral("xx_XX"));
        const std::string text = bytes(conf);
        QCOMPARE(QString::fromStdString(text),
                 QStringLiteral("my_own_key = 7\r\n"
                                "skin_file = \"/nowhere/dark.style\"\r\n"
                                "lang_filename = \"xx_XX\"\r\n"
                                "log_filename = \"\"\r\n"
                                "max_log_lines = 50\r\n"
                                "disable_log_display = 0\r\n"
                                "ask_empty_filterlist = 0\r\n"
                                "ask_create_output_folder = 0\r\n"
                                "ask_save_filelist_overwrite = 0\r\n"
                                "ask_save_filelist = 0\r\n"
                                "disable_all_confirms = 1\r\n"));
    }

    void engineThatDoesNotStartEndsTheProgram()
    {
        LogPort port;
        zvtest::TempDir dir;
        EnvVar xdg("XDG_DATA_HOME", dir.file("share"));
        FMain::setEngineStarter([]() { return -1; });
        bool shown = false;
        QStringList boxes;
        StartupHooks hooks;
        hooks.applicationCreated = [&boxes]() {
            MsgAnswer::clear();
            MsgAnswer::next(QDialogButtonBox::Ok);
            // What the boxes said, read while the application still exists.
            QObject::connect(qApp, &QObject::destroyed, [&boxes]() { boxes = MsgAnswer::seen(); });
        };
        hooks.shown = [&shown](FMain &) { shown = true; };
        const int result = run(hooks);
        QCOMPARE(result, 1);
        QVERIFY(!shown);
        QCOMPARE(boxes, QStringList{QStringLiteral("Zandrevik|Start batch engine FAILED!")});
        QCOMPARE(MsgAnswer::unexpected(), 0);
        QCOMPARE(MsgAnswer::pending(), 0);
    }

    // File > Exit from the menu, or the title bar's close button, while the
    // batch runs, in a child process on the real start-up road with the log
    // file on: the window leaves the screen first, the file in hand is given
    // up, every output written is whole and has its line, and the log file
    // ends with the run cancelled. Nothing is pumped once the event loop has
    // ended.
    void exitDuringABatch_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("File > Exit") << QStringLiteral("menu");
        QTest::newRow("close button") << QStringLiteral("close");
    }

    void exitDuringABatch()
    {
        QFETCH(QString, way);
        if (!zvtest::have_tool("convert"))
            QSKIP("no ImageMagick");
        LogPort port;
        zvtest::TempDir dir;
        const std::string in = dir.file("in"), out = dir.file("out"), log = dir.file("run.log");
        const std::string conf = dir.file("share/Zandrevik/Zandrevik.conf");
        QVERIFY(zvtest::run("mkdir -p " + zvtest::quote(in) + " " + zvtest::quote(out) + " " +
                            zvtest::quote(dir.file("share/Zandrevik"))) == 0);
        const std::string first = in + "/photo0.jpg";
        QVERIFY(zvtest::run("convert -size 2400x1800 gradient:#437596-#EAF0F3 +noise Gaussian "
                            "-quality 95 " +
                            zvtest::quote(first)) == 0);
        const std::string original = bytes(first);
        for (int i = 1; i < k_exit_files; i++)
            QVERIFY(zvtest::run("cp " + zvtest::quote(first) + " " +
                                zvtest::quote(in + "/photo" + std::to_string(i) + ".jpg")) == 0);
        // The log file on; a run without filters starts without its question.
        QVERIFY(zvtest::write_file(conf, "disable_all_confirms = 0\n"
                                         "ask_save_filelist = 1\n"
                                         "ask_save_filelist_overwrite = 1\n"
                                         "ask_create_output_folder = 1\n"
                                         "ask_empty_filterlist = 0\n"
                                         "max_log_lines = 800\n"
                                         "log_filename = \"" +
                                             log + "\"\n"));

        char self[4096];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        QVERIFY(n > 0);
        self[n] = '\0';
        const std::string status = dir.file("child.txt");
        const int rc =
            zvtest::run("ZV_STARTUP_CHILD=exit-during-batch ZV_CHILD_WAY=" + way.toStdString() +
                        " ZV_CHILD_DIR=" + zvtest::quote(dir.path()) + " XDG_DATA_HOME=" +
                        zvtest::quote(dir.file("share")) + " " + zvtest::quote(self));
        const QString seen = QString::fromStdString(bytes(status)).trimmed();
        QVERIFY2(rc == 0, qPrintable(QStringLiteral("child ended with %1: %2").arg(rc).arg(seen)));
        // Fails rather than warns: an Exit after the batch ended shows nothing.
        QCOMPARE(seen, QStringLiteral("started running-at-exit hidden-at-quit"));

        const QStringList written = QDir(QString::fromStdString(out)).entryList(QDir::Files);
        QVERIFY(!written.isEmpty());
        QVERIFY2(written.size() < k_exit_files, "the batch ended before Exit");
        sn_image_init();
        for (const QString &name : written) {
            const std::string path = out + "/" + name.toStdString();
            zvtest::ImagePtr image(sn_image_create_from_file(path.c_str(), 0));
            QVERIFY2(image && image->width == 2400 && image->height == 1800, path.c_str());
        }
        sn_image_uninit();

        QStringList lines = QString::fromStdString(bytes(log)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.takeLast(), QString()); // the last line is whole
        QVERIFY(!lines.isEmpty());
        QVERIFY2(lines.last().startsWith(QStringLiteral("Processing canceled, file count:")),
                 qPrintable(lines.last()));
        for (const QString &name : written) {
            const QString line = QStringLiteral("Processsing file complete, writed to:") +
                                 QString::fromStdString(out) + QLatin1Char('/') + name;
            QVERIFY2(lines.contains(line), qPrintable(lines.join(QLatin1Char('\n'))));
        }
        // Every file begun was finished and reported, but the one in hand at
        // the exit: that one was given up whole, leaving not even its
        // temporary file, and its source is as it was.
        const int begun = lines.filter(QStringLiteral("Start Processing file: ")).size();
        QVERIFY2(begun == written.size() || begun == written.size() + 1,
                 qPrintable(lines.join(QLatin1Char('\n'))));
        QCOMPARE(QDir(QString::fromStdString(out)).entryList(QDir::Files | QDir::Hidden), written);
        for (int i = 0; i < k_exit_files; i++)
            QVERIFY(bytes(in + "/photo" + std::to_string(i) + ".jpg") == original);
    }

    // Every way out while the batch worker is inside a real slow filter, a
    // free rotation of a large photo that takes seconds here: the program,
    // on its own road in a child process, is gone well before the filters
    // could have ended (their time measured here, in this process), nothing
    // of the photo is written (no output, no temporary file), the photo is
    // untouched, and the log file ends with the run cancelled. The signals
    // that end a session take the road of File > Exit.
    void exitDuringASlowFilter_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<int>("signal");
        QTest::newRow("File > Exit") << QStringLiteral("menu") << 0;
        QTest::newRow("close button") << QStringLiteral("close") << 0;
        QTest::newRow("SIGTERM") << QStringLiteral("signal") << (int)SIGTERM;
        QTest::newRow("SIGINT") << QStringLiteral("signal") << (int)SIGINT;
        QTest::newRow("SIGHUP") << QStringLiteral("signal") << (int)SIGHUP;
    }

    void exitDuringASlowFilter()
    {
        QFETCH(QString, way);
        QFETCH(int, signal);
        QVERIFY2(makeSlowPhoto(), "the slow photo could not be made");
        zvtest::TempDir dir;
        const std::string out = dir.file("out"), log = dir.file("run.log");
        QVERIFY(zvtest::run("mkdir -p " + zvtest::quote(out) + " " +
                            zvtest::quote(dir.file("share/Zandrevik"))) == 0);
        QVERIFY(zvtest::write_file(dir.file("slow.zvp"), slowProfile()));
        QVERIFY(zvtest::write_file(dir.file("share/Zandrevik/Zandrevik.conf"),
                                   "ask_save_filelist = 0\nmax_log_lines = 800\n"
                                   "log_filename = \"" +
                                       log + "\"\n"));
        struct stat before;
        QVERIFY(stat(m_slowPhoto.c_str(), &before) == 0);

        char self[4096];
        const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        QVERIFY(n > 0);
        self[n] = '\0';
        const std::string errors = dir.file("child-errors.txt");
        Child child;
        QVERIFY(child.start(self,
                            {"ZV_STARTUP_CHILD=exit-during-filters",
                             "ZV_CHILD_WAY=" + way.toStdString(), "ZV_CHILD_DIR=" + dir.path(),
                             "ZV_CHILD_PHOTO=" + m_slowPhoto, "XDG_DATA_HOME=" + dir.file("share")},
                            errors));
        // What the child said, when it ended before its time (waited for
        // only then).
        auto ended = [&child, &errors]() {
            return QStringLiteral("child ended early, wait status %1: %2")
                .arg(child.wait())
                .arg(QString::fromStdString(child.said() + bytes(errors)));
        };
        if (child.lineStarting("filtering ").empty())
            QFAIL(qPrintable(ended()));
        double asked = 0;
        if (signal) {
            asked = monotonicMs();
            child.signal(signal);
        } else {
            const std::string line = child.lineStarting("exit ");
            if (line.empty())
                QFAIL(qPrintable(ended()));
            asked = atof(line.c_str() + 5);
        }
        const int status = child.wait();
        const double exitMs = monotonicMs() - asked;
        QVERIFY2(status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0,
                 qPrintable(QStringLiteral("wait status %1: %2")
                                .arg(status)
                                .arg(QString::fromStdString(bytes(errors)))));
        qInfo("exit %.0f ms; one rotation %.0f ms, %d of them", exitMs, m_rotationMs,
              k_slow_rotations);
        // Bounded: well before the filters could have ended.
        QVERIFY2(exitMs < k_slow_rotations * m_rotationMs / 2,
                 qPrintable(QStringLiteral("exit took %1 ms").arg(exitMs)));
        // Not held by the filter at work either, when it is long enough to
        // tell: the worker was given up, not waited for. The exit comes as the
        // first turn begins, so waiting for it takes about a whole turn; a
        // sanitized build spends up to 2.2 s of a 4.3 s turn on its own exit.
        if (m_rotationMs >= 4000)
            QVERIFY2(exitMs < m_rotationMs * 3 / 4,
                     qPrintable(QStringLiteral("exit took %1 ms").arg(exitMs)));

        const QStringList left =
            QDir(QString::fromStdString(out))
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));
        struct stat after;
        QVERIFY(stat(m_slowPhoto.c_str(), &after) == 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_size, before.st_size);
        QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
        QCOMPARE(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
        QCOMPARE(after.st_ctim.tv_sec, before.st_ctim.tv_sec);

        QStringList lines = QString::fromStdString(bytes(log)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.takeLast(), QString()); // the last line is whole
        QVERIFY(!lines.isEmpty());
        QVERIFY2(lines.last().startsWith(QStringLiteral("Processing canceled, file count:1")),
                 qPrintable(lines.join(QLatin1Char('\n'))));
        QVERIFY(lines.filter(QStringLiteral("Processsing file complete")).isEmpty());
    }

private:
    // The slow photo, once for all rows: the probe size, or larger, up to
    // k_slow_photo_max_pixels, until one rotation takes about
    // k_slow_rotation_target_ms; that rotation's time is kept.
    bool makeSlowPhoto()
    {
        if (m_slowDir)
            return m_rotationMs > 0;
        m_slowDir.reset(new zvtest::TempDir);
        sn_image_init();
        int width = k_slow_probe_width, height = k_slow_probe_height;
        m_slowPhoto = m_slowDir->file("photo.bmp");
        if (writeSlowPhoto(m_slowPhoto, width, height))
            m_rotationMs = timeOneRotation(m_slowPhoto);
        if (m_rotationMs > 0 && m_rotationMs < k_slow_rotation_target_ms) {
            const double pixels = (double)width * height;
            const double scale =
                qMin(k_slow_rotation_target_ms / m_rotationMs, k_slow_photo_max_pixels / pixels);
            width = (int)(width * std::sqrt(scale));
            height = (int)(height * std::sqrt(scale));
            m_rotationMs = -1;
            if (writeSlowPhoto(m_slowPhoto, width, height))
                m_rotationMs = timeOneRotation(m_slowPhoto);
        }
        sn_image_uninit();
        return m_rotationMs > 0;
    }

    std::unique_ptr<zvtest::TempDir> m_slowDir;
    std::string m_slowPhoto;
    double m_rotationMs = -1;
};

// The child of exitDuringASlowFilter.
static std::atomic<bool> s_filtering{false};
static filter_list_callback_t s_pipelineFilters = nullptr;
static void *s_pipelineOwner = nullptr;

// Hands on the pipeline's own filters, and says on standard output when the
// worker has those of the photo: it runs them right after.
static void observedFilters(void *, const QString &path, int index, QList<imagefilter_t *> &filters)
{
    s_pipelineFilters(s_pipelineOwner, path, index, filters);
    // Said before the flag is set: the child's own "exit" line comes after.
    if (!path.isEmpty() && !filters.isEmpty() && !s_filtering.load()) {
        printf("filtering %.3f\n", monotonicMs());
        fflush(stdout);
        s_filtering.store(true);
    }
}

// Ends the program as a user does: File > Exit chosen from the menu by the
// mouse, or the title bar's close button clicked.
static void clickExit(FMain &window, bool byMenu)
{
    if (!byMenu) {
        QTest::mouseClick(window.titleBar()->findChild<QPushButton *>(QStringLiteral("btnTBClose")),
                          Qt::LeftButton);
        return;
    }
    QMenuBar *bar = window.menuBar();
    QAction *fileMenu = bar->actions().value(0);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(fileMenu).center());
    QMenu *menu = fileMenu->menu();
    if (!waitFor([menu]() { return menu->isVisible(); }, 5000))
        return;
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                      menu->actionGeometry(findAction(window, QStringLiteral("E&xit"))).center());
}

// The program's own road with the slow pipeline loaded from a profile and
// Start clicked; once the worker is in the filters, File > Exit is chosen
// from the menu by the mouse or the title bar's close button is clicked, or
// (the signal ways) the parent sends the signal. Says "exit <time>" right
// before its own click.
static int exitDuringASlowFilterChild(const std::string &dir, const std::string &photo,
                                      const std::string &way)
{
    StartupHooks hooks;
    hooks.shown = [&](FMain &window) {
        photobatch_t *batch = photobatch_get_instance();
        window.loadProfile(QString::fromStdString(dir + "/slow.zvp"));
        s_pipelineFilters = batch->filter_callback;
        s_pipelineOwner = batch->filter_owner;
        photobatch_set_filter_callback(batch, observedFilters, nullptr);
        fileman_add(photobatch_get_fileman(batch), photo.c_str(), 1, 0);
        outputconfig_t *config = photobatch_get_outputconfig(batch);
        outputconfig_lock(config);
        snprintf(config->output_folder, sizeof config->output_folder, "%s/out", dir.c_str());
        config->use_source_folder = 0;
        config->format = SN_IMAGE_FORMAT_PNG;
        outputconfig_unlock(config);
        window.tabWidget()->setCurrentIndex(3);
        QTest::mouseClick(
            window.processPage()->findChild<QPushButton *>(QStringLiteral("btnStart")),
            Qt::LeftButton);
        if (way != "menu" && way != "close")
            return;
        if (!waitFor([]() { return s_filtering.load(); }, k_child_limit_ms))
            return;
        printf("exit %.3f\n", monotonicMs());
        fflush(stdout);
        clickExit(window, way == "menu");
    };
    return run(hooks);
}

// The child of exitDuringABatch: the program's own road, with Start clicked
// and, while a file is in hand, File > Exit chosen from the menu by the mouse
// or the title bar's close button clicked.
// What it saw goes to child.txt as the event loop ends: on a busy machine a
// worker may still be inside an fsync when its second is up, and then the
// process ends without returning here. The parent checks the files.
static int exitDuringABatchChild(const std::string &dir, bool byMenu)
{
    std::string seen;
    StartupHooks hooks;
    hooks.shown = [&](FMain &window) {
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&]() {
            zvtest::write_file(dir + "/child.txt",
                               seen + (window.isVisible() ? "" : " hidden-at-quit") + "\n");
        });
        photobatch_t *batch = photobatch_get_instance();
        fileman_t *list = photobatch_get_fileman(batch);
        for (int i = 0; i < k_exit_files; i++) {
            const std::string path = dir + "/in/photo" + std::to_string(i) + ".jpg";
            fileman_add(list, path.c_str(), 1, 0);
        }
        outputconfig_t *config = photobatch_get_outputconfig(batch);
        outputconfig_lock(config);
        snprintf(config->output_folder, sizeof config->output_folder, "%s/out", dir.c_str());
        config->use_source_folder = 0;
        config->format = SN_IMAGE_FORMAT_PNG;
        outputconfig_unlock(config);
        window.tabWidget()->setCurrentIndex(3);
        QPushButton *startButton =
            window.processPage()->findChild<QPushButton *>(QStringLiteral("btnStart"));
        QTest::mouseClick(startButton, Qt::LeftButton);
        if (photobatch_get_status(batch) != PHOTOBATCH_STATUS_IDLE)
            seen += "started";
        // Exit once the first output is written and more files are to come.
        if (waitFor([batch]() { return photobatch_get_current(batch) >= 1; }) &&
            photobatch_get_status(batch) == PHOTOBATCH_STATUS_RUNNING &&
            photobatch_get_current(batch) < k_exit_files - 1)
            seen += " running-at-exit";
        clickExit(window, byMenu);
    };
    return run(hooks);
}

int main(int argc, char **argv)
{
    const char *child = getenv("ZV_STARTUP_CHILD");
    if (child && strcmp(child, "exit-during-filters") == 0 && getenv("ZV_CHILD_DIR") &&
        getenv("ZV_CHILD_PHOTO") && getenv("ZV_CHILD_WAY"))
        return exitDuringASlowFilterChild(getenv("ZV_CHILD_DIR"), getenv("ZV_CHILD_PHOTO"),
                                          getenv("ZV_CHILD_WAY"));
    if (child && strcmp(child, "exit-during-batch") == 0 && getenv("ZV_CHILD_DIR"))
        return exitDuringABatchChild(
            getenv("ZV_CHILD_DIR"),
            strcmp(getenv("ZV_CHILD_WAY") ? getenv("ZV_CHILD_WAY") : "", "close") != 0);
    // No application object here: every test runs the program's own.
    StartupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "startup_test.moc"
