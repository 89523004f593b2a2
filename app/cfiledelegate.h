// CFileDelegate: paints a row of the Step 1 file list in thumbnail mode: the
// check box, the 96 x 72 thumbnail and three lines of text (path, date, size).
// In list mode it draws nothing.
#ifndef CFILEDELEGATE_H
#define CFILEDELEGATE_H

#include <QItemDelegate>

class CFileDelegate : public QItemDelegate
{
    Q_OBJECT

public:
    enum {
        CheckRight = 20, // right edge of the check box, in view coordinates
        ThumbLeft = 28,  // thumbnail offset from the item's top-left
        ThumbTop = 2,
        TextLeft = 131, // text area offset from the item's top-left
        TextTop = 10,
        LineGap = 4, // between a line's box and the next line
        ThumbRowHeight = 80
    };

    explicit CFileDelegate(QObject *parent = nullptr);

    void setViewMode(int mode);
    int viewMode() const
    {
        return m_viewMode;
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // Where paint puts the check box of a row.
    QRect checkRect(const QStyleOptionViewItem &option, const QModelIndex &index) const;

protected:
    // A click toggles the check box where paint draws it, not where the
    // base class would have put it.
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

private:
    int m_viewMode = 0;
};

#endif
