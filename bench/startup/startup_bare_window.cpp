/*
 * bench_startup's references, linked against Qt alone so that they load no
 * more libraries than such a program would. By default a bare 800 x 600
 * window that draws the same kinds of widgets as Zandrevik's, about as many
 * of each and all built before it is shown: a menu bar of three menus, a tab
 * widget of four pages (a list with buttons, radio buttons and group boxes;
 * a scrolling list beside a preview of three tabs of scroll areas holding
 * labels; line edits, check boxes, a spin box, a slider and a combo box in
 * group boxes; a text view, a progress bar and buttons), with Qt's own style
 * and no style sheet, no settings, no workers. With --empty, an empty
 * QMainWindow.
 */
#include "startup_child.h"

#include <string.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{

void addButtons(QBoxLayout *layout, QWidget *parent, int count)
{
    for (int i = 0; i < count; i++)
        layout->addWidget(new QPushButton(QStringLiteral("Button %1").arg(i + 1), parent));
}

// A list of files, the buttons that fill it, and the choices of how.
QWidget *filesPage(QWidget *stack)
{
    QWidget *page = new QWidget(stack);
    QHBoxLayout *layout = new QHBoxLayout(page);
    layout->addWidget(new QListView(page));
    QVBoxLayout *side = new QVBoxLayout;
    layout->addLayout(side);
    addButtons(side, page, 6);
    for (int g = 0; g < 2; g++) {
        QGroupBox *group = new QGroupBox(QStringLiteral("Group %1").arg(g + 1), page);
        QVBoxLayout *inner = new QVBoxLayout(group);
        for (int i = 0; i < (g == 0 ? 3 : 2); i++)
            inner->addWidget(new QRadioButton(QStringLiteral("Choice %1").arg(i + 1), group));
        side->addWidget(group);
    }
    side->addWidget(new QCheckBox(QStringLiteral("Option"), page));
    for (int i = 0; i < 3; i++)
        side->addWidget(new QLabel(QStringLiteral("Label %1").arg(i + 1), page));
    return page;
}

// A scrolling list of operations beside a preview of three tabs, each a
// scroll area that holds a label.
QWidget *operationsPage(QWidget *stack)
{
    QWidget *page = new QWidget(stack);
    QHBoxLayout *layout = new QHBoxLayout(page);
    QVBoxLayout *left = new QVBoxLayout;
    layout->addLayout(left);
    QScrollArea *list = new QScrollArea(page);
    list->setWidgetResizable(true);
    list->setWidget(new QWidget);
    left->addWidget(list);
    QScrollArea *settings = new QScrollArea(page);
    settings->setWidgetResizable(true);
    settings->setWidget(new QWidget);
    left->addWidget(settings);
    QHBoxLayout *buttons = new QHBoxLayout;
    left->addLayout(buttons);
    addButtons(buttons, page, 4);
    left->addWidget(new QCheckBox(QStringLiteral("Option"), page));
    QFrame *line = new QFrame(page);
    line->setFrameShape(QFrame::HLine);
    left->addWidget(line);

    QWidget *preview = new QWidget(page);
    QVBoxLayout *right = new QVBoxLayout(preview);
    QHBoxLayout *tools = new QHBoxLayout;
    right->addLayout(tools);
    for (int i = 0; i < 7; i++)
        tools->addWidget(new QToolButton(preview));
    QTabWidget *tabs = new QTabWidget(preview);
    tabs->setTabPosition(QTabWidget::South);
    for (int i = 0; i < 3; i++) {
        QScrollArea *area = new QScrollArea;
        QWidget *content = new QWidget;
        QVBoxLayout *inner = new QVBoxLayout(content);
        inner->addWidget(new QLabel(content));
        area->setWidget(content);
        tabs->addTab(area, QStringLiteral("Tab %1").arg(i + 1));
    }
    right->addWidget(tabs);
    QFrame *frame = new QFrame(preview);
    right->addWidget(frame);
    layout->addWidget(preview);
    return page;
}

// The output's folder, name and format, in group boxes.
QWidget *outputPage(QWidget *stack)
{
    QWidget *page = new QWidget(stack);
    QVBoxLayout *layout = new QVBoxLayout(page);
    for (int g = 0; g < 4; g++) {
        QGroupBox *group = new QGroupBox(QStringLiteral("Group %1").arg(g + 1), page);
        QHBoxLayout *inner = new QHBoxLayout(group);
        if (g < 3) {
            inner->addWidget(new QLabel(QStringLiteral("Label %1").arg(g + 1), group));
            inner->addWidget(new QLineEdit(group));
            inner->addWidget(new QPushButton(QStringLiteral("..."), group));
        } else {
            inner->addWidget(new QLabel(QStringLiteral("Label"), group));
            inner->addWidget(new QComboBox(group));
            inner->addWidget(new QSlider(Qt::Horizontal, group));
            inner->addWidget(new QSpinBox(group));
            inner->addWidget(new QLabel(QStringLiteral("Label"), group));
        }
        for (int i = 0; i < 2; i++)
            inner->addWidget(new QCheckBox(QStringLiteral("Option %1").arg(i + 1), group));
        layout->addWidget(group);
    }
    return page;
}

// The run's log, its progress and the buttons that start it.
QWidget *processPage(QWidget *stack)
{
    QWidget *page = new QWidget(stack);
    QVBoxLayout *layout = new QVBoxLayout(page);
    layout->addWidget(new QTextEdit(page));
    layout->addWidget(new QProgressBar(page));
    QHBoxLayout *buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    buttons->addWidget(new QCheckBox(QStringLiteral("Option"), page));
    addButtons(buttons, page, 5);
    return page;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    startup_watch_first_paint();
    QMainWindow window;
    window.resize(800, 600);
    if (argc < 2 || strcmp(argv[1], "--empty") != 0) {
        const char *menus[3][3] = {{"&File", "&Open", "E&xit"},
                                   {"&Tool", "&Settings", nullptr},
                                   {"&Help", "&Help File", "&About"}};
        for (const auto &items : menus) {
            QMenu *menu = window.menuBar()->addMenu(QString::fromLatin1(items[0]));
            for (int i = 1; i < 3 && items[i]; i++)
                menu->addAction(QString::fromLatin1(items[i]));
        }
        QTabWidget *tabs = new QTabWidget(&window);
        QWidget *stack = tabs->findChild<QStackedWidget *>(QString(), Qt::FindDirectChildrenOnly);
        tabs->addTab(filesPage(stack), QStringLiteral("Step1: Select Files"));
        tabs->addTab(operationsPage(stack), QStringLiteral("Step2: Add Operations"));
        tabs->addTab(outputPage(stack), QStringLiteral("Step3: Configure Output"));
        tabs->addTab(processPage(stack), QStringLiteral("Step4: Start Process"));
        window.setCentralWidget(tabs);
    }
    window.show();
    return app.exec();
}
