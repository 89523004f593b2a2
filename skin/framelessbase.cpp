// The frameless windows' common part: window setup, title bar, content
// widget, status bar and the event forwarding, made for QFrame (StyleWin)
// and QDialog (StyleDialog) only.
#include "framelessbase.h"

#include "styletitle.h"

#include <QDialog>
#include <QFrame>
#include <QMouseEvent>
#include <QStatusBar>
#include <QVBoxLayout>

template <class Base>
FramelessBase<Base>::FramelessBase(int titleFlags, bool flag, Qt::WindowFlags windowFlags,
                                   const QString &contentName, QWidget *parent)
    : Base(parent), m_flag(flag), m_frame(this)
{
    this->setWindowFlags(windowFlags);
    this->setMouseTracking(true);

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);

    m_titleBar = new StyleTitle(titleFlags, this);
    // The owner handed to the forwarders is this part of the window, the one
    // they cast it back to.
    m_titleBar->setForwarders(&FramelessBase::callMousePressEvent,
                              &FramelessBase::callMouseMoveEvent, this);
    m_layout->addWidget(m_titleBar);
    m_frame.setTitleBar(m_titleBar);

    m_content = new QWidget(this);
    m_content->setObjectName(contentName);
    m_content->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // Tracking on the content lets hover moves over its margins reach the
    // window's border band.
    m_content->setMouseTracking(true);
    m_layout->addWidget(m_content);
}

template <class Base> QStatusBar *FramelessBase<Base>::statusBar()
{
    if (!m_statusBar) {
        m_statusBar = new QStatusBar(this);
        m_statusBar->setMouseTracking(true);
        m_statusBar->setSizeGripEnabled(false);
        m_layout->addWidget(m_statusBar);
    }
    return m_statusBar;
}

template <class Base> void FramelessBase<Base>::callMousePressEvent(void *owner, QMouseEvent *event)
{
    static_cast<FramelessBase *>(owner)->mousePressEvent(event);
}

template <class Base> void FramelessBase<Base>::callMouseMoveEvent(void *owner, QMouseEvent *event)
{
    static_cast<FramelessBase *>(owner)->mouseMoveEvent(event);
}

template <class Base> void FramelessBase<Base>::mousePressEvent(QMouseEvent *event)
{
    Base::mousePressEvent(event);
    m_frame.mousePressEvent(event);
}

template <class Base> void FramelessBase<Base>::mouseMoveEvent(QMouseEvent *event)
{
    m_frame.mouseMoveEvent(event);
    Base::mouseMoveEvent(event);
}

template <class Base> void FramelessBase<Base>::mouseReleaseEvent(QMouseEvent *event)
{
    m_frame.mouseReleaseEvent(event);
    Base::mouseReleaseEvent(event);
}

template <class Base> bool FramelessBase<Base>::event(QEvent *event)
{
    m_frame.event(event);
    return Base::event(event);
}

template class FramelessBase<QFrame>;
template class FramelessBase<QDialog>;
