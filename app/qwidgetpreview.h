// QWidgetPreview: the preview half of the Step 2 page. It copies one stage
// image out of the preview engine and shows it at actual size in the
// visible tab; its width follows its height, so the area is a square as
// far as the settings beside it leave room.
#ifndef QWIDGETPREVIEW_H
#define QWIDGETPREVIEW_H

#include <QImage>
#include <QWidget>

struct preview;
typedef struct preview preview_t;

class QWidgetPreview : public QWidget
{
    Q_OBJECT

public:
    explicit QWidgetPreview(QWidget *parent = nullptr);

    // The page's engine; null once the page has stopped it.
    void setPreview(preview_t *preview)
    {
        m_preview = preview;
    }
    preview_t *preview() const
    {
        return m_preview;
    }
    QSize sizeHint() const override;

public slots:
    void on_previewChange(int index);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    preview_t *m_preview = nullptr;
    int m_hintSide = 0;
    // The pixels of the picture a label showed last, before its new one.
    QImage m_spare;
};

#endif
