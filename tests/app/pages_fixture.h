// Pieces shared by the tests that drive the main window's pages: finding
// their widgets, typing over a field, pressing the workflow strip's pieces,
// and answering the operation chooser and the other modal dialogs that a
// control opens.
#ifndef PAGES_FIXTURE_H
#define PAGES_FIXTURE_H

#include "cwidgetworkflow.h"
#include "fmainworkflow.h"
#include "foperationselect.h"
#include "operation.h"

#include <QApplication>
#include <QDialog>
#include <QDrag>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace pages
{

template <typename T> T *child(QWidget *parent, const char *name)
{
    T *w = parent->findChild<T *>(QLatin1String(name));
    if (!w)
        qFatal("no child %s", name);
    return w;
}

// Selects all of a line edit or spin box with the keys and types text over it.
inline void typeOver(QWidget *widget, const QString &text)
{
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(widget, text);
}

// The kinds of the page's operations, in their order.
inline QStringList kinds(FMainWorkflow *page)
{
    QStringList names;
    for (CAbstractOperation *operation : page->operations())
        names << QString::fromUtf8(operation->info()->name);
    return names;
}

// The platform delivers a drop to the widget that accepted the drag's entry.
inline void dropOn(QWidget *strip, const QMimeData *data, int x)
{
    QDragEnterEvent enter(QPoint(x, 40), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(strip, &enter);
    QDropEvent drop(QPointF(x, 40), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(strip, &drop);
}

// A press on a strip piece is a drag from it: the platform's drag loop is
// replaced by a drop at x (its own piece for a plain click).
inline void pressStrip(CWidgetWorkflow *strip, int from, int dropX)
{
    CWidgetWorkflow::setDragHook(
        [strip, dropX](QDrag *drag, Qt::DropActions) { dropOn(strip, drag->mimeData(), dropX); });
    QTest::mouseClick(strip, Qt::LeftButton, Qt::NoModifier, QPoint(strip->pieceX(from) + 10, 40));
    CWidgetWorkflow::setDragHook(CWidgetWorkflow::DragHook());
}

// A click on a list's row, scrolled into view first as a person would.
inline bool clickRow(QListWidget *list, int row)
{
    QListWidgetItem *item = list->item(row);
    if (!item) {
        qWarning("no row %d in %s", row, qPrintable(list->objectName()));
        return false;
    }
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(item).center());
    return true;
}

// Answers the next operation chooser: picks a row of a category and presses
// Add, or presses Cancel when row is -1 (or a row is missing).
inline void answerChooser(int category, int row)
{
    QTimer *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, category, row] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            FOperationSelect *dialog = qobject_cast<FOperationSelect *>(widget);
            if (!dialog || !dialog->isVisible())
                continue;
            timer->stop();
            timer->deleteLater();
            const bool picked = clickRow(child<QListWidget>(dialog, "lwCategory"), category) &&
                                row >= 0 &&
                                clickRow(child<QListWidget>(dialog, "lwOperation"), row);
            QTest::mouseClick(child<QPushButton>(dialog, picked ? "btnAdd" : "btnCancel"),
                              Qt::LeftButton);
            return;
        }
    });
    timer->start(5);
}

// The next modal dialog of class T that opens is handed to answer, which
// presses its buttons.
template <class T> void answerModal(std::function<void(T *)> answer)
{
    QTimer *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        T *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        answer(dialog);
    });
    timer->start(5);
}

} // namespace pages

#endif
