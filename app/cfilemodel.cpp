// CFileModel: rows over the engine's file list, the thumbnail requests and
// their worker, and the list changes of the Step 1 page.
//
// A request record carries its own copy of the path and the identity of its
// entry (address and row); the worker only decodes into the record. Every
// record the worker runs comes back to the interface thread by a queued
// signal, where the picture is stored only if that row still holds that
// entry with that path, and the record is freed. Dropping requests never
// waits: they are marked dead and the worker passes over them.
#include "cfilemodel.h"

#include "base/sn_taskman.h"
#include "codec/sn_jpeg_scaled.h"
#include "filter/imagefilter.h"
#include "image/sn_image.h"
#include "fileman.h"
#include "photobatch.h"
#include "snimageqt.h"

#include <QPixmap>

#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <new>

enum { REQUEST_THUMBNAIL, REQUEST_INFO };

struct thumbnail_request_t {
    // Once the model has detached, the worker frees what it still holds.
    WorkerRelay<CFileModel>::Ptr relay;
    int kind = REQUEST_THUMBNAIL;
    const fileman_item_t *entry = nullptr; // identity only; never read on the worker
    int row = -1;
    quint64 ticket = 0;
    char *path = nullptr;      // own copy
    std::atomic<int> live{1};  // 0: dropped, the worker skips it
    std::atomic<int> taken{0}; // the worker has begun it
    std::atomic<int> done{0};  // the worker has handed it back
    sn_image_t *picture = nullptr;
    int width = 0;
    int height = 0;
    int format = 0;
    int failed = 0; // the worker tried the file and it did not decode
};

namespace
{

std::atomic<CFileModel::thumbnail_maker_t> g_thumbnail_maker{nullptr};

const int k_placeholder_width = 80;
const int k_placeholder_height = 60;

void destroy_request(thumbnail_request_t *request)
{
    if (!request)
        return;
    free(request->path);
    if (request->picture)
        sn_image_destroy(request->picture);
    delete request;
}

int run_resize(sn_image_t *image, int width, int height, const char *aspect, const char *color)
{
    imagefilter_t *filter = imagefilter_create("resize");
    if (!filter)
        return -1;
    char w[16], h[16];
    snprintf(w, sizeof w, "%dpx", width);
    snprintf(h, sizeof h, "%dpx", height);
    const char *keys[] = {"width", "height", "keep_aspect", color ? "padding_color" : nullptr,
                          nullptr};
    const char *values[] = {w, h, aspect, color, nullptr};
    int rc = imagefilter_set_settings(filter, keys, values);
    if (rc == 0)
        rc = imagefilter_execute(filter, image);
    imagefilter_destroy(filter);
    return rc;
}

// JPEGs decode at the smallest DCT scale that still covers the box; the
// other formats have no such shortcut.
sn_image_t *load_covering(const char *path, int width, int height, int *full_width,
                          int *full_height, int *format)
{
    int id = sn_image_guess_format(path);
    if (format)
        *format = id;
    if (id == SN_IMAGE_FORMAT_JPEG)
        return sn_jpeg_load_scaled(path, width, height, full_width, full_height);
    sn_image_t *image = sn_image_create_from_file(path, -1);
    if (image) {
        if (full_width)
            *full_width = image->width;
        if (full_height)
            *full_height = image->height;
    }
    return image;
}

} // namespace

CFileModel::CFileModel(QObject *parent) : QAbstractListModel(parent)
{
    m_list = photobatch_get_fileman(photobatch_get_instance());
    fileman_sort(m_list, FILEMAN_SORT_NAME, 0);
    m_relay = WorkerRelay<CFileModel>::create(this);
    connect(this, &CFileModel::requestFinished, this, &CFileModel::onRequestFinished,
            Qt::QueuedConnection);
    m_tasks = sn_taskman_create(100);
    m_placeholder = makeRowPicture(QStringLiteral(":/zandrevik/small-summary-loading.png"));
    m_unreadable = makeRowPicture(QStringLiteral(":/zandrevik/small-summary-unreadable.png"));
}

CFileModel::~CFileModel()
{
    stopThumbnails();
    if (m_placeholder)
        sn_image_destroy(m_placeholder);
    if (m_unreadable)
        sn_image_destroy(m_unreadable);
}

