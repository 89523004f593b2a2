// The shared machinery: the value-text readers and writers (a comma locale
// included), the monotonic default clock, and the operation contract that
// every kind with settings keeps: the widget made once, no settings before
// it, the kept and the new filters, and the change callback; and the
// deferred apply of typed numbers through the widgets' own timer and the
// real clock, once for each widget base.
#include "optest.h"

#include <QDoubleSpinBox>
#include <QSpinBox>

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
    void typedNumbersApplyOnTheirOwn();
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
    QVERIFY2(!comma.failed(), comma.skip_reason().c_str());
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

// The published set as "key=value" texts: what a filter is configured with.
static QStringList published(CAbstractOperation *op)
{
    auto *param = dynamic_cast<CParamOperation *>(op);
    QStringList out;
    if (!param)
        return out;
    const OperationParamsPtr set = param->params();
    for (size_t i = 0; i < param->keys().size(); i++)
        out << QString::fromStdString(param->keys()[i] + "=" + set->values[i]);
    return out;
}

void OperationTest::typedNumbersApplyOnTheirOwn()
{
    // No test clock and no tick() here: the widget's timer and the monotonic
    // clock alone must bring a typed number to the filters.
    operation_set_clock(nullptr);
    struct Case {
        const char *kind, *box, *typed, *pair;
    } cases[] = {
        {"rotate", "sbDegrees", "12.5", "angle=12.50"},                 // COperationWidget
        {"stamp_text", "sbTransparency", "35", "transparency=35"},      // CTextOperationWidget
        {"watermark_text", "sbTransparency", "35", "transparency=35"},  // CTextOperationWidget
        {"stamp_image", "sbTransparency", "35", "transparency=35"},     // CImageOperationWidget
        {"watermark_image", "sbTransparency", "35", "transparency=35"}, // CImageOperationWidget
    };
    Made made[sizeof cases / sizeof cases[0]];
    int changesBefore[sizeof cases / sizeof cases[0]];
    // All typed first, then one wait: the widgets' timers run side by side.
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        make(made[i], cases[i].kind);
        made[i].widget->show();
        QVERIFY2(!published(made[i].op.get()).contains(QLatin1String(cases[i].pair)),
                 cases[i].kind);
        auto *box = made[i].widget->findChild<QAbstractSpinBox *>(QLatin1String(cases[i].box));
        QVERIFY2(box, cases[i].box);
        changesBefore[i] = made[i].changes.count;
        type_into(box, QLatin1String(cases[i].typed));
    }
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        QTRY_VERIFY2_WITH_TIMEOUT(
            published(made[i].op.get()).contains(QLatin1String(cases[i].pair)),
            qPrintable(QString::fromLatin1(cases[i].kind) + ": " +
                       published(made[i].op.get()).join(QLatin1Char(' '))),
            5000);
        QVERIFY2(made[i].changes.count > changesBefore[i], cases[i].kind);
        QCOMPARE(static_cast<COperationWidget *>(made[i].widget)->deadline(), int64_t(-1));
    }
}

QTEST_MAIN(OperationTest)
#include "operation_test.moc"
