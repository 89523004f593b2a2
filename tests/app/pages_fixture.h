// Pieces shared by the tests that drive the main window's pages: answering
// the operation chooser and the other modal dialogs that a control opens.
#ifndef PAGES_FIXTURE_H
#define PAGES_FIXTURE_H

#include "foperationselect.h"

#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace pages
{

// Answers the next operation chooser: picks a row of a category and presses
// Add, or presses Cancel when row is -1.
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
            dialog->findChild<QListWidget *>(QStringLiteral("lwCategory"))->setCurrentRow(category);
            if (row >= 0) {
                dialog->findChild<QListWidget *>(QStringLiteral("lwOperation"))->setCurrentRow(row);
                dialog->findChild<QPushButton *>(QStringLiteral("btnAdd"))->click();
            } else {
                dialog->findChild<QPushButton *>(QStringLiteral("btnCancel"))->click();
            }
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
