// FMainWorkflow: the Step 2 page, the pipeline of operations and the stage
// preview of the current file.
#ifndef FMAINWORKFLOW_H
#define FMAINWORKFLOW_H

#include "operation.h"

#include <QList>
#include <QString>
#include <QWidget>

struct imagefilter;
typedef struct imagefilter imagefilter_t;

class FMainWorkflow : public QWidget
{
    Q_OBJECT

public:
    explicit FMainWorkflow(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~FMainWorkflow() override;

    // Creates an operation of the kind and inserts it at index; params (or
    // null) are a profile's pairs for it.
    void insertOperation(const char *name, int index, const OperationParamList *params);
    // The pipeline part of a profile.
    bool saveProfile(const QString &path);
    bool loadProfile(const QString &path);
    // The kept filters of the pipeline for one file (batch worker; the
    // Step 4 page counts them with an empty path).
    void buildFilters(const QString &sourcePath, QList<imagefilter_t *> &filters);
    // New filters, one per operation (preview worker).
    void buildPreviewFilters(const QString &sourcePath, QList<imagefilter_t *> &filters);
    // The preview re-checks the current file.
    void updatePreviewFile();
    // Stops the preview worker; once, at shutdown.
    void stopPreview();

public slots:
    // While the batch is not idle the pipeline's structure stays as it is.
    void setBusy(bool busy);
};

#endif
