// A frameless window for the X11 drag test: the real StyleWin (or, with
// --dialog, StyleDialog) with the default skin, placed at the geometry given
// as "x y w h", with a minimum size of 200 x 150. On stdout it says
// "window <id>" once shown, "geometry x y w h" each time its geometry
// changes, and "pressed" / "released" once a button press or release has
// been handled, so that the test waits on what the window did.
#include "skinresources.h"
#include "styledialog.h"
#include "styletitle.h"
#include "stylewin.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

namespace
{

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

class Reporter : public QObject
{
public:
    explicit Reporter(QWidget *window) : m_window(window) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Show:
            if (watched == m_window)
                say(QStringLiteral("window %1").arg(m_window->winId()));
            Q_FALLTHROUGH();
        case QEvent::Move:
        case QEvent::Resize:
            if (watched == m_window && m_window->isVisible() && m_window->geometry() != m_last) {
                m_last = m_window->geometry();
                say(QStringLiteral("geometry %1 %2 %3 %4")
                        .arg(m_last.x())
                        .arg(m_last.y())
                        .arg(m_last.width())
                        .arg(m_last.height()));
            }
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            // Said once the event has gone through every widget it reaches.
            if (watched->isWidgetType() && !m_saying) {
                m_saying = true;
                const bool press = event->type() == QEvent::MouseButtonPress;
                QTimer::singleShot(0, this, [this, press] {
                    m_saying = false;
                    say(press ? QStringLiteral("pressed") : QStringLiteral("released"));
                });
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    QWidget *m_window;
    QRect m_last;
    bool m_saying = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setStyleSheet(skinStyleSheet());
    QStringList args = app.arguments();
    const bool dialog = args.removeAll(QStringLiteral("--dialog")) > 0;
    QRect geometry(100, 100, 400, 300);
    if (args.size() == 5)
        geometry = QRect(args[1].toInt(), args[2].toInt(), args[3].toInt(), args[4].toInt());

    StyleWin win(StyleTitle::CloseButton | StyleTitle::MinimizeButton | StyleTitle::MaximizeButton,
                 true);
    StyleDialog dlg(StyleTitle::CloseButton, true);
    QWidget *window = dialog ? static_cast<QWidget *>(&dlg) : &win;
    QWidget *content = dialog ? dlg.contentWidget() : win.contentWidget();
    QVBoxLayout *layout = new QVBoxLayout(content);
    layout->addWidget(new QLabel(QStringLiteral("Drag an edge"), content));
    (dialog ? dlg.titleBar() : win.titleBar())->setTitle(QStringLiteral("Frameless"));
    window->setMinimumSize(200, 150);

    Reporter reporter(window);
    app.installEventFilter(&reporter);
    window->setGeometry(geometry);
    window->show();
    return app.exec();
}