sn_image_t *CFileModel::makeRowPicture(const QString &resource)
{
    QImage picture;
    QPixmap pixmap(resource);
    if (!pixmap.isNull())
        picture = pixmap
                      .scaled(k_placeholder_width, k_placeholder_height,
                              Qt::KeepAspectRatioByExpanding, Qt::FastTransformation)
                      .toImage()
                      .convertToFormat(QImage::Format_ARGB32);
    if (picture.width() < k_placeholder_width || picture.height() < k_placeholder_height) {
        picture = QImage(k_placeholder_width, k_placeholder_height, QImage::Format_ARGB32);
        picture.fill(QColor(224, 224, 224));
    }
    sn_image_t *image = sn_image_create(k_placeholder_width, k_placeholder_height, 1);
    if (!image)
        return nullptr;
    if (sn_image_allocate_frame(image, 0) != 0) {
        sn_image_destroy(image);
        return nullptr;
    }
    uint32_t **rows = sn_image_get_frame(image, 0);
    for (int y = 0; y < k_placeholder_height; y++) {
        const QRgb *line = (const QRgb *)picture.constScanLine(y);
        for (int x = 0; x < k_placeholder_width; x++)
            rows[y][x] = SN_PIXEL(qAlpha(line[x]), qRed(line[x]), qGreen(line[x]), qBlue(line[x]));
    }
    image->has_alpha = picture.hasAlphaChannel() ? 1 : 0;
    return image;
}

int CFileModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : fileman_count(m_list);
}

int CFileModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_viewMode ? 1 : 3;
}

Qt::ItemFlags CFileModel::flags(const QModelIndex &) const
{
    return Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
}

QVariant CFileModel::data(const QModelIndex &index, int role) const
{
    if (index.row() < 0 || index.column() < 0 || !index.model())
        return QVariant();
    fileman_item_t *item = fileman_get(m_list, index.row());
    if (!item)
        return QVariant();
    switch (role) {
    case Qt::CheckStateRole:
        return item->checked == 1 ? 2 : 0;
    case PathRole:
        return QByteArray(item->path);
    case MtimeRole:
        return (qulonglong)(qint64)item->mtime;
    case SizeRole:
        return (uint)item->size;
    case PictureRole:
        break;
    default:
        return QVariant();
    }

    if (item->thumbnail)
        return QVariant::fromValue<quintptr>((quintptr)item->thumbnail);
    if (m_tasks && !m_pending.contains(item)) {
        thumbnail_request_t *request = new (std::nothrow) thumbnail_request_t;
        if (!request)
            return QVariant();
        request->path = strdup(item->path);
        if (!request->path) {
            delete request;
            return QVariant();
        }
        request->entry = item;
        request->row = index.row();
        if (queueRequest(request, 0))
            m_pending.insert(item, request);
    }
    return QVariant::fromValue<quintptr>((quintptr)m_placeholder);
}

bool CFileModel::queueRequest(thumbnail_request_t *request, int priority) const
{
    request->relay = m_relay;
    sn_task_t task = {runRequest, requestResult, releaseRequest, request, priority};
    // Newest first: the rows painted last are the ones in view.
    if (!sn_taskman_add(m_tasks, &task, 1)) {
        destroy_request(request);
        return false;
    }
    m_requests.insert(request);
    return true;
}

bool CFileModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::CheckStateRole || index.row() < 0 || index.column() < 0 || !index.model())
        return false;
    fileman_item_t *item = fileman_get(m_list, index.row());
    if (!item)
        return false;
    bool ok = false;
    int state = value.toInt(&ok);
    item->checked = ok && state == Qt::Checked ? 1 : 0;
    emit dataChanged(index, index);
    return true;
}

QVariant CFileModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || m_viewMode != 0)
        return QVariant();
    switch (section) {
    case 0:
        return tr("Name");
    case 1:
        return tr("Size");
    case 2:
        return tr("Date");
    default:
        return QVariant();
    }
}

void CFileModel::setViewMode(int mode)
{
    m_viewMode = mode;
}

void CFileModel::cancelThumbnails()
{
    for (thumbnail_request_t *request : qAsConst(m_pending))
        request->live.store(0, std::memory_order_release);
    m_pending.clear();
}

void CFileModel::scrollBarValueChanged(int)
{
    cancelThumbnails();
}

