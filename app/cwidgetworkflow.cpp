// CWidgetWorkflow: geometry and hit tests of the pieces, the rebuild of the
// labels, the selection frame, and the drag of a piece onto another.
#include "cwidgetworkflow.h"

#include "base/sn_log.h"
#include "operation.h"

#include <QDataStream>
#include <QDrag>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace
{

const int k_height = 112;
const int k_maxWidth = 4000;
const int k_pitch = 114; // a piece and the link after it
const int k_icon = 76;
const int k_iconY = 4;
const int k_linkWidth = 38;
const int k_titleWidth = 112;
const int k_titleHeight = 26;
const int k_titleY = 81;
// Room beside the row: 114 n + 190 keeps the row clear of the strip's edges.
const int k_sideRoom = 190;
// A drag marks the piece whose zone (19 px either side) holds the cursor.
const int k_dropShift = 19;

// A title wider than its box is cut short with an ellipsis, so that two
// neighbours never run into one another; the skin's font and margins count.
QString fittedTitle(QLabel *label, const QString &text)
{
    label->ensurePolished();
    const QMargins margins = label->contentsMargins();
    const int room = k_titleWidth - margins.left() - margins.right() - 2 * label->margin();
    return label->fontMetrics().elidedText(text, Qt::ElideRight, room);
}

CWidgetWorkflow::DragHook &dragHook()
{
    static CWidgetWorkflow::DragHook hook;
    return hook;
}

} // namespace

CWidgetWorkflow::CWidgetWorkflow(QList<CAbstractOperation *> *pipeline, QWidget *parent)
    : QWidget(parent), m_pipeline(pipeline)
{
    setAcceptDrops(true);
    setMinimumSize(0, k_height);
    setMaximumSize(k_maxWidth, k_height);
}

CWidgetWorkflow::~CWidgetWorkflow()
{
    // The labels are children and go with the strip.
    m_iconLabels.clear();
    m_titleLabels.clear();
    m_linkLabels.clear();
}

const char *CWidgetWorkflow::mimeType()
{
    return "image/x-workflow-piece";
}

void CWidgetWorkflow::setDragHook(const DragHook &hook)
{
    dragHook() = hook;
}

void CWidgetWorkflow::setCurrentIndex(int index)
{
    m_current = index;
    rebuild();
}

void CWidgetWorkflow::setDragEnabled(bool enabled)
{
    m_dragEnabled = enabled;
}

int CWidgetWorkflow::pieceAt(int x, bool gapsOutside) const
{
    const int n = m_pipeline->count();
    const int span = k_pitch * n + k_linkWidth;
    const int left = (width() - 1 + 77 - span) / 2;
    if (x < left || x >= left + span)
        return -1;
    if (gapsOutside && (x - left) % k_pitch > k_icon - 1)
        return -1;
    return (x - left) / k_pitch;
}

int CWidgetWorkflow::pieceX(int i) const
{
    const int n = m_pipeline->count();
    if (i < 0 || i >= n)
        return -1;
    return (width() + k_linkWidth - k_pitch * n + 2 * k_pitch * i) / 2;
}

