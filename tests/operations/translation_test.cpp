// The German translation of the operations: registry titles under the
// context "QObject", the settings forms, and the texts that must stay as
// they are under any language (channel letters, date and time patterns).
#include "finputdatetime.h"
#include "optest.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTranslator>

using namespace optest;

class TranslationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void registryTexts();
    void forms();
    void untranslatedValues();

private:
    QTranslator m_translator;
};

void TranslationTest::initTestCase()
{
    sn_image_init();
    const QString path =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../app/language/de_DE.qm");
    if (!QFile::exists(path))
        QSKIP("the German translation is not built");
    QVERIFY(m_translator.load(path));
    QVERIFY(QCoreApplication::installTranslator(&m_translator));
}

void TranslationTest::registryTexts()
{
    QCOMPARE(operation_registry_find(QStringLiteral("crop"))->title(),
             QStringLiteral("Zuschneiden"));
    QCOMPARE(operation_registry_find(QStringLiteral("gray"))->description(),
             QString::fromUtf8("Wandelt die Farben der Fotos von Echtfarben in Graustufen um"));
    QCOMPARE(operation_registry_find(QStringLiteral("watermark_image"))->title(),
             QStringLiteral("Bild-Wasserzeichen"));
}

void TranslationTest::forms()
{
    Made made;
    make(made, "crop");
    QCOMPARE(child<QLabel>(made.widget, "lbXOffset")->text(), QStringLiteral("X-Versatz:"));
    Made dummy;
    make(dummy, "negative");
    QCOMPARE(child<QLabel>(dummy.widget, "label")->text(),
             QString::fromUtf8("Für diese Operation gibt es keine Einstellungen"));
    QString result;
    FInputDatetime dialog(&result, nullptr);
    QCOMPARE(child<QPushButton>(&dialog, "btnCancel")->text(), QStringLiteral("Abbrechen"));
}

void TranslationTest::untranslatedValues()
{
    QString result;
    FInputDatetime dialog(&result, nullptr);
    QCOMPARE(child<QComboBox>(&dialog, "cmbDate")->itemText(4), QStringLiteral("YYYY-MMM-DD"));
    QCOMPARE(child<QComboBox>(&dialog, "cmbUse")->itemText(1), QStringLiteral("Aktuelles Datum"));
    child<QComboBox>(&dialog, "cmbTime")->setCurrentIndex(1);
    dialog.show();
    child<QPushButton>(&dialog, "btnOK")->click();
    QCOMPARE(result, QStringLiteral("<Datetime Photo MMM-DD-YYYY HH-MM-SS24>"));

    Made swap;
    make(swap, "swap_colors");
    child<QComboBox>(swap.widget, "cmbRedTo")->setCurrentIndex(1);
    QCOMPARE(pairs(swap.op.get()), QStringList({"r=g", "g=g", "b=b"}));
}

QTEST_MAIN(TranslationTest)
#include "translation_test.moc"