bool CFileModel::stopThumbnails(int timeoutMs)
{
    if (!m_tasks)
        return true;
    cancelThumbnails();
    // Only here, at shutdown, is a running task waited for; its decode is
    // asked to stop.
    const bool ended = sn_taskman_close(m_tasks, timeoutMs) == 0;
    m_tasks = nullptr;
    m_relay->detach([this] {
        // A record the worker still runs (a decode that outlasted the wait)
        // is freed by the worker once it finds the relay detached.
        for (thumbnail_request_t *request : m_requests)
            if (!request->taken.load(std::memory_order_acquire) ||
                request->done.load(std::memory_order_acquire))
                destroy_request(request);
        m_requests.clear();
    });
    freeThumbnails();
    return ended;
}

void CFileModel::freeThumbnails()
{
    int count = fileman_count(m_list);
    for (int i = 0; i < count; i++) {
        fileman_item_t *item = fileman_get(m_list, i);
        if (item && item->thumbnail) {
            sn_image_destroy(item->thumbnail);
            item->thumbnail = nullptr;
        }
    }
}

void CFileModel::refresh()
{
    beginResetModel();
    endResetModel();
}

bool CFileModel::addFile(const char *path, unsigned size, int mtime, bool notify)
{
    if (!path)
        return false;
    bool bulkName = m_bulk && m_bulkSort == FILEMAN_SORT_NAME;
    if (bulkName && m_bulkPaths.count(std::string_view(path)))
        return true;
    int position = fileman_add(m_list, path, size, mtime);
    if (position < 0)
        return false;
    if (bulkName) {
        fileman_item_t *item = fileman_get(m_list, position);
        if (item)
            m_bulkPaths.insert(std::string_view(item->path));
    }
    if (notify)
        refresh();
    return true;
}

void CFileModel::beginBulkAdd()
{
    if (m_bulk)
        return;
    int descending = 0;
    m_bulkSort = FILEMAN_SORT_NONE;
    fileman_get_sort(m_list, &m_bulkSort, &descending);
    m_bulk = true;
    if (m_bulkSort != FILEMAN_SORT_NAME)
        return;
    // Name order is the only one that refuses a path already listed; the set
    // keeps that rule while the entries are appended unsorted.
    m_bulkPaths = std::unordered_set<std::string_view>();
    int count = fileman_count(m_list);
    for (int i = 0; i < count; i++)
        m_bulkPaths.insert(std::string_view(fileman_get(m_list, i)->path));
    fileman_sort(m_list, FILEMAN_SORT_NONE, descending);
}

void CFileModel::endBulkAdd()
{
    if (!m_bulk)
        return;
    m_bulk = false;
    if (m_bulkSort == FILEMAN_SORT_NAME) {
        int sort = 0, descending = 0;
        fileman_get_sort(m_list, &sort, &descending);
        fileman_sort(m_list, FILEMAN_SORT_NAME, descending);
    }
    m_bulkPaths = std::unordered_set<std::string_view>();
}

bool CFileModel::removeAll()
{
    cancelThumbnails();
    bool removed = false;
    for (int i = fileman_count(m_list) - 1; i >= 0; i--) {
        fileman_item_t *item = fileman_get(m_list, i);
        if (!item)
            continue;
        if (item->thumbnail)
            sn_image_destroy(item->thumbnail);
        item->thumbnail = nullptr;
        if (fileman_remove(m_list, i) == 0)
            removed = true;
    }
    refresh();
    return removed;
}

bool CFileModel::removeChecked()
{
    cancelThumbnails();
    bool removed = false;
    int end = fileman_count(m_list);
    for (int i = 0; i < end;) {
        fileman_item_t *item = fileman_get(m_list, i);
        if (item && item->checked == 1) {
            if (item->thumbnail)
                sn_image_destroy(item->thumbnail);
            item->thumbnail = nullptr;
            if (fileman_remove(m_list, i) == 0) {
                removed = true;
                end--;
                continue;
            }
        }
        i++;
    }
    refresh();
    return removed;
}

bool CFileModel::sortFiles(int type, bool descending)
{
    cancelThumbnails();
    int rc = fileman_sort(m_list, type, descending ? 1 : 0);
    refresh();
    return rc == 0;
}

quint64 CFileModel::requestFileInfo(const char *path)
{
    if (!m_tasks || !path)
        return 0;
    for (thumbnail_request_t *request : m_requests)
        if (request->kind == REQUEST_INFO)
            request->live.store(0, std::memory_order_release);
    thumbnail_request_t *request = new (std::nothrow) thumbnail_request_t;
    if (!request)
        return 0;
    request->kind = REQUEST_INFO;
    request->path = strdup(path);
    if (!request->path) {
        delete request;
        return 0;
    }
    request->ticket = ++m_lastTicket;
    // Ahead of every thumbnail: the panel is what the user is looking at.
    if (!queueRequest(request, 2))
        return 0;
    return m_lastTicket;
}

