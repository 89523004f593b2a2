// Nothing cut and nothing overlapping, in English and in German: every
// visible widget of the main window on each tab, of each operation's
// settings panel in Step 2, and of the dialogs, at the window's default
// size, at its minimum width at heights from low to tall, and maximised
// (the dialogs at their default and minimum sizes). Fonts, skin and translations are loaded the
// way start-up loads them, so the widths judged are the ones a user sees.
#include "appsettings.h"
#include "appstyle.h"
#include "fabout.h"
#include "finputcounter.h"
#include "finputdatetime.h"
#include "fmain.h"
#include "fmainworkflow.h"
#include "foperationselect.h"
#include "foptions.h"
#include "operation.h"
#include "startup.h"
#include "stylemsg.h"
#include "styletitle.h"
#include "zv_test.h"

#include "image/sn_image.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>

#include <functional>

namespace
{

QString describe(const QWidget *widget)
{
    QStringList path;
    for (const QWidget *w = widget; w && !w->isWindow(); w = w->parentWidget())
        path.prepend(w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                               : w->objectName());
    return path.join(QLatin1Char('/'));
}

QString textOf(const QWidget *widget)
{
    if (const QLabel *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (const QAbstractButton *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (const QGroupBox *group = qobject_cast<const QGroupBox *>(widget))
        return group->title();
    return QString();
}

// The parts of Qt's composite widgets lie over each other by design.
bool isComposite(const QWidget *widget)
{
    return qobject_cast<const QAbstractSpinBox *>(widget) ||
           qobject_cast<const QComboBox *>(widget) || qobject_cast<const QTabWidget *>(widget) ||
           qobject_cast<const QTabBar *>(widget) ||
           qobject_cast<const QAbstractScrollArea *>(widget);
}

class Checker
{
public:
    explicit Checker(QStringList *problems) : m_problems(problems) {}

    void check(QWidget *window, const QString &where)
    {
        m_where = where;
        walk(window);
    }

private:
    void report(const QWidget *widget, const QString &what)
    {
        *m_problems << QStringLiteral("%1: %2 (%3) \"%4\" %5")
                           .arg(m_where, describe(widget),
                                QLatin1String(widget->metaObject()->className()),
                                textOf(widget).left(40), what);
    }

    void checkSize(const QWidget *widget)
    {
        const bool judged = qobject_cast<const QLabel *>(widget) ||
                            qobject_cast<const QAbstractButton *>(widget) ||
                            qobject_cast<const QGroupBox *>(widget);
        if (!judged || textOf(widget).isEmpty())
            return;
        const QLabel *label = qobject_cast<const QLabel *>(widget);
        if (label && label->wordWrap()) {
            const int needed = label->heightForWidth(label->width());
            if (label->height() < needed)
                report(widget, QStringLiteral("is %1 px high at %2 px wide, needs %3")
                                   .arg(label->height())
                                   .arg(label->width())
                                   .arg(needed));
            return;
        }
        const QSize needed = widget->minimumSizeHint();
        if (widget->width() < needed.width() || widget->height() < needed.height())
            report(widget, QStringLiteral("is %1 x %2, needs %3 x %4")
                               .arg(widget->width())
                               .arg(widget->height())
                               .arg(needed.width())
                               .arg(needed.height()));
    }

    // A spin box squeezed below its value's width shows the value cut.
    void checkSpinBox(const QAbstractSpinBox *box)
    {
        const QLineEdit *edit = box->findChild<const QLineEdit *>();
        if (!edit || box->text().isEmpty())
            return;
        const QMargins margins = edit->textMargins();
        // QLineEdit keeps a margin of its own around its text.
        const int room = edit->contentsRect().width() - margins.left() - margins.right() - 2;
        const int needed = edit->fontMetrics().horizontalAdvance(box->text());
        if (room < needed)
            report(box, QStringLiteral("shows \"%1\" in %2 px, needs %3")
                            .arg(box->text())
                            .arg(room)
                            .arg(needed));
    }

    // Tabs squeezed below their size are elided or scrolled out of sight.
    void checkTabs(const QTabBar *bar)
    {
        const QWidget *holder = bar->parentWidget();
        const int room = holder ? holder->width() : bar->width();
        if (bar->sizeHint().width() > room)
            report(bar, QStringLiteral("needs %1 px for its tabs, has %2")
                            .arg(bar->sizeHint().width())
                            .arg(room));
    }

    // A scroll area that never scrolls one way must show its contents whole
    // that way, with room left for the other way's bar.
    void checkScrollArea(const QScrollArea *area)
    {
        const QWidget *contents = area->widget();
        if (!contents || !contents->isVisible())
            return;
        const QSize room = area->viewport()->size();
        if (area->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff &&
            contents->height() > room.height())
            report(area, QStringLiteral("shows %1 of its contents' %2 px height")
                             .arg(room.height())
                             .arg(contents->height()));
        if (area->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff &&
            contents->width() > room.width())
            report(area, QStringLiteral("shows %1 of its contents' %2 px width")
                             .arg(room.width())
                             .arg(contents->width()));
    }

    void walk(QWidget *parent)
    {
        QList<QWidget *> visible;
        for (QObject *object : parent->children()) {
            QWidget *child = qobject_cast<QWidget *>(object);
            if (!child || child->isWindow() || !child->isVisible())
                continue;
            visible << child;
            checkSize(child);
            if (QTabBar *bar = qobject_cast<QTabBar *>(child))
                checkTabs(bar);
            if (QAbstractSpinBox *box = qobject_cast<QAbstractSpinBox *>(child))
                checkSpinBox(box);
            if (QScrollArea *area = qobject_cast<QScrollArea *>(child))
                checkScrollArea(area);
            // A child reaching out of its parent is cut by it, unless the
            // parent is the viewport that scrolls it.
            const bool scrolled =
                parent->parentWidget() &&
                qobject_cast<QAbstractScrollArea *>(parent->parentWidget()) &&
                static_cast<QAbstractScrollArea *>(parent->parentWidget())->viewport() == parent;
            if (!scrolled && !isComposite(parent) && !parent->rect().contains(child->geometry()) &&
                !child->geometry().isEmpty())
                report(child, QStringLiteral("at %1,%2 %3 x %4 reaches out of its parent's %5 x %6")
                                  .arg(child->x())
                                  .arg(child->y())
                                  .arg(child->width())
                                  .arg(child->height())
                                  .arg(parent->width())
                                  .arg(parent->height()));
            walk(child);
        }
        if (isComposite(parent))
            return;
        for (int i = 0; i < visible.size(); i++) {
            for (int j = i + 1; j < visible.size(); j++) {
                const QRect a = visible[i]->geometry();
                const QRect b = visible[j]->geometry();
                if (a.intersects(b))
                    report(visible[i],
                           QStringLiteral("at %3,%4 %5 x %6 overlaps %1 (%2) at %7,%8 %9 x %10")
                               .arg(describe(visible[j]), textOf(visible[j]).left(40))
                               .arg(a.x())
                               .arg(a.y())
                               .arg(a.width())
                               .arg(a.height())
                               .arg(b.x())
                               .arg(b.y())
                               .arg(b.width())
                               .arg(b.height()));
            }
        }
    }

    QStringList *m_problems;
    QString m_where;
};

// A change of size asks the layouts again, which may change more sizes:
// a few rounds of the posted requests let every layout settle.
void settle()
{
    for (int i = 0; i < 4; i++) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// The Step 2 settings area re-lays itself out a moment after a resize.
bool settled(FMainWorkflow *page)
{
    QWidget *content = page->findChild<QWidget *>(QStringLiteral("widgetConfigContent"));
    return QTest::qWaitFor(
        [content] {
            settle();
            for (QWidget *child :
                 content->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
                if (child->isVisible() && child->size() != content->size())
                    return false;
            return true;
        },
        2000);
}

bool paneShowsAll(FMainWorkflow *page, bool mayScrollDown)
{
    QScrollArea *pane = page->findChild<QScrollArea *>(QStringLiteral("saConfigContent"));
    return pane && !pane->horizontalScrollBar()->isVisible() &&
           (mayScrollDown || !pane->verticalScrollBar()->isVisible());
}

struct Size {
    const char *name;
    std::function<QSize(QWidget *)> of;
};

const Size k_sizes[] = {
    {"default", [](QWidget *w) { return w->size(); }},
    {"minimum", [](QWidget *w) { return w->minimumSizeHint().expandedTo(w->minimumSize()); }},
};

} // namespace

class LayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everythingFits_data();
    void everythingFits();

private:
    void checkMainWindow(Checker &checker, QStringList &problems, const QString &language);
    void checkDialogs(Checker &checker, const QString &language);
    void loadLanguage(const QString &language);

    zvtest::TempDir m_dir;
};

void LayoutTest::initTestCase()
{
    sn_image_init();
    startupSetFont();
    const QString settings = QString::fromStdString(m_dir.file("Zandrevik.conf"));
    appsettings_init(QFile::encodeName(settings).constData());
    setLanguageFolder(QCoreApplication::applicationDirPath() + QStringLiteral("/../app/language"));
    loadSkin();
}

// The language as a user picks it: the settings file names it.
void LayoutTest::loadLanguage(const QString &language)
{
    appsettings_set_defaults(&g_appsettings);
    qstrncpy(g_appsettings.lang_filename, language.toUtf8().constData(),
             sizeof g_appsettings.lang_filename);
    QVERIFY(appsettings_save_default() == 0);
    loadTranslator();
}

void LayoutTest::everythingFits_data()
{
    QTest::addColumn<QString>("language");
    // English first: a language without a file leaves the last one loaded.
    QTest::newRow("English") << QStringLiteral("en_US");
    QTest::newRow("German") << QStringLiteral("de_DE");
}

void LayoutTest::everythingFits()
{
    QFETCH(QString, language);
    if (language == QLatin1String("de_DE") &&
        !QFile::exists(languageFolder() + QStringLiteral("/de_DE.qm")))
        QSKIP("no compiled German translation");
    loadLanguage(language);
    QStringList problems;
    Checker checker(&problems);
    checkMainWindow(checker, problems, language);
    checkDialogs(checker, language);
    for (const QString &problem : qAsConst(problems))
        qWarning("%s", qPrintable(problem));
    QVERIFY2(problems.isEmpty(),
             qPrintable(QStringLiteral("%1 places above").arg(problems.size())));
}

void LayoutTest::checkMainWindow(Checker &checker, QStringList &problems, const QString &language)
{
    FMain window;
    QVERIFY(window.engineStarted());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    FMainWorkflow *flow = window.workflowPage();
    const QSize defaultSize = window.size();
    const QSize minimum = window.minimumSizeHint().expandedTo(window.minimumSize());
    QVERIFY(minimum.width() <= defaultSize.width() && minimum.height() <= defaultSize.height());
    // The minimum width at every height a screen may give, the way a person
    // makes the window narrow and tall; then the window maximised by its
    // title bar's button.
    struct Place {
        QString name;
        QSize size;
        bool maximised;
    };
    QVector<Place> places = {{QStringLiteral("default"), defaultSize, false}};
    for (int height : {530, 600, 800, 1024})
        places.append({QStringLiteral("minimum width"),
                       QSize(minimum.width(), qMax(height, minimum.height())), false});
    places.append({QStringLiteral("maximised"), QSize(), true});
    QPushButton *maximise =
        window.titleBar()->findChild<QPushButton *>(QStringLiteral("btnTBMaximize"));
    QVERIFY(maximise);
    for (const Place &place : places) {
        if (place.maximised) {
            QTest::mouseClick(maximise, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(window.isMaximized(), 5000);
        } else {
            window.resize(place.size);
            QCOMPARE(window.size(), place.size);
        }
        // The pages' needs do not change with the height.
        QCOMPARE(window.minimumSizeHint().expandedTo(window.minimumSize()).width(),
                 minimum.width());
        const QString at = QStringLiteral("%1 %2 %3 x %4")
                               .arg(language, place.name)
                               .arg(window.width())
                               .arg(window.height());
        for (int tab = 0; tab < window.tabWidget()->count(); tab++) {
            window.tabWidget()->setCurrentIndex(tab);
            QVERIFY(settled(flow));
            checker.check(&window, QStringLiteral("%1 tab %2").arg(at).arg(tab + 1));
        }
        // Appending a kind selects it, so its panel is the one shown; the
        // long pipeline overflows the strip as well.
        window.tabWidget()->setCurrentIndex(1);
        for (const operation_info_t *info = operation_registry; info->name; ++info) {
            flow->insertOperation(info->name, flow->operations().count(), nullptr);
            QVERIFY(settled(flow));
            const QString where = QStringLiteral("%1 %2").arg(at, QLatin1String(info->name));
            checker.check(&window, where);
            // The preview never takes the width the settings need; a window
            // lower than its default may scroll a panel up and down only.
            if (!paneShowsAll(flow, window.height() < defaultSize.height()))
                problems << where + QStringLiteral(": the settings panel needs scrolling");
        }
        // Each place starts from an empty pipeline again: one that grew
        // over every place would make each later check walk and lay out
        // several times the widgets, for nothing more to see.
        QPushButton *remove = flow->findChild<QPushButton *>(QStringLiteral("btnRemove"));
        QVERIFY(remove);
        while (!flow->operations().isEmpty()) {
            const int before = flow->operations().count();
            QMetaObject::invokeMethod(flow, "on_CurrentIndexChanged", Q_ARG(int, 0));
            QTest::mouseClick(remove, Qt::LeftButton);
            QCOMPARE(flow->operations().count(), before - 1);
        }
        if (place.maximised) {
            QTest::mouseClick(
                window.titleBar()->findChild<QPushButton *>(QStringLiteral("btnTBRestore")),
                Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!window.isMaximized(), 5000);
        }
        window.resize(defaultSize);
    }
}

void LayoutTest::checkDialogs(Checker &checker, const QString &language)
{
    QString result;
    struct Dialog {
        const char *name;
        std::function<QWidget *()> make;
    } dialogs[] = {
        {"settings", [] { return new FOptions; }},
        {"about", [] { return new FAbout; }},
        {"chooser", [&result] { return new FOperationSelect(&result); }},
        {"counter", [&result] { return new FInputCounter(&result); }},
        {"date", [&result] { return new FInputDatetime(&result); }},
        {"question",
         [] {
             static bool never = false;
             return new StyleMsg(StyleMsg::Question, QStringLiteral("Zandrevik"),
                                 StyleMsg::tr("Output folder does not exist, do you want to "
                                              "create it?"),
                                 &never, QDialogButtonBox::Yes | QDialogButtonBox::No, nullptr);
         }},
    };
    for (const Dialog &d : dialogs) {
        QScopedPointer<QWidget> dialog(d.make());
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.data()));
        for (const Size &size : k_sizes) {
            dialog->resize(size.of(dialog.data()));
            settle();
            checker.check(dialog.data(),
                          QStringLiteral("%1 %2 %3 %4 x %5")
                              .arg(language, QLatin1String(d.name), QLatin1String(size.name))
                              .arg(dialog->width())
                              .arg(dialog->height()));
        }
    }
}

QTEST_MAIN(LayoutTest)
#include "layout_test.moc"
