/*
 * What a child of bench_startup reports on its standard output: "shown <ms>"
 * once its main window has been shown and painted for the first time, and
 * "rss <KiB>" when the window has been idle for a while. Shared by the
 * Zandrevik child and the bare Qt window, so that both are timed alike.
 */
#ifndef STARTUP_CHILD_H
#define STARTUP_CHILD_H

#include "../bench_util.h"

#include <stdio.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

/* The window stays idle this long before its memory is read. */
static const int k_startup_idle_ms = 500;

/* Watches the application for the first paint of a top-level window. The
 * window's children are painted and the backing store flushed in the same
 * pass, so a zero timer started there fires once the whole window is on the
 * screen; that is when the start-up ends for the user. */
class StartupPaintProbe : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->isWindow()) {
            m_seen = true;
            QWidget *window = static_cast<QWidget *>(watched);
            QTimer::singleShot(0, window, []() {
                printf("shown %.3f\n", bench_now_ms());
                fflush(stdout);
            });
            QTimer::singleShot(k_startup_idle_ms, window, [window]() {
                printf("rss %ld\n", bench_resident_kib());
                fflush(stdout);
                window->close();
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};

/* Installs the probe on the application; call once QApplication exists. */
inline void startup_watch_first_paint()
{
    qApp->installEventFilter(new StartupPaintProbe);
}

#endif