void *CFileModel::runRequest(void *param)
{
    thumbnail_request_t *request = (thumbnail_request_t *)param;
    request->taken.store(1, std::memory_order_release);
    if (!request->live.load(std::memory_order_acquire))
        return nullptr;
    // The decode and the resize steps share blocks; none outlives the request.
    sn_image_cache_enable();
    if (request->kind == REQUEST_THUMBNAIL) {
        thumbnail_maker_t maker = g_thumbnail_maker.load(std::memory_order_acquire);
        request->picture = (maker ? maker : makeThumbnail)(request->path);
    } else {
        request->picture =
            makePreview(request->path, &request->width, &request->height, &request->format);
    }
    request->failed = request->picture ? 0 : 1;
    sn_image_cache_release();
    return request->picture ? request : nullptr;
}

void CFileModel::requestResult(void *)
{
    // The record goes back whole in releaseRequest, which runs right after.
}

void CFileModel::releaseRequest(void *param, void *)
{
    thumbnail_request_t *request = (thumbnail_request_t *)param;
    // The record holds the relay: it must outlive the record's own end here.
    WorkerRelay<CFileModel>::Ptr relay = request->relay;
    const bool delivered = relay->deliver([request](CFileModel *model) {
        request->done.store(1, std::memory_order_release);
        emit model->requestFinished((quintptr)request);
    });
    if (!delivered)
        destroy_request(request);
}

void CFileModel::onRequestFinished(quintptr value)
{
    thumbnail_request_t *request = (thumbnail_request_t *)value;
    // Records freed by stopThumbnails may still have their delivery queued.
    auto found = m_requests.find(request);
    if (found == m_requests.end())
        return;
    m_requests.erase(found);

    if (request->kind == REQUEST_INFO) {
        if (request->live.load(std::memory_order_acquire))
            emit fileInfoReady(request->ticket, toQImage(request->picture), request->width,
                               request->height, request->format);
        destroy_request(request);
        return;
    }

    auto pending = m_pending.find(request->entry);
    if (pending != m_pending.end() && pending.value() == request)
        m_pending.erase(pending);
    fileman_item_t *item = fileman_get(m_list, request->row);
    if (item && item == request->entry && !item->thumbnail &&
        strcmp(item->path, request->path) == 0) {
        // A file that did not decode keeps a copy of the "cannot read"
        // picture as its thumbnail: it is not tried again, and it goes with
        // the entry as every thumbnail does.
        if (request->picture) {
            item->thumbnail = request->picture;
            request->picture = nullptr;
        } else if (request->failed && m_unreadable) {
            item->thumbnail = sn_image_clone(m_unreadable);
        }
        if (item->thumbnail) {
            QModelIndex changed = index(request->row, 0);
            emit dataChanged(changed, changed);
        }
    }
    destroy_request(request);
}

void CFileModel::setThumbnailMaker(thumbnail_maker_t maker)
{
    g_thumbnail_maker.store(maker, std::memory_order_release);
}

sn_image_t *CFileModel::makeThumbnail(const char *path)
{
    if (!path)
        return nullptr;
    sn_image_t *image =
        load_covering(path, ThumbnailWidth, ThumbnailHeight, nullptr, nullptr, nullptr);
    if (!image)
        return nullptr;
    if (run_resize(image, ThumbnailWidth, ThumbnailHeight, "cropping", nullptr) != 0) {
        sn_image_destroy(image);
        return nullptr;
    }
    return image;
}

sn_image_t *CFileModel::makePreview(const char *path, int *width, int *height, int *format)
{
    if (!path)
        return nullptr;
    sn_image_t *image = load_covering(path, PreviewWidth, PreviewHeight, width, height, format);
    if (!image)
        return nullptr;
    if (run_resize(image, PreviewWidth, PreviewHeight, "padding", "0xFFFFFF00") != 0) {
        sn_image_destroy(image);
        return nullptr;
    }
    return image;
}

QImage CFileModel::toQImage(const sn_image_t *image)
{
    return snImageToQImage(image, SnImageUse::Exact);
}
