// The frameless main window: its window flags and the bars made on request;
// the rest it shares with the dialog (FramelessBase).
#include "stylewin.h"

#include <QMenuBar>
#include <QToolBar>
#include <QVBoxLayout>

// Qt::Window keeps it a top-level window even when given a parent; the
// minimise hint lets the task bar minimise and restore it. Qt::
// CustomizeWindowHint would make Qt drop the frameless hint for it.
StyleWin::StyleWin(int titleFlags, bool flag, QWidget *parent)
    : FramelessBase<QFrame>(titleFlags, flag,
                            Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                                Qt::WindowMinimizeButtonHint,
                            QStringLiteral("wStyleWinContent"), parent)
{
}

QMenuBar *StyleWin::menuBar()
{
    if (!m_menuBar) {
        m_menuBar = new QMenuBar(this);
        m_layout->insertWidget(1, m_menuBar);
    }
    return m_menuBar;
}

QToolBar *StyleWin::toolBar()
{
    if (!m_toolBar) {
        m_toolBar = new QToolBar(this);
        m_layout->insertWidget(m_menuBar ? 2 : 1, m_toolBar);
    }
    return m_toolBar;
}
