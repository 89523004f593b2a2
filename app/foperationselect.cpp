// FOperationSelect: the category list built from the registry, the kinds of
// the chosen category, and the answer.
#include "foperationselect.h"

#include "operation.h"
#include "styletitle.h"
#include "ui_foperationselect.h"

#include <QListWidgetItem>

FOperationSelect::FOperationSelect(QString *result, QWidget *parent)
    : StyleDialog(StyleTitle::CloseButton, true, parent), m_ui(new Ui::UOperationSelect),
      m_result(result)
{
    m_ui->setupUi(contentWidget());
    titleBar()->setTitle(tr("Add Operations - Zandrevik"));
    resize(520, 460);

    connect(m_ui->btnAdd, &QPushButton::clicked, this, &FOperationSelect::on_btnAddClicked);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &FOperationSelect::on_btnCancelClicked);
    connect(m_ui->lwCategory, &QListWidget::currentRowChanged, this,
            &FOperationSelect::on_lwCategoryCurrentRowChanged);

    // "All" can be made current but is never drawn as selected.
    QListWidgetItem *all = new QListWidgetItem(tr("All"), m_ui->lwCategory);
    all->setFlags(Qt::ItemIsEnabled);
    for (const operation_info_t *entry = operation_registry; entry->name; entry++) {
        bool known = false;
        for (int row = 0; row < m_ui->lwCategory->count() && !known; row++)
            known = m_ui->lwCategory->item(row)->text() == entry->category;
        if (known)
            continue;
        QListWidgetItem *item = new QListWidgetItem(entry->category, m_ui->lwCategory);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    }
    m_ui->lwCategory->setIconSize(QSize(60, 60));
    m_ui->lwOperation->setIconSize(QSize(60, 60));
    m_ui->lwCategory->setCurrentRow(0);
}

FOperationSelect::~FOperationSelect()
{
    delete m_ui;
}

void FOperationSelect::on_btnCancelClicked()
{
    reject();
}

void FOperationSelect::on_btnAddClicked()
{
    // With no kind chosen there is nothing to add; the dialog stays open.
    QListWidgetItem *item = m_ui->lwOperation->currentItem();
    if (!item)
        return;
    const int index = item->data(Qt::UserRole).toInt();
    const operation_info_t *entry = operation_registry;
    for (int i = 0; entry->name && i < index; i++)
        entry++;
    if (!entry->name)
        return;
    if (m_result)
        *m_result = QString::fromUtf8(entry->name);
    accept();
}

void FOperationSelect::on_lwCategoryCurrentRowChanged(int currentRow)
{
    m_ui->lwOperation->clear();
    QListWidgetItem *category = m_ui->lwCategory->item(currentRow);
    int index = 0;
    for (const operation_info_t *entry = operation_registry; entry->name; entry++, index++) {
        if (currentRow != 0 && (!category || entry->category != category->text()))
            continue;
        QListWidgetItem *item = new QListWidgetItem(
            entry->icon(), QStringLiteral("%1\n%2").arg(entry->title(), entry->description()),
            m_ui->lwOperation);
        item->setData(Qt::UserRole, index);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    }
}
