// FOperationSelect: the modal chooser of an operation kind to add, by
// category, with each kind's icon, title and description.
#ifndef FOPERATIONSELECT_H
#define FOPERATIONSELECT_H

#include "styledialog.h"

#include <QString>

namespace Ui
{
class UOperationSelect;
}

class FOperationSelect : public StyleDialog
{
    Q_OBJECT

public:
    // On Add the chosen kind name goes to *result; nothing is written else.
    FOperationSelect(QString *result, QWidget *parent = nullptr);
    ~FOperationSelect() override;

private slots:
    void on_btnCancelClicked();
    void on_btnAddClicked();
    void on_lwCategoryCurrentRowChanged(int currentRow);

private:
    Ui::UOperationSelect *m_ui;
    QString *m_result;
};

#endif
