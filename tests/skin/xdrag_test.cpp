// Resizing the frameless window with real X pointer events: an X server of
// its own (Xvfb, no window manager), the real window in a program on it, and
// xdotool's presses and moves at 6 px an event, from the outermost pixel of
// each edge and corner and from 1 px inside it, out past the window. Skipped
// where Xvfb or xdotool is not installed.
#include "skintest.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include <functional>

namespace
{

// Each wait ends as soon as what it waits for comes, and runs to its end only
// when something is wrong; under AddressSanitizer beside a load the window
// program's start-up alone took past 20 s.
const int k_waitMs = 120000;

// A program on the test's X server whose output is read line by line.
class Program
{
public:
    ~Program()
    {
        stop();
    }

    bool start(const QString &program, const QStringList &args, const QProcessEnvironment &env)
    {
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(program, args);
        return m_process.waitForStarted(k_waitMs);
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(k_waitMs);
    }

    // Reads on until the next line after the last one waited for matches;
    // false once the time is up or the program has ended.
    bool waitFor(const QRegularExpression &pattern)
    {
        return readUntil([this, &pattern] {
            for (; m_next < m_lines.size(); m_next++) {
                if (pattern.match(m_lines[m_next]).hasMatch()) {
                    m_next++;
                    return true;
                }
            }
            return false;
        });
    }

    // Reads on until the last geometry said is this one.
    bool waitForGeometry(const QRect &g)
    {
        const QString wanted = QStringLiteral("geometry %1 %2 %3 %4")
                                   .arg(g.x())
                                   .arg(g.y())
                                   .arg(g.width())
                                   .arg(g.height());
        return readUntil([this, &wanted] {
            for (int i = m_lines.size() - 1; i >= 0; i--) {
                if (m_lines[i].startsWith(QLatin1String("geometry ")))
                    return m_lines[i] == wanted;
            }
            return false;
        });
    }

    // The line that the last wait found.
    QString found() const
    {
        return m_lines.value(m_next - 1);
    }

    QString seen() const
    {
        return m_lines.join(QLatin1String(" | "));
    }

private:
    bool readUntil(const std::function<bool()> &done)
    {
        QDeadlineTimer deadline(k_waitMs);
        for (;;) {
            while (m_process.canReadLine())
                m_lines << QString::fromUtf8(m_process.readLine()).trimmed();
            if (done())
                return true;
            if (deadline.hasExpired() || m_process.state() != QProcess::Running)
                return false;
            m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
    }

    QProcess m_process;
    QStringList m_lines;
    int m_next = 0;
};

} // namespace

class XDragTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void dragFollowsThePointerOutOfTheWindow_data();
    void dragFollowsThePointerOutOfTheWindow();

private:
    bool xdotool(const QStringList &args, QString *output = nullptr);
    bool drag(Program &window, const QRect &geometry, const QPoint &from, Qt::Edges edges);
    bool serverPlaces(const QString &id, const QRect &geometry);

    QString m_xdotool;
    QProcess m_server;
    QProcessEnvironment m_env;
};

void XDragTest::initTestCase()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    m_xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xvfb.isEmpty() || m_xdotool.isEmpty())
        QSKIP("Xvfb or xdotool is not installed");
    // The server picks a free display and says its number on stdout.
    m_server.start(xvfb,
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                    QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                    QStringLiteral("tcp")});
    QVERIFY(m_server.waitForStarted(k_waitMs));
    QDeadlineTimer deadline(k_waitMs);
    while (!m_server.canReadLine() && !deadline.hasExpired() &&
           m_server.state() == QProcess::Running)
        m_server.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    const QByteArray display = m_server.readLine().trimmed();
    QVERIFY2(!display.isEmpty(), "Xvfb did not start");
    m_env = QProcessEnvironment::systemEnvironment();
    m_env.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(display));
    m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // The window draws nothing with GL: without a GL integration Qt loads no
    // GL driver, whose own allocations LeakSanitizer would report.
    m_env.insert(QStringLiteral("QT_XCB_GL_INTEGRATION"), QStringLiteral("none"));
}

void XDragTest::cleanupTestCase()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(k_waitMs))
            m_server.kill();
    }
}

bool XDragTest::xdotool(const QStringList &args, QString *output)
{
    QProcess process;
    process.setProcessEnvironment(m_env);
    process.start(m_xdotool, args);
    if (!process.waitForFinished(k_waitMs) || process.exitCode() != 0) {
        qWarning("xdotool %s failed", qPrintable(args.join(QLatin1Char(' '))));
        return false;
    }
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return true;
}

// The window's own report of its geometry may come before the X server has
// carried it out: a press sent then would land beside the window. Waits
// until the server places the window there.
bool XDragTest::serverPlaces(const QString &id, const QRect &geometry)
{
    const QString position = QStringLiteral("Position: %1,%2 ").arg(geometry.x()).arg(geometry.y());
    const QString size =
        QStringLiteral("Geometry: %1x%2").arg(geometry.width()).arg(geometry.height());
    return QTest::qWaitFor(
        [&] {
            QString info;
            return xdotool({QStringLiteral("getwindowgeometry"), id}, &info) &&
                   info.contains(position) && info.contains(size);
        },
        k_waitMs);
}

