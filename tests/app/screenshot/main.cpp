// Takes the pictures of tests/app/screenshot.sh on a real X server: the main
// window on each of its four tabs, the settings dialog, the about box, a
// message box over the main window, and a gallery of every standard widget
// the pages use, all wearing the default skin. Usage:
//   zv_app_screenshot <output folder>
// The program starts as it does for a user (runApplication); the script gives
// it a data folder of its own, so the user's settings stay untouched.
#include "appstyle.h"
#include "dialogs.h"
#include "fmainfile.h"
#include "fmainoutput.h"
#include "fmainprocess.h"
#include "fmainworkflow.h"
#include "operation.h"
#include "outputconfig.h"
#include "photobatch.h"
#include "fabout.h"
#include "finputcounter.h"
#include "finputdatetime.h"
#include "fmain.h"
#include "foperationselect.h"
#include "foptions.h"
#include "startup.h"
#include "stylemsg.h"
#include "styletitle.h"
#include "stylewin.h"

#include "image/sn_image.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

#include <cstdio>

static QString g_out;
static int g_failures = 0;

// Lets the windows paint; a picture tool may wait a fixed moment.
static void settle(int ms = 300)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The screen's pixels under a window, with whatever lies over it.
static void shoot(QWidget *window, const char *name, const QRect &area = QRect())
{
    if (!QTest::qWaitForWindowExposed(window))
        std::fprintf(stderr, "screenshot: %s did not get on screen\n", name);
    settle();
    const QRect r = area.isNull() ? window->frameGeometry() : area;
    const QPixmap shot =
        QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height());
    const QString path = g_out + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    if (shot.isNull() || !shot.save(path)) {
        std::fprintf(stderr, "screenshot: writing %s FAILED!\n", qPrintable(path));
        ++g_failures;
        return;
    }
    std::printf("screenshot: %s\n", qPrintable(path));
}

