// The text stamp: one line of text with per-file keywords, drawn in a chosen
// font and colour, optionally turned, laid once over every photo at an
// anchored position with a transparency.
#ifndef STAMP_TEXT_H
#define STAMP_TEXT_H

#include "textoperation.h"

class QAction;
class QMenu;

namespace Ui
{
class OptStampText;
}

class COperation_stamp_text : public CTextOperation
{
public:
    COperation_stamp_text();

    bool getParams(OperationParamList &params) override;
    bool setParams(const OperationParamList &params) override;

protected:
    QWidget *createWidget(QWidget *parent) override;
};

class COperationWidget_stamp_text : public COperationWidget
{
    Q_OBJECT

public:
    COperationWidget_stamp_text(COperation_stamp_text *operation, QWidget *parent = nullptr);
    ~COperationWidget_stamp_text() override;

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
    void on_comboBoxCurrentIndexChanged(int index);
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

    Ui::OptStampText *m_ui;
    COperation_stamp_text *m_operation;
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
