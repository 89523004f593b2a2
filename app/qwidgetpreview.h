// QWidgetPreview: the preview half of the Step 2 page. It copies one stage
// image out of the preview engine and shows it at actual size in the
// visible tab; its width follows its height, so the area is a square as
// far as the settings beside it leave room.
#ifndef QWIDGETPREVIEW_H
#define QWIDGETPREVIEW_H

#include <QImage>
#include <QWidget>

#include <condition_variable>
#include <mutex>
#include <thread>

struct preview;
typedef struct preview preview_t;

class QWidgetPreview : public QWidget
{
    Q_OBJECT

public:
    explicit QWidgetPreview(QWidget *parent = nullptr);
    ~QWidgetPreview() override;

    // The page's engine; null once the page stops it. A stage still being
    // copied out of the old engine is waited for first, so that the engine
    // can be freed once this returns.
    void setPreview(preview_t *preview);
    preview_t *preview() const
    {
        return m_preview;
    }
    QSize sizeHint() const override;

public slots:
    void on_previewChange(int index);

signals:
    // The stage asked for last has been shown in the visible tab's label.
    void stageShown(int index);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // One stage to copy, or one copied.
    struct Copy {
        preview_t *preview = nullptr;
        int index = -1;
        unsigned request = 0;
        QImage image;
    };

    void copierLoop();
    void takeCopy();
    void showStage(int index, QImage image);

    preview_t *m_preview = nullptr;
    int m_hintSide = 0;
    // The pixels of the picture a label showed last, before its new one.
    QImage m_spare;
    // The number of the latest request; a copy made for an earlier one is
    // not shown.
    unsigned m_latest = 0;

    // The copier copies large stages off the interface thread, one at a
    // time; a request waiting for it is replaced by a later one. Everything
    // below is shared with it under m_copyMutex.
    std::mutex m_copyMutex;
    std::condition_variable m_copyWake;
    bool m_wanted = false;
    Copy m_wantedCopy;
    bool m_copying = false;
    Copy m_doneCopy;
    bool m_quit = false;
    std::thread m_copier;
};

#endif