void CWidgetWorkflow::rebuild()
{
    // A strip narrower than the new minimum grows at once, and its resize
    // runs a rebuild of its own: that one must be over before these labels
    // go, or both sets of labels would stay.
    const int n = m_pipeline->count();
    setMinimumSize(k_pitch * n + k_sideRoom, k_height);

    qDeleteAll(m_iconLabels);
    qDeleteAll(m_titleLabels);
    qDeleteAll(m_linkLabels);
    m_iconLabels.clear();
    m_titleLabels.clear();
    m_linkLabels.clear();

    const QPixmap link = QPixmap(QStringLiteral(":/zandrevik/workflow-link.png"));
    for (int i = 0; i < n; i++) {
        const operation_info_t *info = m_pipeline->at(i)->info();
        const int x = pieceX(i);

        // The strip takes every press and drop itself, wherever the labels lie.
        QLabel *icon = new QLabel(this);
        icon->setAttribute(Qt::WA_TransparentForMouseEvents);
        if (info) {
            QPixmap pixmap = info->icon();
            if (!pixmap.isNull())
                icon->setPixmap(
                    pixmap.scaled(k_icon, k_icon, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        }
        icon->move(x, k_iconY);
        icon->setMaximumSize(k_icon, k_icon);
        icon->resize(k_icon, k_icon);
        icon->show();
        m_iconLabels.append(icon);

        QLabel *title = new QLabel(this);
        title->setAttribute(Qt::WA_TransparentForMouseEvents);
        title->move(x - k_dropShift, k_titleY);
        title->setMinimumSize(k_titleWidth, k_titleHeight);
        title->setMaximumSize(k_titleWidth, k_titleHeight);
        title->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        if (info)
            title->setText(fittedTitle(title, info->title()));
        title->show();
        m_titleLabels.append(title);

        if (i < n - 1) {
            QLabel *arrow = new QLabel(this);
            arrow->setAttribute(Qt::WA_TransparentForMouseEvents);
            if (!link.isNull())
                arrow->setPixmap(link.scaled(k_linkWidth, k_icon, Qt::IgnoreAspectRatio,
                                             Qt::FastTransformation));
            arrow->move(x + k_icon, k_iconY);
            arrow->setMaximumSize(k_linkWidth, k_icon);
            arrow->resize(k_linkWidth, k_icon);
            arrow->show();
            m_linkLabels.append(arrow);
        }
    }
    update();
}

void CWidgetWorkflow::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->pos();
    if (pos.y() < k_iconY || pos.y() > k_iconY + k_icon - 1)
        return;
    const int i = pieceAt(pos.x(), true);
    if (i == -1 || i >= m_pipeline->count())
        return;
    if (i != m_current) {
        emit CurrentIndexChanged(i);
        m_current = i;
        rebuild();
    }
    if (m_dragEnabled)
        startDrag(i);
}

void CWidgetWorkflow::startDrag(int index)
{
    // The drag starts at the press, with no distance threshold: a click is a
    // drag that ends on its own piece.
    QPixmap pixmap;
    if (index < m_iconLabels.count())
        pixmap = m_iconLabels[index]->pixmap(Qt::ReturnByValue);
    if (!pixmap.isNull()) {
        QPainter painter(&pixmap);
        painter.fillRect(pixmap.rect(), QColor(127, 127, 127, 127));
    }

    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    stream << (qint32)index;
    QMimeData *data = new QMimeData;
    data->setData(QLatin1String(mimeType()), payload);

    QDrag *drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(pixmap);
    drag->setHotSpot(QPoint(pixmap.width() / 2, pixmap.height() / 2));

    QPointer<CWidgetWorkflow> self(this);
    m_dragData = data;
    if (dragHook()) {
        dragHook()(drag, Qt::MoveAction);
        drag->deleteLater();
    } else {
        drag->exec(Qt::MoveAction);
    }
    if (self)
        m_dragData = nullptr;
}

bool CWidgetWorkflow::isOwnDrag(const QMimeData *data) const
{
    return m_dragEnabled && data && data == m_dragData &&
           data->hasFormat(QLatin1String(mimeType()));
}

void CWidgetWorkflow::paintEvent(QPaintEvent *event)
{
    // Transparent over whatever the scroll area shows behind the strip.
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::transparent);
    int x = pieceX(m_dropIndex);
    if (x < 0)
        x = pieceX(m_current);
    if (x < 0)
        return;
    painter.setPen(QPen(QColor(QStringLiteral("#97BAD0")), 2, Qt::SolidLine));
    painter.drawRect(QRect(QPoint(x + 1, 5), QPoint(x + 74, 78)));
}

void CWidgetWorkflow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    rebuild();
}

void CWidgetWorkflow::dragEnterEvent(QDragEnterEvent *event)
{
    if (!isOwnDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void CWidgetWorkflow::dragMoveEvent(QDragMoveEvent *event)
{
    if (!isOwnDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    m_dropIndex = pieceAt(event->pos().x() + k_dropShift, false);
    event->setDropAction(Qt::MoveAction);
    event->accept();
    repaint();
}

void CWidgetWorkflow::dropEvent(QDropEvent *event)
{
    if (!isOwnDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    m_dropIndex = -1;
    const int target = pieceAt(event->pos().x(), false);
    if (target == -1) {
        update();
        return;
    }
    const QByteArray payload = event->mimeData()->data(QLatin1String(mimeType()));
    if (payload.size() != (int)sizeof(qint32)) {
        sn_log(3, NULL, "CWidgetWorkflow::dropEvent", __LINE__,
               "piece payload of %d bytes FAILED!\n", payload.size());
        update();
        return;
    }
    qint32 dragged = -1;
    QDataStream stream(payload);
    stream >> dragged;
    event->setDropAction(Qt::MoveAction);
    event->accept();

    QPointer<CWidgetWorkflow> self(this);
    emit MoveRequested(dragged, target);
    if (!self)
        return;
    rebuild();
    if (target != m_current) {
        emit CurrentIndexChanged(target);
        if (!self)
            return;
    }
    m_current = target;
    rebuild();
}
