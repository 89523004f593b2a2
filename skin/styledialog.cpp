// The frameless dialog: window flags, title bar, content widget, status bar,
// and the mouse and window events handed to the shared border behaviour.
#include "styledialog.h"

#include "styletitle.h"

#include <QMouseEvent>
#include <QStatusBar>
#include <QVBoxLayout>

StyleDialog::StyleDialog(int titleFlags, bool flag, QWidget *parent)
    : QDialog(parent), m_flag(flag), m_frame(this)
{
    // The minimise hint lets the task bar minimise and restore a window
    // that has no frame of its own. Qt::CustomizeWindowHint would make Qt
    // drop the frameless hint in favour of the minimise hint.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint);
    setMouseTracking(true);

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);

    m_titleBar = new StyleTitle(titleFlags, this);
    m_titleBar->setForwarders(&StyleDialog::callMousePressEvent, &StyleDialog::callMouseMoveEvent,
                              this);
    m_layout->addWidget(m_titleBar);
    m_frame.setTitleBar(m_titleBar);

    m_content = new QWidget(this);
    m_content->setObjectName(QStringLiteral("wStyleDialogContent"));
    m_content->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // Tracking on the content lets hover moves over its margins reach the
    // dialog's border band.
    m_content->setMouseTracking(true);
    m_layout->addWidget(m_content);
}

QStatusBar *StyleDialog::statusBar()
{
    if (!m_statusBar) {
        m_statusBar = new QStatusBar(this);
        m_statusBar->setMouseTracking(true);
        m_statusBar->setSizeGripEnabled(false);
        m_layout->addWidget(m_statusBar);
    }
    return m_statusBar;
}

void StyleDialog::callMousePressEvent(void *owner, QMouseEvent *event)
{
    static_cast<StyleDialog *>(owner)->mousePressEvent(event);
}

void StyleDialog::callMouseMoveEvent(void *owner, QMouseEvent *event)
{
    static_cast<StyleDialog *>(owner)->mouseMoveEvent(event);
}

void StyleDialog::mousePressEvent(QMouseEvent *event)
{
    QDialog::mousePressEvent(event);
    m_frame.mousePressEvent(event);
}

void StyleDialog::mouseMoveEvent(QMouseEvent *event)
{
    m_frame.mouseMoveEvent(event);
    QDialog::mouseMoveEvent(event);
}

void StyleDialog::mouseReleaseEvent(QMouseEvent *event)
{
    m_frame.mouseReleaseEvent(event);
    QDialog::mouseReleaseEvent(event);
}

bool StyleDialog::event(QEvent *event)
{
    m_frame.event(event);
    return QDialog::event(event);
}
