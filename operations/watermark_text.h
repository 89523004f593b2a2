// The text watermark: one line of text with per-file keywords, drawn in a
// chosen font and colour, optionally turned, tiled over every photo with
// spaces between the copies and a transparency.
#ifndef WATERMARK_TEXT_H
#define WATERMARK_TEXT_H

#include "textoperation.h"

namespace Ui
{
class OptWatermarkText;
}

class COperation_watermark_text : public CTextOperation
{
public:
    COperation_watermark_text();

protected:
    QWidget *createWidget(QWidget *parent) override;
};

class COperationWidget_watermark_text : public CTextOperationWidget
{
    Q_OBJECT

public:
    COperationWidget_watermark_text(COperation_watermark_text *operation,
                                    QWidget *parent = nullptr);
    ~COperationWidget_watermark_text() override;

    void updateParams() override;
    bool loadParams(const OperationParamList &params) override;
    void listParams(OperationParamList &params) const override;

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::OptWatermarkText *m_ui;
    COperation_watermark_text *m_operation;
};

#endif
