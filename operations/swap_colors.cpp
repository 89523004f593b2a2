// The swap-colours operation and its settings widget: r, g and b each name
// the source channel "r", "g" or "b". The letter comes from the chosen
// index, never from the item's text, which a translation may change.
#include "swap_colors.h"

#include "ui_optswapcolors.h"

#include <QComboBox>

static const char *const k_channels[] = {"r", "g", "b"};

COperation_swap_colors::COperation_swap_colors()
    : CParamOperation("swap_colors", "swap_colors", {"r", "g", "b"})
{
}

QWidget *COperation_swap_colors::createWidget(QWidget *parent)
{
    return new COperationWidget_swap_colors(this, parent);
}

COperationWidget_swap_colors::COperationWidget_swap_colors(COperation_swap_colors *operation,
                                                           QWidget *parent)
    : COperationWidget(parent), m_ui(new Ui::OptSwapColors), m_operation(operation)
{
    m_ui->setupUi(this);
    for (QComboBox *box : {m_ui->cmbRedTo, m_ui->cmbGreenTo, m_ui->cmbBlueTo})
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &COperationWidget_swap_colors::on_combobBoxCurrentIndexChanged);
    updateParams();
}

COperationWidget_swap_colors::~COperationWidget_swap_colors()
{
    delete m_ui;
}

void COperationWidget_swap_colors::updateParams()
{
    std::vector<std::string> values;
    for (QComboBox *box : {m_ui->cmbRedTo, m_ui->cmbGreenTo, m_ui->cmbBlueTo}) {
        const int index = box->currentIndex();
        values.emplace_back(index >= 0 && index < 3 ? k_channels[index] : "r");
    }
    m_operation->publishValues(values);
    m_operation->notifyChanged();
}

bool COperationWidget_swap_colors::loadParams(const OperationParamList &params)
{
    for (const auto &pair : params) {
        const int index = pair.second == QLatin1String("b")   ? 2
                          : pair.second == QLatin1String("g") ? 1
                                                              : 0;
        if (pair.first == QLatin1String("r"))
            m_ui->cmbRedTo->setCurrentIndex(index);
        else if (pair.first == QLatin1String("g"))
            m_ui->cmbGreenTo->setCurrentIndex(index);
        else if (pair.first == QLatin1String("b"))
            m_ui->cmbBlueTo->setCurrentIndex(index);
    }
    updateParams();
    return true;
}

void COperationWidget_swap_colors::on_combobBoxCurrentIndexChanged(int)
{
    updateParams();
}

CAbstractOperation *operation_create_swap_colors()
{
    return new COperation_swap_colors;
}
