// FMainWorkflow: the Step 2 page (still to come).
#include "fmainworkflow.h"

FMainWorkflow::FMainWorkflow(QWidget *parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

FMainWorkflow::~FMainWorkflow() {}

void FMainWorkflow::insertOperation(const char *, int, const OperationParamList *) {}

bool FMainWorkflow::saveProfile(const QString &)
{
    return false;
}

bool FMainWorkflow::loadProfile(const QString &)
{
    return false;
}

void FMainWorkflow::buildFilters(const QString &, QList<imagefilter_t *> &filters)
{
    filters.clear();
}

void FMainWorkflow::buildPreviewFilters(const QString &, QList<imagefilter_t *> &filters)
{
    filters.clear();
}

void FMainWorkflow::updatePreviewFile() {}

void FMainWorkflow::stopPreview() {}

void FMainWorkflow::setBusy(bool) {}
