// Tests of the operation chooser: its title and size, the categories from
// the registry, the "title\ndescription" items with their registry index,
// and what Add and Cancel leave in the caller's string.
#include "foperationselect.h"
#include "operation.h"
#include "styletitle.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class FOperationSelectTest : public QObject
{
    Q_OBJECT

private slots:
    void titleSizeAndCategories();
    void categoryListsItsKindsInRegistryOrder_data();
    void categoryListsItsKindsInRegistryOrder();
    void addWritesTheChosenKind();
    void addWithNothingChosenDoesNothing();
    void cancelAndCloseLeaveTheString();
};

static QListWidget *list(FOperationSelect &dialog, const char *name)
{
    return dialog.findChild<QListWidget *>(QLatin1String(name));
}

static QPushButton *button(FOperationSelect &dialog, const char *name)
{
    return dialog.findChild<QPushButton *>(QLatin1String(name));
}

void FOperationSelectTest::titleSizeAndCategories()
{
    QString result;
    FOperationSelect dialog(&result);
    QCOMPARE(dialog.titleBar()->title(), QStringLiteral("Add Operations - Zandrevik"));
    QCOMPARE(dialog.size(), QSize(520, 460));
    QListWidget *categories = list(dialog, "lwCategory");
    QVERIFY(categories);
    QStringList texts;
    for (int row = 0; row < categories->count(); row++)
        texts << categories->item(row)->text();
    QCOMPARE(texts, (QStringList{"All", "Image", "Color", "Stamp", "Watermark"}));
    QCOMPARE(categories->item(0)->flags(), Qt::ItemFlags(Qt::ItemIsEnabled));
    for (int row = 1; row < categories->count(); row++)
        QCOMPARE(categories->item(row)->flags(), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    QCOMPARE(categories->currentRow(), 0);
    QVERIFY(categories->selectedItems().isEmpty()); // "All" is never drawn selected
    QCOMPARE(categories->width(), 120);
    QCOMPARE(categories->iconSize(), QSize(60, 60));
    QCOMPARE(list(dialog, "lwOperation")->iconSize(), QSize(60, 60));
    QCOMPARE(list(dialog, "lwOperation")->spacing(), 6);
    QVERIFY(list(dialog, "lwOperation")->wordWrap());
    QCOMPARE(button(dialog, "btnAdd")->text(), QStringLiteral("Add"));
    QCOMPARE(button(dialog, "btnCancel")->text(), QStringLiteral("Cancel"));
}

void FOperationSelectTest::categoryListsItsKindsInRegistryOrder_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QList<int>>("indexes");
    QTest::newRow("All") << 0 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
    QTest::newRow("Image") << 1 << QList<int>{0, 1, 2, 3, 4};
    QTest::newRow("Color") << 2 << QList<int>{5, 6, 7, 8, 9, 10};
    QTest::newRow("Stamp") << 3 << QList<int>{11, 12};
    QTest::newRow("Watermark") << 4 << QList<int>{13, 14};
}

void FOperationSelectTest::categoryListsItsKindsInRegistryOrder()
{
    QFETCH(int, row);
    QFETCH(QList<int>, indexes);
    QString result;
    FOperationSelect dialog(&result);
    QListWidget *categories = list(dialog, "lwCategory");
    QListWidget *operations = list(dialog, "lwOperation");
    categories->setCurrentRow(3);
    categories->setCurrentRow(row);
    QCOMPARE(operations->count(), indexes.count());
    for (int i = 0; i < indexes.count(); i++) {
        const operation_info_t &entry = operation_registry[indexes[i]];
        QListWidgetItem *item = operations->item(i);
        QCOMPARE(item->data(Qt::UserRole).toInt(), indexes[i]);
        QCOMPARE(item->text(), entry.title() + QLatin1Char('\n') + entry.description());
        QCOMPARE(item->flags(), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    }
    if (row == 0) {
        QCOMPARE(operations->item(0)->text(),
                 QStringLiteral("Crop\nCuts a rectangular subregion from the photo"));
        QCOMPARE(operations->item(14)->text(),
                 QStringLiteral("Watermark Image\nAdd a watermark image to photos"));
    }
}

void FOperationSelectTest::addWritesTheChosenKind()
{
    QString result = QStringLiteral("before");
    FOperationSelect dialog(&result);
    dialog.show();
    list(dialog, "lwCategory")->setCurrentRow(2);
    list(dialog, "lwOperation")->setCurrentRow(3); // Gray
    QTest::mouseClick(button(dialog, "btnAdd"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(result, QStringLiteral("gray"));
}

void FOperationSelectTest::addWithNothingChosenDoesNothing()
{
    QString result = QStringLiteral("before");
    FOperationSelect dialog(&result);
    dialog.show();
    QSignalSpy finished(&dialog, &QDialog::finished);
    list(dialog, "lwOperation")->setCurrentRow(4);
    list(dialog, "lwCategory")->setCurrentRow(1); // the list is rebuilt with no current item
    QVERIFY(!list(dialog, "lwOperation")->currentItem());
    QTest::mouseClick(button(dialog, "btnAdd"), Qt::LeftButton);
    QCOMPARE(finished.count(), 0);
    QVERIFY(dialog.isVisible());
    QCOMPARE(result, QStringLiteral("before"));
}

void FOperationSelectTest::cancelAndCloseLeaveTheString()
{
    for (int useClose = 0; useClose < 2; useClose++) {
        QString result = QStringLiteral("before");
        FOperationSelect dialog(&result);
        dialog.show();
        list(dialog, "lwOperation")->setCurrentRow(0);
        if (useClose)
            dialog.close();
        else
            QTest::mouseClick(button(dialog, "btnCancel"), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(result, QStringLiteral("before"));
    }
}

QTEST_MAIN(FOperationSelectTest)
#include "foperationselect_test.moc"