// Every standard widget of the pages in one window, in rest, checked and
// disabled states, so that a skin can be judged at one glance.
static void gallery()
{
    StyleWin win(7, true);
    win.titleBar()->setTitle(QStringLiteral("Widget gallery - Zandrevik"));
    QMenu *file = win.menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Load Profile..."));
    file->addSeparator();
    file->addAction(QStringLiteral("E&xit"));
    win.menuBar()->addMenu(QStringLiteral("&Tool"));
    win.menuBar()->addMenu(QStringLiteral("&Help"));
    QToolBar *tools = win.toolBar();
    tools->addAction(QStringLiteral("Open"));
    tools->addAction(QStringLiteral("Save"));
    tools->addSeparator();
    tools->addAction(QStringLiteral("Run"));
    win.statusBar()->showMessage(QStringLiteral("Ready"));

    QWidget *content = win.contentWidget();
    QHBoxLayout *columns = new QHBoxLayout(content);

    QVBoxLayout *left = new QVBoxLayout;
    QGroupBox *buttons = new QGroupBox(QStringLiteral("Buttons"));
    QGridLayout *bl = new QGridLayout(buttons);
    bl->addWidget(new QPushButton(QStringLiteral("Add Files...")), 0, 0);
    QPushButton *disabled = new QPushButton(QStringLiteral("Disabled"));
    disabled->setEnabled(false);
    bl->addWidget(disabled, 0, 1);
    QHBoxLayout *small = new QHBoxLayout;
    for (const char *t : {"...", "+", "-"}) {
        QPushButton *b = new QPushButton(QLatin1String(t));
        b->setMaximumWidth(28);
        small->addWidget(b);
    }
    QToolButton *tool = new QToolButton;
    tool->setText(QStringLiteral("Tool"));
    small->addWidget(tool);
    QToolButton *menuTool = new QToolButton;
    menuTool->setText(QStringLiteral("Menu"));
    menuTool->setPopupMode(QToolButton::MenuButtonPopup);
    menuTool->setMenu(file);
    small->addWidget(menuTool);
    small->addStretch();
    bl->addLayout(small, 1, 0, 1, 2);
    QCheckBox *c1 = new QCheckBox(QStringLiteral("Keep aspect"));
    c1->setChecked(true);
    QCheckBox *c2 = new QCheckBox(QStringLiteral("Disable Log"));
    QCheckBox *c3 = new QCheckBox(QStringLiteral("Partly"));
    c3->setTristate(true);
    c3->setCheckState(Qt::PartiallyChecked);
    QCheckBox *c4 = new QCheckBox(QStringLiteral("Disabled"));
    c4->setChecked(true);
    c4->setEnabled(false);
    bl->addWidget(c1, 2, 0);
    bl->addWidget(c2, 2, 1);
    bl->addWidget(c3, 3, 0);
    bl->addWidget(c4, 3, 1);
    QRadioButton *r1 = new QRadioButton(QStringLiteral("Pixels"));
    r1->setChecked(true);
    QRadioButton *r2 = new QRadioButton(QStringLiteral("Percent"));
    bl->addWidget(r1, 4, 0);
    bl->addWidget(r2, 4, 1);
    left->addWidget(buttons);

    QGroupBox *inputs = new QGroupBox(QStringLiteral("Inputs"));
    QFormLayout *fl = new QFormLayout(inputs);
    fl->addRow(QStringLiteral("Name:"), new QLineEdit(QStringLiteral("<Filename>_small")));
    QLineEdit *off = new QLineEdit(QStringLiteral("disabled"));
    off->setEnabled(false);
    fl->addRow(QStringLiteral("Off:"), off);
    QSpinBox *spin = new QSpinBox;
    spin->setRange(0, 100);
    spin->setValue(85);
    fl->addRow(QStringLiteral("Quality:"), spin);
    QDoubleSpinBox *angle = new QDoubleSpinBox;
    angle->setValue(12.5);
    fl->addRow(QStringLiteral("Angle:"), angle);
    QComboBox *combo = new QComboBox;
    combo->addItems({QStringLiteral("JPG"), QStringLiteral("PNG"), QStringLiteral("TIFF")});
    fl->addRow(QStringLiteral("Format:"), combo);
    QComboBox *editable = new QComboBox;
    editable->setEditable(true);
    editable->addItem(QStringLiteral("Tahoma"));
    fl->addRow(QStringLiteral("Font:"), editable);
    QSlider *slider = new QSlider(Qt::Horizontal);
    slider->setValue(60);
    fl->addRow(QStringLiteral("Opacity:"), slider);
    QProgressBar *progress = new QProgressBar;
    progress->setValue(42);
    fl->addRow(QStringLiteral("Progress:"), progress);
    QLabel *warning = new QLabel(QStringLiteral("The output folder does not exist."));
    warning->setProperty("TextWarning", QStringLiteral("true"));
    fl->addRow(warning);
    QFrame *line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setProperty("IsLine", QStringLiteral("true"));
    fl->addRow(line);
    left->addWidget(inputs);
    left->addStretch();
    columns->addLayout(left);

    QTabWidget *tabs = new QTabWidget;
    tabs->setTabsClosable(true);
    QSplitter *split = new QSplitter(Qt::Vertical);
    QTreeWidget *tree = new QTreeWidget;
    tree->setHeaderLabels({QStringLiteral("Operation"), QStringLiteral("Settings")});
    for (int i = 0; i < 3; ++i) {
        QTreeWidgetItem *top =
            new QTreeWidgetItem(tree, {QStringLiteral("Category %1").arg(i + 1), QString()});
        for (int j = 0; j < 3; ++j)
            new QTreeWidgetItem(
                top, {QStringLiteral("Resize %1").arg(j + 1), QStringLiteral("800 x 600")});
    }
    tree->expandItem(tree->topLevelItem(0));
    tree->setCurrentItem(tree->topLevelItem(0)->child(1));
    split->addWidget(tree);
    QTableWidget *table = new QTableWidget(30, 3);
    table->setHorizontalHeaderLabels(
        {QStringLiteral("File"), QStringLiteral("Size"), QStringLiteral("Date")});
    table->setAlternatingRowColors(true);
    for (int r = 0; r < 30; ++r) {
        table->setItem(r, 0, new QTableWidgetItem(QStringLiteral("IMG_%1.JPG").arg(4000 + r)));
        table->setItem(r, 1, new QTableWidgetItem(QStringLiteral("2.%1 MB").arg(r % 10)));
        table->setItem(r, 2, new QTableWidgetItem(QStringLiteral("2026-05-%1").arg(r % 28 + 1)));
    }
    table->horizontalHeader()->setSortIndicator(0, Qt::AscendingOrder);
    table->horizontalHeader()->setSortIndicatorShown(true);
    table->selectRow(2);
    split->addWidget(table);
    tabs->addTab(split, QStringLiteral("Views"));
    QPlainTextEdit *log = new QPlainTextEdit;
    for (int i = 0; i < 40; ++i)
        log->appendPlainText(QStringLiteral("Start Processing file: /photos/IMG_%1.JPG with a long "
                                            "line that needs a horizontal scroll bar here, "
                                            "since it runs on and on past the edge")
                                 .arg(4000 + i));
    log->setLineWrapMode(QPlainTextEdit::NoWrap);
    tabs->addTab(log, QStringLiteral("Log"));
    QListWidget *list = new QListWidget;
    list->addItems({QStringLiteral("Resize"), QStringLiteral("Rotate"), QStringLiteral("Crop")});
    list->setCurrentRow(1);
    tabs->addTab(list, QStringLiteral("List"));
    columns->addWidget(tabs, 1);

    win.setGeometry(20, 20, 900, 620);
    win.show();
    shoot(&win, "gallery");
    file->popup(win.menuBar()->mapToGlobal(QPoint(2, win.menuBar()->height())));
    shoot(&win, "gallery_menu");
    file->hide();
    combo->showPopup();
    shoot(&win, "gallery_combo");
    combo->hidePopup();
    tabs->setCurrentIndex(1);
    shoot(&win, "gallery_log");
}

