/*
 * bench_startup's reference: a bare Qt program that shows an empty 800 x 600
 * QMainWindow, linked against Qt alone, so that it loads no more libraries
 * than such a program would.
 */
#include "startup_child.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    startup_watch_first_paint();
    QMainWindow window;
    window.resize(800, 600);
    window.show();
    return app.exec();
}