// Drags outwards from the point from over the edges of the window at
// geometry: the moves up to the press in one xdotool call and the rest up to
// the release in another, each once the window has handled the one before.
bool XDragTest::drag(Program &window, const QRect &geometry, const QPoint &from, Qt::Edges edges)
{
    QStringList pending;
    return outwardDrag(geometry, from, edges, true, [&](DragStep what, const QPoint &at) {
        if (what == DragStep::Move) {
            pending << QStringLiteral("mousemove") << QString::number(at.x())
                    << QString::number(at.y());
            return true;
        }
        const bool press = what == DragStep::Press;
        pending << (press ? QStringLiteral("mousedown") : QStringLiteral("mouseup"))
                << QStringLiteral("1");
        const QStringList args = pending;
        pending.clear();
        return xdotool(args) &&
               window.waitFor(QRegularExpression(press ? QStringLiteral("^pressed$")
                                                       : QStringLiteral("^released$")));
    });
}

void XDragTest::dragFollowsThePointerOutOfTheWindow_data()
{
    QTest::addColumn<bool>("dialog");
    QTest::addColumn<int>("edges");
    const int top = Qt::TopEdge, bottom = Qt::BottomEdge, left = Qt::LeftEdge;
    const int right = Qt::RightEdge;
    QTest::newRow("top") << false << top;
    QTest::newRow("bottom") << false << bottom;
    QTest::newRow("left") << false << left;
    QTest::newRow("right") << false << right;
    QTest::newRow("top-left") << false << (top | left);
    QTest::newRow("top-right") << false << (top | right);
    QTest::newRow("bottom-left") << false << (bottom | left);
    QTest::newRow("bottom-right") << false << (bottom | right);
    QTest::newRow("dialog, top") << true << top;
    QTest::newRow("dialog, bottom-left") << true << (bottom | left);
}

void XDragTest::dragFollowsThePointerOutOfTheWindow()
{
    QFETCH(bool, dialog);
    QFETCH(int, edges);
    // Room for both drags on the 1024 x 768 screen.
    const QRect start(200, 200, 400, 300);
    Program window;
    QStringList args{QString::number(start.x()), QString::number(start.y()),
                     QString::number(start.width()), QString::number(start.height())};
    if (dialog)
        args << QStringLiteral("--dialog");
    QVERIFY(window.start(QStringLiteral(ZV_XWINDOW), args, m_env));
    QVERIFY2(window.waitFor(QRegularExpression(QStringLiteral("^window \\d+$"))),
             qPrintable(window.seen()));
    const QString id = window.found().section(QLatin1Char(' '), 1);
    QVERIFY2(window.waitForGeometry(start), qPrintable(window.seen()));

    const QPoint delta = 10 * outwardStep(Qt::Edges(edges));
    // The press on the edge's outermost pixel, then on the pixel inside it.
    QRect geometry = start;
    for (int inside : {0, 1}) {
        const QRect before = geometry;
        const int x = edges & Qt::LeftEdge    ? geometry.left() + inside
                      : edges & Qt::RightEdge ? geometry.right() - inside
                                              : geometry.center().x();
        const int y = edges & Qt::TopEdge      ? geometry.top() + inside
                      : edges & Qt::BottomEdge ? geometry.bottom() - inside
                                               : geometry.center().y();
        geometry.adjust(edges & Qt::LeftEdge ? delta.x() : 0, edges & Qt::TopEdge ? delta.y() : 0,
                        edges & Qt::RightEdge ? delta.x() : 0,
                        edges & Qt::BottomEdge ? delta.y() : 0);
        QVERIFY2(serverPlaces(id, before), qPrintable(window.seen()));
        QVERIFY2(drag(window, before, QPoint(x, y), Qt::Edges(edges)),
                 qPrintable(QStringLiteral("%1 px inside: %2").arg(inside).arg(window.seen())));
        QVERIFY2(window.waitForGeometry(geometry),
                 qPrintable(QStringLiteral("%1 px inside: %2").arg(inside).arg(window.seen())));
    }

    // The X server places the window where the window says it is.
    QString info;
    QVERIFY(xdotool({QStringLiteral("getwindowgeometry"), id}, &info));
    QVERIFY2(info.contains(QStringLiteral("Position: %1,%2 ").arg(geometry.x()).arg(geometry.y())),
             qPrintable(info));
    QVERIFY2(info.contains(
                 QStringLiteral("Geometry: %1x%2").arg(geometry.width()).arg(geometry.height())),
             qPrintable(info));
}

QTEST_GUILESS_MAIN(XDragTest)
#include "xdrag_test.moc"
