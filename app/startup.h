// The program's start-up and shutdown, kept out of main() so that a test or a
// benchmark can run the whole road in its own process.
#ifndef STARTUP_H
#define STARTUP_H

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

class FMain;

// What a test or a benchmark hooks into the road; empty members do nothing.
struct StartupHooks {
    // Once the application object exists, before the translation and skin.
    std::function<void()> applicationCreated;
    // Once the skin and its style sheet are set, before the main window.
    std::function<void()> skinLoaded;
    // Once, from the event loop, after the main window has been shown.
    std::function<void(FMain &window)> shown;
};

// Prepares the data folder, the settings, logging and the image formats,
// creates the application object, translation and skin, shows the main
// window and runs the event loop; then stops the workers, saves the
// settings and closes logging. Returns the event loop's result, or 1 when
// the batch engine could not be started.
int runApplication(int argc, char **argv, const StartupHooks &hooks = StartupHooks());

// Where a window of size goes on a screen of geometry screen: its middle,
// without the screen's own origin, and never above or left of 0 so that the
// frameless window's title bar stays reachable.
QPoint startupCentredPosition(const QRect &screen, const QSize &size);

// The application font: "Tahoma" at 9 points, with the Debian fonts that
// stand in for it.
void startupSetFont();

// "<data location>/Zandrevik", the folder of the settings file.
QString startupDataFolder();

// The local port that runApplication sends the log to, 6996 unless a test
// points it at a receiver of its own (0 restores 6996).
void startupSetLogPort(int port);

#endif
