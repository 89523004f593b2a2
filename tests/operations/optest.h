// Helpers shared by the operation tests: a clock the test sets, a counter of
// change callbacks, the published values by key, and one filter run on a
// small image.
#ifndef OPTEST_H
#define OPTEST_H

#include "filter/imagefilter.h"
#include "image/sn_image.h"
#include "operation.h"
#include "zv_test.h"

#include <QAbstractSpinBox>
#include <QMap>
#include <QtTest>

#include <memory>

namespace optest
{

// The deferred apply's clock, set by the test.
inline int64_t &now()
{
    static int64_t s_now = 1000000;
    return s_now;
}
inline int64_t fake_clock()
{
    return now();
}
inline void use_fake_clock(int64_t start = 1000000)
{
    now() = start;
    operation_set_clock(fake_clock);
}

// Counts the change callbacks of one operation.
struct Changes {
    int count = 0;
    static void callback(void *context, CAbstractOperation *)
    {
        static_cast<Changes *>(context)->count++;
    }
};

// An operation of a kind with its widget made, owned by the test.
struct Made {
    std::unique_ptr<CAbstractOperation> op;
    QWidget *widget = nullptr;
    Changes changes;
};
inline void make(Made &made, const char *kind)
{
    const operation_info_t *info = operation_registry_find(QString::fromLatin1(kind));
    QVERIFY(info);
    made.op.reset(info->create());
    QVERIFY(made.op);
    made.op->setChangeCallback(Changes::callback, &made.changes);
    made.widget = made.op->getWidget(nullptr);
    QVERIFY(made.widget);
}

// The pairs of getParams as "key=value" texts, in order.
inline QStringList pairs(CAbstractOperation *op)
{
    OperationParamList list;
    op->getParams(list);
    QStringList out;
    for (const auto &pair : list)
        out << pair.first + QLatin1Char('=') + pair.second;
    return out;
}

// (key, value) pairs as a profile hands them to setParams.
inline OperationParamList pairs(std::initializer_list<std::pair<const char *, const char *>> list)
{
    OperationParamList out;
    for (const auto &p : list)
        out.append(qMakePair(QString::fromUtf8(p.first), QString::fromUtf8(p.second)));
    return out;
}

inline OperationParamList parse_pairs(const QStringList &texts)
{
    OperationParamList list;
    for (const QString &text : texts) {
        const int eq = text.indexOf(QLatin1Char('='));
        list << qMakePair(text.left(eq), text.mid(eq + 1));
    }
    return list;
}

template <class T> T *child(QWidget *widget, const char *name)
{
    T *found = widget->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qWarning("no child %s", name);
    return found;
}

// Types text into a spin box as the user would: Ctrl+A, then the keys.
inline void type_into(QAbstractSpinBox *box, const QString &text)
{
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, text);
}

// The published values after one tick at t.
inline void tick_at(QWidget *widget, int64_t t)
{
    now() = t;
    static_cast<COperationWidget *>(widget)->tick();
}

// A w x h image of one opaque colour (a, r, g, b).
inline zvtest::ImagePtr solid(int w, int h, uint32_t pixel)
{
    zvtest::ImagePtr image(sn_image_create(w, h, 1));
    if (!image || sn_image_allocate_frame(image.get(), 0) != 0)
        return nullptr;
    uint32_t **rows = sn_image_get_frame(image.get(), 0);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            rows[y][x] = pixel;
    return image;
}

} // namespace optest

#endif
