// CWidgetWorkflow: the strip across the top of the Step 2 page that draws
// the pipeline as a row of pieces (icon over title) joined by links. It
// reports a press on a piece and a piece dragged onto another; the page
// changes the pipeline and hands back the selection.
#ifndef CWIDGETWORKFLOW_H
#define CWIDGETWORKFLOW_H

#include <QList>
#include <QWidget>

#include <functional>

class CAbstractOperation;
class QDrag;
class QLabel;
class QMimeData;

class CWidgetWorkflow : public QWidget
{
    Q_OBJECT

public:
    // Runs a drag in place of QDrag::exec(supported); the drag is deleted
    // after it.
    typedef std::function<void(QDrag *drag, Qt::DropActions supported)> DragHook;

    CWidgetWorkflow(QList<CAbstractOperation *> *pipeline, QWidget *parent = nullptr);
    ~CWidgetWorkflow() override;

    void setCurrentIndex(int index);
    int currentIndex() const
    {
        return m_current;
    }
    int dropIndex() const
    {
        return m_dropIndex;
    }
    // The piece under x, -1 outside the row (and, with gapsOutside, over the
    // links); the count for the band right of the last piece's link area.
    int pieceAt(int x, bool gapsOutside) const;
    // Left x of piece i, -1 for an index outside the pipeline.
    int pieceX(int i) const;

    // While the batch runs a press only selects: no drag starts and no drop
    // is taken.
    void setDragEnabled(bool enabled);
    bool dragEnabled() const
    {
        return m_dragEnabled;
    }

    static const char *mimeType();
    // Tests set a hook so that a drag runs without the platform's drag loop.
    static void setDragHook(const DragHook &hook);

signals:
    void CurrentIndexChanged(int index);
    void MoveRequested(int oldIndex, int newIndex);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void rebuild();
    void startDrag(int index);
    // Only a drag that this strip started and still runs may drop here.
    bool isOwnDrag(const QMimeData *data) const;

    int m_current = -1;
    int m_dropIndex = -1;
    QList<QLabel *> m_iconLabels;
    QList<QLabel *> m_titleLabels;
    QList<QLabel *> m_linkLabels;
    QList<CAbstractOperation *> *m_pipeline;
    const QMimeData *m_dragData = nullptr;
    bool m_dragEnabled = true;
};

#endif
