// Maximise, then Restore, from the main window's title bar on each page, and
// on Step 2 with an operation's settings shown: the window comes back with
// the geometry it had before, whatever the maximised pages asked for.
#include "appsettings.h"
#include "appstyle.h"
#include "fmain.h"
#include "fmainworkflow.h"
#include "operation.h"
#include "startup.h"
#include "styletitle.h"
#include "zv_test.h"

#include "image/sn_image.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QtTest>

namespace
{

bool settled(FMainWorkflow *page)
{
    QWidget *content = page->findChild<QWidget *>(QStringLiteral("widgetConfigContent"));
    return content && QTest::qWaitFor(
                          [content] {
                              QCoreApplication::sendPostedEvents();
                              for (QWidget *child : content->findChildren<QWidget *>(
                                       QString(), Qt::FindDirectChildrenOnly))
                                  if (child->isVisible() && child->size() != content->size())
                                      return false;
                              return true;
                          },
                          5000);
}

} // namespace

class FMainRestoreTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void restoreGivesBackTheGeometryOnEveryPage_data();
    void restoreGivesBackTheGeometryOnEveryPage();

private:
    zvtest::TempDir m_dir;
};

void FMainRestoreTest::initTestCase()
{
    sn_image_init();
    startupSetFont();
    const QString settings = QString::fromStdString(m_dir.file("Zandrevik.conf"));
    appsettings_init(QFile::encodeName(settings).constData());
    appsettings_set_defaults(&g_appsettings);
    loadSkin();
}

void FMainRestoreTest::restoreGivesBackTheGeometryOnEveryPage_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("operation");
    QTest::newRow("Step 1") << 0 << QString();
    QTest::newRow("Step 2") << 1 << QString();
    QTest::newRow("Step 3") << 2 << QString();
    QTest::newRow("Step 4") << 3 << QString();
    for (const operation_info_t *info = operation_registry; info->name; ++info)
        QTest::newRow(qPrintable(QStringLiteral("Step 2, %1").arg(QLatin1String(info->name))))
            << 1 << QString::fromLatin1(info->name);
}

void FMainRestoreTest::restoreGivesBackTheGeometryOnEveryPage()
{
    QFETCH(int, page);
    QFETCH(QString, operation);
    FMain window;
    QVERIFY(window.engineStarted());
    window.processPage();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.tabWidget()->setCurrentIndex(page);
    FMainWorkflow *flow = window.workflowPage();
    if (!operation.isEmpty())
        flow->insertOperation(operation.toLatin1().constData(), 0, nullptr);
    // Smaller than the screen both ways, so that the maximised pages ask
    // for more room than the normal window has.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize minimum = window.minimumSizeHint().expandedTo(window.minimumSize());
    const QRect normal(screen.topLeft() + QPoint(10, 20),
                       minimum.expandedTo(QSize(screen.width() / 2, screen.height() / 2)));
    QVERIFY2(normal.width() < screen.width() && normal.height() < screen.height(),
             qPrintable(QStringLiteral("%1 x %2").arg(minimum.width()).arg(minimum.height())));
    window.setGeometry(normal);
    QTRY_COMPARE(window.geometry(), normal);
    // Step 2 lays its settings out a moment after a resize.
    QVERIFY(settled(flow));

    StyleTitle *bar = window.titleBar();
    QPushButton *maximize = bar->findChild<QPushButton *>(QStringLiteral("btnTBMaximize"));
    QPushButton *restore = bar->findChild<QPushButton *>(QStringLiteral("btnTBRestore"));
    QTest::mouseClick(maximize, Qt::LeftButton);
    QTRY_COMPARE(window.geometry(), screen);
    QTRY_VERIFY(restore->isVisible());
    QTest::mouseClick(restore, Qt::LeftButton);
    QCOMPARE(bar->state(), int(StyleTitle::Normal));
    QTRY_COMPARE(window.geometry(), normal);
    // And it stays so once Step 2 has laid itself out again.
    QVERIFY(settled(flow));
    QCOMPARE(window.geometry(), normal);
    window.stopWorkers();
}

QTEST_MAIN(FMainRestoreTest)
#include "fmainrestore_test.moc"
