// The shared machinery: the value-text readers and writers (a comma locale
// included), the monotonic default clock, and the operation contract that
// every kind with settings keeps: the widget made once, no settings before
// it, the kept and the new filters, and the change callback.
#include "optest.h"

#include <time.h>

using namespace optest;

class OperationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        sn_image_init();
    }
    void textInt();
    void reals();
    void colours();
    void defaultClockIsMonotonic();
    void contractOfEveryKind();
};

static const char *const k_kinds[] = {"crop",   "flip",       "resize",     "roll",
                                      "rotate", "coloration", "swap_colors"};

void OperationTest::textInt()
{
    struct Case {
        const char *text;
        int value;
    } cases[] = {{"640px", 640},
                 {"-5%", -5},
                 {" 12", 12},
                 {"", 0},
                 {"px", 0},
                 {"+7", 7},
                 {"1.9", 1},
                 {"99999999999", INT_MAX},
                 {"-99999999999", INT_MIN}};
    for (const Case &c : cases)
        QVERIFY2(operation_text_int(QString::fromLatin1(c.text)) == c.value, c.text);
}

void OperationTest::reals()
{
    zvtest::TempDir dir;
    zvtest::CommaLocale comma(dir);
    QVERIFY(!comma.failed());
    if (!comma.skip_reason().empty())
        qWarning("no comma locale: %s", comma.skip_reason().c_str());
    struct Case {
        const char *text;
        double value;
    } cases[] = {{"45.50", 45.5}, {"-90.00", -90}, {"1e2", 100}, {"abc", 0},
                 {"", 0},         {"nan", 0},      {"inf", 0},   {"7,5", 7}};
    for (const Case &c : cases)
        QVERIFY2(operation_text_real(QString::fromLatin1(c.text)) == c.value, c.text);
    QCOMPARE(operation_real_text(45.5, 2), QStringLiteral("45.50"));
    QCOMPARE(operation_real_text(-12.25, 2), QStringLiteral("-12.25"));
    QCOMPARE(operation_length_text(640, false), QStringLiteral("640px"));
    QCOMPARE(operation_length_text(50, true), QStringLiteral("50%"));
}

void OperationTest::colours()
{
    QCOMPARE(operation_color_text(QColor(1, 2, 3, 4)), QStringLiteral("0x03020104"));
    QCOMPARE(operation_color_text(QColor(Qt::white)), QStringLiteral("0xFFFFFFFF"));
    QCOMPARE(operation_swatch_style(QColor(10, 20, 30, 128)),
             QStringLiteral("background-color: rgba(10, 20, 30, 50%);"));
    struct Case {
        const char *text;
        bool read;
        QColor color;
    } cases[] = {
        {"0x00FF0080", true, QColor(0, 255, 0, 128)},
        {"0x1e140aff", true, QColor(10, 20, 30, 255)},
        {"0x01020304zz", true, QColor(3, 2, 1, 4)},
        {"0xFFFFFF", false, QColor(9, 9, 9)},
        {"", false, QColor(9, 9, 9)},
        {"FFFFFFFF", false, QColor(9, 9, 9)},
        {"0xGGFFFFFF", false, QColor(9, 9, 9)},
        {"0x-1FFFFFF", false, QColor(9, 9, 9)},
    };
    for (const Case &c : cases) {
        QColor color(9, 9, 9);
        QVERIFY2(operation_color_read(QString::fromLatin1(c.text), &color) == c.read, c.text);
        QVERIFY2(color == c.color, c.text);
    }
}

void OperationTest::defaultClockIsMonotonic()
{
    operation_set_clock(nullptr);
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const int64_t before = (int64_t)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
    const int64_t got = operation_clock_ms();
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const int64_t after = (int64_t)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
    QVERIFY(got >= before && got <= after);
    use_fake_clock(5000);
    QCOMPARE(operation_clock_ms(), int64_t(5000));
    operation_set_clock(nullptr);
}

void OperationTest::contractOfEveryKind()
{
    for (const char *kind : k_kinds) {
        const operation_info_t *info = operation_registry_find(QString::fromLatin1(kind));
        QVERIFY2(info, kind);
        std::unique_ptr<CAbstractOperation> op(info->create());
        QVERIFY2(op, kind);
        QCOMPARE(op->info(), info);
        Changes changes;
        op->setChangeCallback(Changes::callback, &changes);

        // No settings before the widget; every value empty.
        QVERIFY2(!op->setParams(parse_pairs({"x=1"})), kind);
        for (const QString &pair : pairs(op.get()))
            QVERIFY2(pair.endsWith(QLatin1Char('=')), kind);

        QWidget parent, other;
        QWidget *widget = op->getWidget(&parent);
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget(), &parent);
        QCOMPARE(op->getWidget(&other), widget);
        QCOMPARE(widget->parentWidget(), &parent);

        // getParams empties the list it is given.
        OperationParamList list = parse_pairs({"stale=1", "other=2"});
        QVERIFY(op->getParams(list));
        QVERIFY(!list.isEmpty());
        QVERIFY(list.first().first != QLatin1String("stale"));

        // The rotate kind calls back only when something changed.
        const int before = changes.count;
        QVERIFY(op->setParams(parse_pairs({"angle=33"})));
        QVERIFY2(changes.count > before, kind);

        imagefilter_t *kept = op->getFilter(QString());
        QVERIFY2(kept, kind);
        QCOMPARE(op->getFilter(QString()), kept);
        imagefilter_t *a = op->createFilter(QString());
        imagefilter_t *b = op->createFilter(QString());
        QVERIFY(a && b && a != b && a != kept);
        QCOMPARE(QString::fromLatin1(imagefilter_get_name(a)), QString::fromLatin1(kind));
        imagefilter_destroy(a);
        imagefilter_destroy(b);
        widget->setParent(nullptr); // the operation owns and deletes it
    }
}

QTEST_MAIN(OperationTest)
#include "operation_test.moc"
