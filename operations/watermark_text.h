// The text watermark: one line of text with per-file keywords, drawn in a
// chosen font and colour, optionally turned, tiled over every photo with
// spaces between the copies and a transparency.
#ifndef WATERMARK_TEXT_H
#define WATERMARK_TEXT_H

#include "textoperation.h"

class QAction;
class QMenu;

namespace Ui
{
class OptWatermarkText;
}

class COperation_watermark_text : public CTextOperation
{
public:
    COperation_watermark_text();

    bool getParams(OperationParamList &params) override;
    bool setParams(const OperationParamList &params) override;

protected:
    QWidget *createWidget(QWidget *parent) override;
};

class COperationWidget_watermark_text : public COperationWidget
{
    Q_OBJECT

public:
    COperationWidget_watermark_text(COperation_watermark_text *operation,
                                    QWidget *parent = nullptr);
    ~COperationWidget_watermark_text() override;

    void updateParams() override;
    void applyParams(const OperationParamList &params);
    void listParams(OperationParamList &params) const;

private slots:
    void on_btnTextClicked();
    void on_btnFontClicked();
    void on_btnColorClicked();
    void on_lineEditTextChanged(const QString &text);
    void on_spinBoxValueChanged(int i);
    void on_dspinBoxValueChanged(double d);
    void onFilename();
    void onFilefolder();
    void onFileext();
    void onFilepath();
    void onCounter();
    void onDatetime();
    void onCopyrightSign();

protected:
    void changeEvent(QEvent *event) override;

private:
    void insertKeyword(const QString &keyword);
    void styleSwatch();
    void retranslateMenu();

    Ui::OptWatermarkText *m_ui;
    COperation_watermark_text *m_operation;
    QMenu *m_keywordMenu;
    QAction *m_actFilename;
    QAction *m_actFilefolder;
    QAction *m_actFileext;
    QAction *m_actFilepath;
    QAction *m_actCounter;
    QAction *m_actDatetime;
    QAction *m_actCopyright;
};

#endif
