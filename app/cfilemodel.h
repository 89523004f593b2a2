// CFileModel: the engine's source file list as a one-column list of checkable
// rows, with thumbnails made on demand by a worker of its own. The model also
// carries out the Step 1 page's list changes, so that each one first drops
// the thumbnail work that is waiting and afterwards refreshes the view.
#ifndef CFILEMODEL_H
#define CFILEMODEL_H

#include <QAbstractListModel>
#include <QImage>
#include <QHash>

#include "workerrelay.h"

#include <memory>
#include <string_view>
#include <unordered_set>

struct fileman;
struct fileman_item;
struct sn_image;
struct sn_taskman;
struct thumbnail_request_t;

class CFileModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role { PathRole = Qt::UserRole, MtimeRole, SizeRole, PictureRole };
    enum { ThumbnailWidth = 96, ThumbnailHeight = 72, PreviewWidth = 220, PreviewHeight = 165 };

    explicit CFileModel(QObject *parent = nullptr);
    ~CFileModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void setViewMode(int mode);
    int viewMode() const
    {
        return m_viewMode;
    }
    // Requests not yet started are skipped; a running decode is never waited
    // for, its picture is checked against the list when it arrives.
    void cancelThumbnails();
    // Ends the worker within timeoutMs (a decode in progress stops at its
    // next row) and frees every thumbnail; once, at shutdown. False when a
    // task was still at work: the worker then frees what it holds.
    bool stopThumbnails(int timeoutMs = 12000);
    void refresh();
    bool addFile(const char *path, unsigned size, int mtime, bool notify);
    // Between these two, addFile appends and the name order is restored once
    // at the end: a folder of thousands of files is not placed one by one.
    void beginBulkAdd();
    void endBulkAdd();
    bool removeAll();
    bool removeChecked();
    bool sortFiles(int type, bool descending);

    // The current file's picture and size for the information panel, made on
    // the worker ahead of any thumbnail; answered by fileInfoReady with the
    // ticket returned here (0 when nothing could be queued).
    quint64 requestFileInfo(const char *path);

    // Thumbnails in flight, for tests: live requests and all records held.
    int pendingThumbnails() const
    {
        return m_pending.size();
    }
    int requestsHeld() const
    {
        return (int)m_requests.size();
    }
    fileman *list() const
    {
        return m_list;
    }
    sn_image *placeholder() const
    {
        return m_placeholder;
    }
    // The row picture of a file whose decode failed.
    sn_image *unreadable() const
    {
        return m_unreadable;
    }

    // The worker's steps, public for the benchmark: a 96 x 72 thumbnail, and
    // the information panel's 220 x 165 picture with the file's own size and
    // format. Both are safe on any thread; null on failure.
    static sn_image *makeThumbnail(const char *path);
    static sn_image *makePreview(const char *path, int *width, int *height, int *format);
    // Replaces the thumbnail step (null: makeThumbnail), so that a test can
    // hold the worker in a decode for as long as it likes.
    typedef sn_image *(*thumbnail_maker_t)(const char *path);
    static void setThumbnailMaker(thumbnail_maker_t maker);
    // Frame 0 as a 32-bit ARGB picture.
    static QImage toQImage(const sn_image *image);

signals:
    // A failed decode gives a null picture.
    void fileInfoReady(quint64 ticket, const QImage &picture, int width, int height, int format);
    // From the worker; queued to the model's own thread.
    void requestFinished(quintptr request);

public slots:
    void scrollBarValueChanged(int value);

private slots:
    void onRequestFinished(quintptr request);

private:
    static void *runRequest(void *param);
    static void requestResult(void *result);
    static void releaseRequest(void *param, void *result);
    bool queueRequest(thumbnail_request_t *request, int priority) const;
    void freeThumbnails();
    // An 80 x 60 row picture covered by the resource (pale grey without it).
    static sn_image *makeRowPicture(const QString &resource);

    fileman *m_list = nullptr;
    sn_taskman *m_tasks = nullptr;
    int m_viewMode = 0;
    sn_image *m_placeholder = nullptr;
    sn_image *m_unreadable = nullptr;
    // What the worker hands finished records back through.
    WorkerRelay<CFileModel>::Ptr m_relay;
    // Every request record handed to the worker and not yet back.
    mutable std::unordered_set<thumbnail_request_t *> m_requests;
    // The one live thumbnail request of an entry.
    mutable QHash<const fileman_item *, thumbnail_request_t *> m_pending;
    quint64 m_lastTicket = 0;
    bool m_bulk = false;
    int m_bulkSort = 0;
    // Views of the listed paths (the list owns the text) while adding in bulk.
    std::unordered_set<std::string_view> m_bulkPaths;
};

#endif
