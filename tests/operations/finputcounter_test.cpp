// The counter keyword dialog: control settings to the exact keyword, the
// limits of its numbers, and Cancel leaving the caller's text alone.
#include "finputcounter.h"
#include "styletitle.h"

#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

class FInputCounterTest : public QObject
{
    Q_OBJECT

private slots:
    void title();
    void keywords_data();
    void keywords();
    void typedNumberCounts();
    void limits();
    void cancelKeepsText();
    void execAccepted();

private:
    static QSpinBox *spin(FInputCounter &dialog, const char *name)
    {
        return dialog.findChild<QSpinBox *>(QString::fromLatin1(name));
    }
    static QPushButton *button(FInputCounter &dialog, const char *name)
    {
        return dialog.findChild<QPushButton *>(QString::fromLatin1(name));
    }
};

void FInputCounterTest::keywords_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("keyword");
    QTest::newRow("unchanged") << -1 << -1 << -1 << "<Counter 1:1:1>";
    QTest::newRow("5 2 3") << 5 << 2 << 3 << "<Counter 5:2:3>";
    QTest::newRow("zeros") << 0 << 0 << 1 << "<Counter 0:0:1>";
    QTest::newRow("largest") << 999999999 << 999999999 << 32 << "<Counter 999999999:999999999:32>";
}

void FInputCounterTest::keywords()
{
    QFETCH(int, start);
    QFETCH(int, step);
    QFETCH(int, digits);
    QFETCH(QString, keyword);
    QString result = QStringLiteral("old");
    FInputCounter dialog(&result, nullptr);
    if (start >= 0)
        spin(dialog, "sbStart")->setValue(start);
    if (step >= 0)
        spin(dialog, "sbStep")->setValue(step);
    if (digits >= 0)
        spin(dialog, "sbDigits")->setValue(digits);
    dialog.show();
    button(dialog, "btnOK")->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(result, keyword);
}

void FInputCounterTest::typedNumberCounts()
{
    QString result;
    FInputCounter dialog(&result, nullptr);
    dialog.show();
    QSpinBox *start = spin(dialog, "sbStart");
    start->selectAll();
    QTest::keyClicks(start, QStringLiteral("42"));
    button(dialog, "btnOK")->click();
    QCOMPARE(result, QStringLiteral("<Counter 42:1:1>"));
}

void FInputCounterTest::limits()
{
    QString result;
    FInputCounter dialog(&result, nullptr);
    struct Case {
        const char *name;
        int low, high;
    } cases[] = {{"sbStart", 0, 999999999}, {"sbStep", 0, 999999999}, {"sbDigits", 1, 32}};
    for (const Case &c : cases) {
        QSpinBox *box = spin(dialog, c.name);
        QVERIFY2(box, c.name);
        box->setValue(c.low - 1);
        QCOMPARE(box->value(), c.low);
        box->setValue(c.high + 1);
        QCOMPARE(box->value(), c.high);
        QCOMPARE(box->singleStep(), 1);
    }
}

void FInputCounterTest::cancelKeepsText()
{
    for (int way = 0; way < 3; way++) {
        QString result = QStringLiteral("kept");
        FInputCounter dialog(&result, nullptr);
        spin(dialog, "sbStart")->setValue(7);
        dialog.show();
        if (way == 0)
            button(dialog, "btnCancel")->click();
        else if (way == 1)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else
            button(dialog, "btnTBClose")->click(); // the title bar's close button
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(result, QStringLiteral("kept"));
    }
}

void FInputCounterTest::execAccepted()
{
    QString result;
    FInputCounter dialog(&result, nullptr);
    QTimer::singleShot(0, &dialog, [&dialog]() { button(dialog, "btnOK")->click(); });
    QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    QCOMPARE(result, QStringLiteral("<Counter 1:1:1>"));
}

// The title the user reads in the dialog's own title bar.
void FInputCounterTest::title()
{
    QString result;
    FInputCounter dialog(&result, nullptr);
    dialog.show();
    StyleTitle *bar = dialog.findChild<StyleTitle *>();
    QVERIFY(bar);
    QCOMPARE(bar->title(), QStringLiteral("Counter - Zandrevik"));
}

QTEST_MAIN(FInputCounterTest)
#include "finputcounter_test.moc"
