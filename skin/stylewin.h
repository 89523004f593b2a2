// StyleWin: the frameless main-window base. The title bar, optional menu and
// tool bars, a content widget for the subclass's form, an optional status
// bar, and a 4-px resize band.
#ifndef STYLEWIN_H
#define STYLEWIN_H

#include "framelessbase.h"

#include <QFrame>

class QMenuBar;
class QToolBar;

class StyleWin : public FramelessBase<QFrame>
{
    Q_OBJECT

public:
    StyleWin(int titleFlags, bool flag, QWidget *parent = nullptr);

    QMenuBar *menuBar();
    QToolBar *toolBar();

private:
    QMenuBar *m_menuBar = nullptr;
    QToolBar *m_toolBar = nullptr;
};

#endif
