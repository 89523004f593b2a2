// The crop operation and its settings widget: crop_by and the four lengths
// of the chosen mode; the lengths the mode does not use keep their texts.
#include "crop.h"

#include "ui_optcrop.h"

#include <QComboBox>
#include <QRadioButton>
#include <QSpinBox>

// Positions of the keys in the value list.
enum { CropBy, Left, Top, Right, Bottom, Width, Height, XOffset, YOffset };
// The pairs in the order of the form's rows.
enum { LeftTop, RightBottom, WidthHeight, Offset };

COperation_crop::COperation_crop()
    : CParamOperation(
          "crop", "crop",
          {"crop_by", "left", "top", "right", "bottom", "width", "height", "x_offset", "y_offset"})
{
}

QWidget *COperation_crop::createWidget(QWidget *parent)
{
    return new COperationWidget_crop(this, parent);
}

COperationWidget_crop::COperationWidget_crop(COperation_crop *operation, QWidget *parent)
    : COperationWidget(parent), m_ui(new Ui::OptCrop), m_operation(operation)
{
    m_ui->setupUi(this);
    m_pairs[LeftTop] = {m_ui->cmbLeftTop, m_ui->sbLeft, m_ui->sbTop, Left, Top};
    m_pairs[RightBottom] = {m_ui->cmbRightBottom, m_ui->sbRight, m_ui->sbBottom, Right, Bottom};
    m_pairs[WidthHeight] = {m_ui->cmbWidthHeight, m_ui->sbWidth, m_ui->sbHeight, Width, Height};
    m_pairs[Offset] = {m_ui->cmbOffset, m_ui->sbXOffset, m_ui->sbYOffset, XOffset, YOffset};

    for (QRadioButton *radio :
         {m_ui->rbLeftTopRightBottom, m_ui->rbLeftTopWidthHeight, m_ui->rbWidthHeightOffset})
        connect(radio, &QRadioButton::toggled, this, &COperationWidget_crop::on_ratioButtonToggled);
    for (QSpinBox *box : {m_ui->sbLeft, m_ui->sbTop, m_ui->sbWidth, m_ui->sbHeight, m_ui->sbRight,
                          m_ui->sbBottom, m_ui->sbXOffset, m_ui->sbYOffset})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this,
                &COperationWidget_crop::on_spinBoxValueChanged);
    for (const Pair &pair : m_pairs)
        connect(pair.unit, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &COperationWidget_crop::on_comboBoxCurrentIndexChanged);
    m_deadline = -1;
    updateParams();
    startTick();
}

COperationWidget_crop::~COperationWidget_crop()
{
    delete m_ui;
}

void COperationWidget_crop::updateParams()
{
    // The number is never converted between units, only limited by the
    // range of the new one.
    for (const Pair &pair : m_pairs) {
        const bool percent = pair.unit->currentIndex() == 1;
        for (QSpinBox *box : {pair.first, pair.second}) {
            box->setSuffix(percent ? QStringLiteral("%") : QStringLiteral(" px"));
            box->setRange(0, percent ? 100 : 65536);
        }
    }

    int mode = 0;
    const char *cropBy = "left_top_right_bottom";
    if (m_ui->rbLeftTopRightBottom->isChecked()) {
        mode = 0;
    } else if (m_ui->rbLeftTopWidthHeight->isChecked()) {
        mode = 1;
        cropBy = "left_top_width_height";
    } else if (m_ui->rbWidthHeightOffset->isChecked()) {
        mode = 2;
        cropBy = "width_height_offset";
    }
    static const int used[3][2] = {
        {LeftTop, RightBottom}, {LeftTop, WidthHeight}, {WidthHeight, Offset}};
    for (int i = 0; i < 4; i++) {
        const bool enabled = used[mode][0] == i || used[mode][1] == i;
        m_pairs[i].unit->setEnabled(enabled);
        m_pairs[i].first->setEnabled(enabled);
        m_pairs[i].second->setEnabled(enabled);
    }

    std::vector<std::string> values = m_operation->params()->values;
    values[CropBy] = cropBy;
    for (int index : used[mode]) {
        const Pair &pair = m_pairs[index];
        const bool percent = pair.unit->currentIndex() == 1;
        values[pair.firstKey] = operation_length_text(pair.first->value(), percent).toStdString();
        values[pair.secondKey] = operation_length_text(pair.second->value(), percent).toStdString();
    }
    m_operation->publishValues(values);
    m_operation->notifyChanged();
}

bool COperationWidget_crop::loadParams(const OperationParamList &params)
{
    for (const auto &pair : params) {
        const QString &key = pair.first;
        const QString &text = pair.second;
        if (key == QLatin1String("crop_by")) {
            if (text == QLatin1String("left_top_right_bottom"))
                m_ui->rbLeftTopRightBottom->setChecked(true);
            else if (text == QLatin1String("left_top_width_height"))
                m_ui->rbLeftTopWidthHeight->setChecked(true);
            else if (text == QLatin1String("width_height_offset"))
                m_ui->rbWidthHeightOffset->setChecked(true);
            continue;
        }
        for (const Pair &row : m_pairs) {
            QSpinBox *box = nullptr;
            if (key == QString::fromStdString(m_operation->keys()[row.firstKey]))
                box = row.first;
            else if (key == QString::fromStdString(m_operation->keys()[row.secondKey]))
                box = row.second;
            if (!box)
                continue;
            // The unit first, so that the number is limited by its own unit only.
            row.unit->setCurrentIndex(text.contains(QLatin1Char('%')) ? 1 : 0);
            box->setValue(operation_text_int(text));
            break;
        }
    }
    updateParams();
    return true;
}

void COperationWidget_crop::on_ratioButtonToggled(bool)
{
    updateParams();
}

void COperationWidget_crop::on_spinBoxValueChanged(int)
{
    deferApply();
}

void COperationWidget_crop::on_comboBoxCurrentIndexChanged(int)
{
    updateParams();
}

CAbstractOperation *operation_create_crop()
{
    return new COperation_crop;
}
