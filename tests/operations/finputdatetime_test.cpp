// The date keyword dialog: control settings to the exact keyword, the
// untranslated pattern items, and Cancel leaving the caller's text alone.
#include "finputdatetime.h"
#include "styletitle.h"

#include <QComboBox>
#include <QPushButton>
#include <QtTest>

class FInputDatetimeTest : public QObject
{
    Q_OBJECT

private slots:
    void title();
    void keywords_data();
    void keywords();
    void items();
    void cancelKeepsText();

private:
    static QComboBox *combo(FInputDatetime &dialog, const char *name)
    {
        return dialog.findChild<QComboBox *>(QString::fromLatin1(name));
    }
};

void FInputDatetimeTest::keywords_data()
{
    QTest::addColumn<int>("use");
    QTest::addColumn<QString>("date");
    QTest::addColumn<int>("timeFormat");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("keyword");
    QTest::newRow("unchanged") << 0 << "MMM-DD-YYYY" << 0 << "HH-MM"
                               << "<Datetime Photo MMM-DD-YYYY HH-MM24>";
    QTest::newRow("current 24h seconds") << 1 << "YYYY-MM-DD" << 0 << "HH-MM-SS"
                                         << "<Datetime YYYY-MM-DD HH-MM-SS24>";
    QTest::newRow("photo am/pm") << 0 << "DD-MM-YY" << 1 << "HH-MM"
                                 << "<Datetime Photo DD-MM-YY HH-MM>";
    QTest::newRow("no time") << 1 << "YY-MMM-DD" << 2 << "HH-MM-SS"
                             << "<Datetime YY-MMM-DD>";
    QTest::newRow("photo no time") << 0 << "DD-MMM-YYYY" << 2 << "HH-MM"
                                   << "<Datetime Photo DD-MMM-YYYY>";
}

void FInputDatetimeTest::keywords()
{
    QFETCH(int, use);
    QFETCH(QString, date);
    QFETCH(int, timeFormat);
    QFETCH(QString, time);
    QFETCH(QString, keyword);
    QString result;
    FInputDatetime dialog(&result, nullptr);
    combo(dialog, "cmbUse")->setCurrentIndex(use);
    QComboBox *dates = combo(dialog, "cmbDate");
    dates->setCurrentIndex(dates->findText(date));
    QCOMPARE(dates->currentText(), date);
    combo(dialog, "cmbTimeFormat")->setCurrentIndex(timeFormat);
    QComboBox *times = combo(dialog, "cmbTime");
    times->setCurrentIndex(times->findText(time));
    dialog.show();
    dialog.findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(result, keyword);
}

void FInputDatetimeTest::items()
{
    QString result;
    FInputDatetime dialog(&result, nullptr);
    const QStringList dates = {"MMM-DD-YYYY", "MMM-DD-YY", "DD-MMM-YYYY", "DD-MMM-YY",
                               "YYYY-MMM-DD", "YY-MMM-DD", "MM-DD-YYYY",  "MM-DD-YY",
                               "DD-MM-YYYY",  "DD-MM-YY",  "YYYY-MM-DD",  "YY-MM-DD"};
    QComboBox *box = combo(dialog, "cmbDate");
    QCOMPARE(box->count(), dates.size());
    for (int i = 0; i < dates.size(); i++)
        QCOMPARE(box->itemText(i), dates[i]);
    for (const char *name : {"cmbUse", "cmbDate", "cmbTimeFormat", "cmbTime"})
        QCOMPARE(combo(dialog, name)->currentIndex(), 0);
    QCOMPARE(combo(dialog, "cmbTime")->itemText(1), QStringLiteral("HH-MM-SS"));
    QCOMPARE(combo(dialog, "cmbTimeFormat")->count(), 3);
}

void FInputDatetimeTest::cancelKeepsText()
{
    for (int way = 0; way < 3; way++) {
        QString result = QStringLiteral("kept");
        FInputDatetime dialog(&result, nullptr);
        dialog.show();
        if (way == 0)
            dialog.findChild<QPushButton *>(QStringLiteral("btnCancel"))->click();
        else if (way == 1)
            QTest::keyClick(&dialog, Qt::Key_Escape);
        else // the title bar's close button
            dialog.findChild<QPushButton *>(QStringLiteral("btnTBClose"))->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(result, QStringLiteral("kept"));
    }
}

// The title the user reads in the dialog's own title bar.
void FInputDatetimeTest::title()
{
    QString result;
    FInputDatetime dialog(&result, nullptr);
    dialog.show();
    StyleTitle *bar = dialog.findChild<StyleTitle *>();
    QVERIFY(bar);
    QCOMPARE(bar->title(), QStringLiteral("Datetime - Zandrevik"));
}

QTEST_MAIN(FInputDatetimeTest)
#include "finputdatetime_test.moc"
