// The message-box answerer: a 5 ms poll of the top-level widgets for a
// visible StyleMsg, which modal runs of the box keep serving.
#include "msganswer.h"

#include "stylemsg.h"
#include "styletitle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>

namespace
{

struct Answer {
    QDialogButtonBox::StandardButton button;
    bool neverAgain;
    // -1: the button; else a MsgAnswer::Dismissal.
    int dismissal;
};

struct State {
    std::deque<Answer> queue;
    QStringList seen;
    int unexpected = 0;
    QPointer<QTimer> timer;
};

State &state()
{
    static State s;
    return s;
}

void answer(StyleMsg *box)
{
    State &s = state();
    QLabel *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    s.seen << box->windowTitle() + QLatin1Char('|') + (label ? label->text() : QString());
    Answer a{QDialogButtonBox::Cancel, false, -1};
    if (s.queue.empty()) {
        s.unexpected++;
    } else {
        a = s.queue.front();
        s.queue.pop_front();
    }
    QCheckBox *never = box->findChild<QCheckBox *>(QStringLiteral("qt_msgbox_checkbox"));
    if (a.dismissal >= 0) {
        if (a.neverAgain && never)
            QTest::mouseClick(never, Qt::LeftButton);
        if (a.dismissal == MsgAnswer::Escape) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else {
            QPushButton *close =
                box->titleBar()->findChild<QPushButton *>(QStringLiteral("btnTBClose"));
            if (close)
                QTest::mouseClick(close, Qt::LeftButton);
        }
        // A box that the input did not end counts as unexpected, and is
        // not left open.
        if (box->isVisible()) {
            s.unexpected++;
            box->reject();
        }
        return;
    }
    if (a.neverAgain && never)
        never->setChecked(true);
    QDialogButtonBox *buttons =
        box->findChild<QDialogButtonBox *>(QStringLiteral("qt_msgbox_buttonbox"));
    QAbstractButton *button = buttons ? buttons->button(a.button) : nullptr;
    if (button)
        button->click();
    else
        box->reject();
}

void poll()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        StyleMsg *box = qobject_cast<StyleMsg *>(w);
        if (box && box->isVisible() && !box->property("zv_answered").toBool()) {
            box->setProperty("zv_answered", true);
            answer(box);
            return;
        }
    }
}

void ensureTimer()
{
    State &s = state();
    if (s.timer)
        return;
    s.timer = new QTimer(qApp);
    QObject::connect(s.timer, &QTimer::timeout, poll);
    s.timer->start(5);
}

} // namespace

namespace MsgAnswer
{

void next(QDialogButtonBox::StandardButton button, bool neverAgain)
{
    ensureTimer();
    state().queue.push_back(Answer{button, neverAgain, -1});
}

void dismiss(Dismissal way, bool neverAgain)
{
    ensureTimer();
    state().queue.push_back(Answer{QDialogButtonBox::Cancel, neverAgain, int(way)});
}

QStringList seen()
{
    ensureTimer();
    return state().seen;
}

int unexpected()
{
    return state().unexpected;
}

int pending()
{
    return int(state().queue.size());
}

void clear()
{
    ensureTimer();
    State &s = state();
    s.queue.clear();
    s.seen.clear();
    s.unexpected = 0;
}

} // namespace MsgAnswer
