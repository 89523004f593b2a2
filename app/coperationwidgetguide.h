// COperationWidget_guide: what the settings area of the Step 2 page shows
// while no operation is selected.
#ifndef COPERATIONWIDGETGUIDE_H
#define COPERATIONWIDGETGUIDE_H

#include <QWidget>

namespace Ui
{
class OptGuide;
}

class COperationWidget_guide : public QWidget
{
    Q_OBJECT

public:
    explicit COperationWidget_guide(QWidget *parent = nullptr);
    ~COperationWidget_guide() override;

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::OptGuide *m_ui;
};

#endif
