// CFileDelegate: the thumbnail row layout and the check box's hit area.
#include "cfiledelegate.h"

#include "cfilemodel.h"
#include "image/sn_image.h"
#include "stamptext.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <time.h>

CFileDelegate::CFileDelegate(QObject *parent) : QItemDelegate(parent) {}

void CFileDelegate::setViewMode(int mode)
{
    m_viewMode = mode;
}

QRect CFileDelegate::checkRect(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QVariant value = index.data(Qt::CheckStateRole);
    if (!value.isValid())
        return QRect();
    QRect check = doCheck(option, option.rect, value);
    QRect none;
    doLayout(option, &check, &none, &none, false);
    check.moveRight(CheckRight);
    return check;
}

void CFileDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const
{
    QStyleOptionViewItem opt = setOptions(index, option);
    painter->save();
    if (m_viewMode == 0) {
        painter->restore();
        return;
    }

    QVariant checkValue = index.data(Qt::CheckStateRole);
    Qt::CheckState state =
        checkValue.isValid() ? (Qt::CheckState)checkValue.toInt() : Qt::Unchecked;
    QRect check = checkRect(opt, index);
    drawBackground(painter, opt, index);
    drawCheck(painter, opt, check, state);
    drawFocus(painter, opt, opt.rect);

    const QRect item = opt.rect;
    const sn_image_t *picture =
        (const sn_image_t *)index.data(CFileModel::PictureRole).value<quintptr>();
    if (picture) {
        QImage image = CFileModel::toQImage(picture);
        if (!image.isNull())
            painter->drawImage(QRect(item.left() + ThumbLeft, item.top() + ThumbTop,
                                     CFileModel::ThumbnailWidth, CFileModel::ThumbnailHeight),
                               image);
    }

    // The three lines fill the 80-pixel row; a path wrapped onto a second
    // line would push the size line into the next row, so a path too long
    // for the text area loses its middle instead.
    painter->setClipRect(item);
    opt.features |= QStyleOptionViewItem::WrapText;
    opt.textElideMode = Qt::ElideNone;
    const int left = item.left() + TextLeft;
    const int margin = QApplication::style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    const int room = qMax(1, item.right() - left + 1 - 2 * margin);
    QString path = QString::fromUtf8(index.data(CFileModel::PathRole).toByteArray());
    QFontMetrics metrics(opt.font);
    if (metrics.horizontalAdvance(path) > room)
        path = metrics.elidedText(path, Qt::ElideMiddle, room);
    time_t mtime = (time_t)(qint64)index.data(CFileModel::MtimeRole).toULongLong();
    struct tm local;
    QString date;
    if (localtime_r(&mtime, &local))
        date = format_file_date(&local);
    const QString lines[3] = {
        path,
        QStringLiteral("Date: %1").arg(date),
        QStringLiteral("Size: %1").arg(format_file_size(index.data(CFileModel::SizeRole).toUInt())),
    };
    int top = item.top() + TextTop;
    for (const QString &text : lines) {
        QRect box = textRectangle(painter, QRect(0, 0, qMax(1, item.right() - left + 1), 1000),
                                  opt.font, text);
        box.moveTopLeft(QPoint(left, top));
        if (box.right() > item.right())
            box.setRight(item.right());
        drawDisplay(painter, opt, box, text);
        top = box.bottom() + LineGap;
    }
    painter->restore();
}

QSize CFileDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QItemDelegate::sizeHint(option, index);
    if (m_viewMode)
        size.setHeight(ThumbRowHeight);
    return size;
}

bool CFileDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (!m_viewMode || !model || !(model->flags(index) & Qt::ItemIsUserCheckable) ||
        !(model->flags(index) & Qt::ItemIsEnabled))
        return QItemDelegate::editorEvent(event, model, option, index);
    QVariant value = index.data(Qt::CheckStateRole);
    if (!value.isValid())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonPress: {
        QMouseEvent *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton || !checkRect(option, index).contains(mouse->pos()))
            return false;
        // Press and double click are taken so that only the release toggles.
        if (event->type() != QEvent::MouseButtonRelease)
            return true;
        break;
    }
    case QEvent::KeyPress: {
        int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select)
            return false;
        break;
    }
    default:
        return false;
    }
    int state = value.toInt() == Qt::Checked ? Qt::Unchecked : Qt::Checked;
    return model->setData(index, state, Qt::CheckStateRole);
}
