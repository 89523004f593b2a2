// The four colour kinds that take no settings, and the settings widget that
// says so.
#ifndef NOSETTINGS_H
#define NOSETTINGS_H

#include "operation.h"

#include <QWidget>

namespace Ui
{
class OptDummy;
}

class COperationWidget_dummy : public QWidget
{
    Q_OBJECT

public:
    explicit COperationWidget_dummy(QWidget *parent = nullptr);
    ~COperationWidget_dummy() override;

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::OptDummy *m_ui;
};

// A kind whose filter is made by its own name and takes no settings.
class CPlainOperation : public CAbstractOperation
{
public:
    imagefilter_t *getFilter(const QString &sourcePath, int index = 0) override;
    imagefilter_t *createFilter(const QString &sourcePath, int index = 0) override;
    imagefilter_t *keptFilter() override;

protected:
    explicit CPlainOperation(const char *kindName) : CAbstractOperation(kindName), m_kind(kindName)
    {
    }

private:
    const char *m_kind;
};

class COperation_auto_contrast : public CPlainOperation
{
public:
    COperation_auto_contrast() : CPlainOperation("auto_contrast") {}
};

class COperation_equalize : public CPlainOperation
{
public:
    COperation_equalize() : CPlainOperation("equalize") {}
};

class COperation_gray : public CPlainOperation
{
public:
    COperation_gray() : CPlainOperation("gray") {}
};

class COperation_negative : public CPlainOperation
{
public:
    COperation_negative() : CPlainOperation("negative") {}
};

#endif
