// The text stamp: one line of text with per-file keywords, drawn in a chosen
// font and colour, optionally turned, laid once over every photo at an
// anchored position with a transparency.
#ifndef STAMP_TEXT_H
#define STAMP_TEXT_H

#include "textoperation.h"

namespace Ui
{
class OptStampText;
}

class COperation_stamp_text : public CTextOperation
{
public:
    COperation_stamp_text();

protected:
    QWidget *createWidget(QWidget *parent) override;
};

class COperationWidget_stamp_text : public CTextOperationWidget
{
    Q_OBJECT

public:
    COperationWidget_stamp_text(COperation_stamp_text *operation, QWidget *parent = nullptr);
    ~COperationWidget_stamp_text() override;

    void updateParams() override;
    bool loadParams(const OperationParamList &params) override;
    void listParams(OperationParamList &params) const override;

private slots:
    void on_comboBoxCurrentIndexChanged(int index);

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::OptStampText *m_ui;
    COperation_stamp_text *m_operation;
};

#endif
