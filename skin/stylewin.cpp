// The frameless main window: window flags, title bar, the bars made on
// request, and the mouse and window events handed to the border behaviour.
#include "stylewin.h"

#include "styletitle.h"

#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

StyleWin::StyleWin(int titleFlags, bool flag, QWidget *parent)
    : QFrame(parent), m_flag(flag), m_frame(this)
{
    // Qt::Window keeps it a top-level window even when given a parent; the
    // minimise hint lets the task bar minimise and restore it. Qt::
    // CustomizeWindowHint would make Qt drop the frameless hint for it.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint);
    setMouseTracking(true);

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);

    m_titleBar = new StyleTitle(titleFlags, this);
    m_titleBar->setForwarders(&StyleWin::callMousePressEvent, &StyleWin::callMouseMoveEvent, this);
    m_layout->addWidget(m_titleBar);
    m_frame.setTitleBar(m_titleBar);

    m_content = new QWidget(this);
    m_content->setObjectName(QStringLiteral("wStyleWinContent"));
    m_content->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // Tracking on the content lets hover moves over its margins reach the
    // window's border band.
    m_content->setMouseTracking(true);
    m_layout->addWidget(m_content);
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

QStatusBar *StyleWin::statusBar()
{
    if (!m_statusBar) {
        m_statusBar = new QStatusBar(this);
        m_statusBar->setMouseTracking(true);
        m_statusBar->setSizeGripEnabled(false);
        m_layout->addWidget(m_statusBar);
    }
    return m_statusBar;
}

void StyleWin::callMousePressEvent(void *owner, QMouseEvent *event)
{
    static_cast<StyleWin *>(owner)->mousePressEvent(event);
}

void StyleWin::callMouseMoveEvent(void *owner, QMouseEvent *event)
{
    static_cast<StyleWin *>(owner)->mouseMoveEvent(event);
}

void StyleWin::mousePressEvent(QMouseEvent *event)
{
    QFrame::mousePressEvent(event);
    m_frame.mousePressEvent(event);
}

void StyleWin::mouseMoveEvent(QMouseEvent *event)
{
    m_frame.mouseMoveEvent(event);
    QFrame::mouseMoveEvent(event);
}

void StyleWin::mouseReleaseEvent(QMouseEvent *event)
{
    m_frame.mouseReleaseEvent(event);
    QFrame::mouseReleaseEvent(event);
}

bool StyleWin::event(QEvent *event)
{
    m_frame.event(event);
    return QFrame::event(event);
}