// A small photo for the filled pictures: a gradient with a little pattern.
static bool writePhoto(const QString &path, int width, int height, int format)
{
    sn_image_t *image = sn_image_create(width, height, 1);
    if (!image || sn_image_allocate_frame(image, 0) != 0) {
        sn_image_destroy(image);
        return false;
    }
    uint32_t **rows = sn_image_get_frame(image, 0);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            rows[y][x] = SN_PIXEL(255, (x * 255) / width, (y * 255) / height,
                                  (((x / 16) ^ (y / 16)) & 1) * 120 + 60);
    sn_image_write_params_t params = {90, 24, 0, 0};
    const int rc = sn_image_save(image, QFile::encodeName(path).constData(), format, &params);
    sn_image_destroy(image);
    return rc == 0;
}

// Runs the event loop until done holds or ms pass.
template <class Pred> static bool settleUntil(Pred done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// The window at work: Step 2 with a pipeline and its preview, and Step 4
// after a finished run whose log holds a red failure line.
static void filled(FMain &window, const QString &folder)
{
    const QString photos = folder + QStringLiteral("/photos");
    const QString output = folder + QStringLiteral("/output");
    QDir().mkpath(photos);
    QDir().mkpath(output);
    writePhoto(photos + QStringLiteral("/harbour.jpg"), 640, 480, SN_IMAGE_FORMAT_JPEG);
    writePhoto(photos + QStringLiteral("/lighthouse.png"), 480, 360, SN_IMAGE_FORMAT_PNG);
    writePhoto(photos + QStringLiteral("/meadow.tif"), 400, 300, SN_IMAGE_FORMAT_TIFF);
    QFile broken(photos + QStringLiteral("/kayak.jpg"));
    if (broken.open(QIODevice::WriteOnly))
        broken.write("\xFF\xD8\xFF\xE0 not a photo", 18);
    broken.close();

    Dialogs::hooks().existingDirectory = [photos](QWidget *, const QString &, const QString &,
                                                  QFileDialog::Options) { return photos; };
    window.filePage()->findChild<QPushButton *>(QStringLiteral("btnAddFolder"))->click();
    Dialogs::reset();
    QListView *files = window.filePage()->findChild<QListView *>(QStringLiteral("lvFile"));
    files->setCurrentIndex(files->model()->index(0, 0));
    shoot(&window, "main_step1_files");

    FMainWorkflow *flow = window.workflowPage();
    const OperationParamList resize = {{QStringLiteral("width"), QStringLiteral("50%")},
                                       {QStringLiteral("height"), QStringLiteral("50%")},
                                       {QStringLiteral("keep_aspect"), QStringLiteral("none")}};
    flow->insertOperation("resize", 0, &resize);
    flow->insertOperation("stamp_text", 1, nullptr);
    bool shown = false;
    QObject::connect(flow, &FMainWorkflow::previewChanged, [&shown](int) { shown = true; });
    // A stamp without text draws nothing: give it one.
    QLineEdit *text =
        flow->operations()[1]->widget()->findChild<QLineEdit *>(QStringLiteral("edtText"));
    text->setText(QStringLiteral("<Filename> - Zandrevik"));
    settle(800);
    window.tabWidget()->setCurrentIndex(1);
    if (!settleUntil([&shown] { return shown; }, 10000))
        std::fprintf(stderr, "screenshot: the preview did not come\n");
    shoot(&window, "main_step2_pipeline");

    outputconfig_t *c = photobatch_get_outputconfig(photobatch_get_instance());
    outputconfig_lock(c);
    std::snprintf(c->output_folder, sizeof c->output_folder, "%s",
                  QFile::encodeName(output).constData());
    std::snprintf(c->filename_template, sizeof c->filename_template, "%s",
                  "<Filename>_<Counter 1:1:3>");
    c->use_source_folder = 0;
    c->format = SN_IMAGE_FORMAT_PNG;
    c->keep_source_format = 0;
    outputconfig_unlock(c);
    window.outputPage()->loadConfig();
    window.tabWidget()->setCurrentIndex(3);
    QPushButton *start = window.processPage()->findChild<QPushButton *>(QStringLiteral("btnStart"));
    QTextEdit *log = window.processPage()->findChild<QTextEdit *>(QStringLiteral("edtLog"));
    start->click();
    if (!settleUntil(
            [log] { return log->toPlainText().contains(QStringLiteral("Processing completed")); },
            30000))
        std::fprintf(stderr, "screenshot: the run did not finish\n");
    settle(500);
    shoot(&window, "main_step4_finished");
}

// The picture and font dialogs as the panels' buttons open them: Qt's own,
// given what the platform's would be given.
static void panelDialogs(FMain &window, const char *kind)
{
    QPushButton *button = nullptr;
    if (qstrcmp(kind, "stamp_image") == 0) {
        Dialogs::hooks().openFileName = [&window](QWidget *parent, const QString &caption,
                                                  const QString &dir, const QString &filter) {
            QFileDialog files(parent, caption, dir, filter);
            files.setOption(QFileDialog::DontUseNativeDialog);
            files.show();
            files.move(window.geometry().center() - files.rect().center());
            shoot(&files, "imagedialog");
            return QString();
        };
        button = window.workflowPage()->findChild<QPushButton *>(QStringLiteral("btnImage"));
    } else if (qstrcmp(kind, "stamp_text") == 0) {
        Dialogs::hooks().font = [&window](bool *ok, const QFont &initial, QWidget *,
                                          const QString &title) {
            QFontDialog fonts(initial, &window);
            fonts.setOption(QFontDialog::DontUseNativeDialog);
            fonts.setWindowTitle(title);
            fonts.show();
            fonts.move(window.geometry().center() - fonts.rect().center());
            shoot(&fonts, "fontdialog");
            *ok = false;
            return initial;
        };
        button = window.workflowPage()->findChild<QPushButton *>(QStringLiteral("btnFont"));
    }
    if (button)
        button->click();
    Dialogs::reset();
}

// Step 2 with each kind's settings panel: every kind is appended in the
// registry's order, which selects it; the long pipeline shows the strip's
// scroll bar as well.
static void panels(FMain &window)
{
    window.tabWidget()->setCurrentIndex(1);
    FMainWorkflow *flow = window.workflowPage();
    for (const operation_info_t *info = operation_registry; info->name; ++info) {
        flow->insertOperation(info->name, flow->operations().count(), nullptr);
        const QByteArray name = QByteArray("panel_") + info->name;
        shoot(&window, name.constData());
        panelDialogs(window, info->name);
    }
    // At the window's smallest the widest panel scrolls in its pane.
    flow->insertOperation("crop", flow->operations().count(), nullptr);
    const QSize size = window.size();
    window.resize(window.minimumSize());
    shoot(&window, "panel_crop_minimum");
    // Narrowest and tall: the square preview gives way to the settings.
    flow->insertOperation("stamp_text", flow->operations().count(), nullptr);
    window.resize(window.minimumSize().width(), 940);
    shoot(&window, "panel_stamp_text_minimum_tall");
    window.resize(size);
}

// Qt's own dialogs, in the language of the translation it was given.
static void qtDialogs(FMain &window)
{
    QFileDialog files(&window, FMainFile::tr("Add Files - Zandrevik"), QDir::homePath());
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setFileMode(QFileDialog::ExistingFiles);
    files.show();
    files.move(window.geometry().center() - files.rect().center());
    shoot(&files, "filedialog");
    files.hide();

    QColorDialog colors(&window);
    colors.setOption(QColorDialog::DontUseNativeDialog);
    colors.show();
    colors.move(window.geometry().center() - colors.rect().center());
    shoot(&colors, "colordialog");
    colors.hide();
}

// The shots, taken once the real start-up has shown the main window.
static void shootAll(FMain &window)
{
    gallery();

    window.move(40, 40);
    for (int i = 0; i < window.tabWidget()->count(); ++i) {
        window.tabWidget()->setCurrentIndex(i);
        const QByteArray name = "main_step" + QByteArray::number(i + 1);
        shoot(&window, name.constData());
    }
    window.tabWidget()->setCurrentIndex(0);

    FOptions options(&window);
    options.show();
    options.move(window.geometry().center() - options.rect().center());
    shoot(&options, "settings");
    options.hide();

    FAbout about(&window);
    about.show();
    about.move(window.geometry().center() - about.rect().center());
    shoot(&about, "about");
    // As small as its border lets a user drag it.
    about.resize(about.minimumSizeHint().expandedTo(about.minimumSize()));
    shoot(&about, "about_minimum");
    about.hide();

    // The operation chooser and the two keyword dialogs.
    QString answer;
    FOperationSelect chooser(&answer, &window);
    FInputCounter counter(&answer, &window);
    FInputDatetime date(&answer, &window);
    const std::pair<QWidget *, const char *> dialogs[] = {
        {&chooser, "chooser"}, {&counter, "counter"}, {&date, "date"}};
    for (const auto &dialog : dialogs) {
        dialog.first->show();
        dialog.first->move(window.geometry().center() - dialog.first->rect().center());
        shoot(dialog.first, dialog.second);
        dialog.first->hide();
    }

    bool neverAgain = false;
    StyleMsg question(StyleMsg::Question, QStringLiteral("Zandrevik"),
                      FMainProcess::tr("Output folder does not exist, do you want to create it?"),
                      &neverAgain, QDialogButtonBox::Yes | QDialogButtonBox::No, &window);
    question.show();
    question.move(window.geometry().center() - question.rect().center());
    shoot(&question, "message", window.frameGeometry());
    question.hide();

    QTemporaryDir data;
    filled(window, data.path());
    panels(window);
    qtDialogs(window);
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: zv_app_screenshot <output folder>\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_out);

    StartupHooks hooks;
    // The picture taker lives in tests/, the translations the build made
    // beside the program in app/.
    hooks.applicationCreated = [] {
        setLanguageFolder(QCoreApplication::applicationDirPath() +
                          QStringLiteral("/../app/language"));
    };
    hooks.shown = [](FMain &window) {
        shootAll(window);
        QCoreApplication::exit(g_failures ? 1 : 0);
    };
    // The program's own start-up: settings, translation, skin and fonts as
    // a user gets them. Only argv[0] goes to the application object.
    int qtArgc = 1;
    return runApplication(qtArgc, argv, hooks);
}
