// The shared machinery of the operations: the base class, the published
// parameter sets and the deferred apply of the settings widgets.
#include "operation.h"

#include "base/sn_log.h"
#include "base/sn_number.h"
#include "filter/imagefilter.h"
#include "image/sn_image.h"
#include "nosettings.h"

#include <ctype.h>
#include <limits.h>
#include <cmath>
#include <time.h>

#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QTimerEvent>

#include <atomic>

static int64_t monotonic_ms(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

static std::atomic<int64_t (*)(void)> s_clock{monotonic_ms};

int64_t operation_clock_ms(void)
{
    return s_clock.load(std::memory_order_acquire)();
}

void operation_set_clock(int64_t (*clock)(void))
{
    s_clock.store(clock ? clock : monotonic_ms, std::memory_order_release);
}

int operation_text_int(const QString &text)
{
    // A leading-number read: QString::toInt would give 0 for "640px".
    const QByteArray bytes = text.toUtf8();
    const char *p = bytes.constData();
    while (isspace((unsigned char)*p))
        p++;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        value = value * 10 + (*p - '0');
        // Saturate: the spin box that takes the number limits it anyway.
        if (value > (int64_t)INT_MAX + 1)
            value = (int64_t)INT_MAX + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return (int)value;
}

void operation_set_int(QSpinBox *box, const QString &text)
{
    const int value = operation_text_int(text);
    if (value < box->minimum() || value > box->maximum())
        sn_log(3, NULL, "operation_set_int", __LINE__, "%s FAILED! value:%s, held in %d..%d\n",
               box->objectName().toUtf8().constData(), text.left(64).toUtf8().constData(),
               box->minimum(), box->maximum());
    box->setValue(value);
}

void operation_set_real(QDoubleSpinBox *box, const QString &text)
{
    const double value = operation_text_real(text);
    if (value < box->minimum() || value > box->maximum())
        sn_log(3, NULL, "operation_set_real", __LINE__, "%s FAILED! value:%s, held in %g..%g\n",
               box->objectName().toUtf8().constData(), text.left(64).toUtf8().constData(),
               box->minimum(), box->maximum());
    box->setValue(value);
}

double operation_text_real(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    char *end = nullptr;
    double value = sn_strtod_c(bytes.constData(), &end);
    if (end == bytes.constData() || !std::isfinite(value))
        return 0;
    return value;
}

QString operation_real_text(double value, int decimals)
{
    // QString::number never uses the user's locale.
    return QString::number(value, 'f', decimals);
}

QString operation_length_text(int value, bool percent)
{
    return QString::number(value) + (percent ? QStringLiteral("%") : QStringLiteral("px"));
}

QString operation_color_text(const QColor &color)
{
    char text[11];
    sn_color_format(SN_PIXEL(color.alpha(), color.red(), color.green(), color.blue()), text);
    return QString::fromLatin1(text);
}

bool operation_color_read(const QString &text, QColor *color)
{
    // Four two-digit fields after "0x"; whatever follows them is not read.
    const QByteArray bytes = text.toUtf8();
    if (bytes.size() < 10 || bytes[0] != '0' || bytes[1] != 'x')
        return false;
    for (int i = 2; i < 10; i++) {
        if (!isxdigit((unsigned char)bytes[i]))
            return false;
    }
    uint32_t word = 0;
    if (sn_color_parse(bytes.left(10).constData(), &word) != 0)
        return false;
    color->setRgb(SN_PIXEL_R(word), SN_PIXEL_G(word), SN_PIXEL_B(word), SN_PIXEL_A(word));
    return true;
}

QString operation_swatch_style(const QColor &color)
{
    return QStringLiteral("background-color: rgba(%1, %2, %3, %4%);")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha() * 100 / 255);
}

CAbstractOperation::CAbstractOperation(const char *kindName)
{
    m_info = operation_registry_find(QString::fromUtf8(kindName));
}

CAbstractOperation::~CAbstractOperation()
{
    delete m_widget;
    if (m_filter)
        imagefilter_destroy(m_filter);
}

QWidget *CAbstractOperation::getWidget(QWidget *parent)
{
    if (!m_widget)
        m_widget = createWidget(parent);
    return m_widget;
}

QWidget *CAbstractOperation::createWidget(QWidget *parent)
{
    return new COperationWidget_dummy(parent);
}

bool CAbstractOperation::getParams(OperationParamList &params)
{
    params.clear();
    return true;
}

bool CAbstractOperation::setParams(const OperationParamList &)
{
    return true;
}

void CAbstractOperation::notifyChanged()
{
    if (m_changeCallback)
        m_changeCallback(m_changeContext, this);
}

CParamOperation::CParamOperation(const char *kindName, const char *filterKind,
                                 std::initializer_list<const char *> keys)
    : CAbstractOperation(kindName), m_filterKind(filterKind)
{
    for (const char *key : keys)
        m_keys.emplace_back(key);
    auto empty = std::make_shared<OperationParams>();
    empty->values.resize(m_keys.size());
    m_params = empty;
}

OperationParamsPtr CParamOperation::params() const
{
    return std::atomic_load_explicit(&m_params, std::memory_order_acquire);
}

void CParamOperation::publish(OperationParamsPtr params)
{
    if (!params)
        return;
    std::atomic_store_explicit(&m_params, std::move(params), std::memory_order_release);
}

void CParamOperation::publishValues(const std::vector<std::string> &values)
{
    auto set = std::make_shared<OperationParams>();
    set->values = values;
    set->values.resize(m_keys.size());
    publish(std::move(set));
}

bool CParamOperation::getParams(OperationParamList &params)
{
    params.clear();
    OperationParamsPtr set = this->params();
    for (size_t i = 0; i < m_keys.size(); i++)
        params.append(
            qMakePair(QString::fromStdString(m_keys[i]), QString::fromStdString(set->values[i])));
    return true;
}

bool CParamOperation::setParams(const OperationParamList &params)
{
    auto *widget = static_cast<COperationWidget *>(m_widget);
    if (!widget)
        return false;
    return widget->loadParams(params);
}

int CParamOperation::configure(imagefilter_t *filter, const OperationParams &params,
                               const QString &, int)
{
    std::vector<const char *> keys, values;
    for (size_t i = 0; i < m_keys.size(); i++) {
        keys.push_back(m_keys[i].c_str());
        values.push_back(i < params.values.size() ? params.values[i].c_str() : "");
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    return imagefilter_set_settings(filter, keys.data(), values.data());
}

imagefilter_t *CAbstractOperation::keptFilter()
{
    return getFilter(QString(), -1);
}

imagefilter_t *CParamOperation::keptFilter()
{
    if (!m_filter)
        m_filter = imagefilter_create(m_filterKind.c_str());
    return m_filter;
}

imagefilter_t *CParamOperation::getFilter(const QString &sourcePath, int index)
{
    if (!keptFilter())
        return nullptr;
    OperationParamsPtr set = params();
    configure(m_filter, *set, sourcePath, index);
    return m_filter;
}

imagefilter_t *CParamOperation::createFilter(const QString &sourcePath, int index)
{
    imagefilter_t *filter = imagefilter_create(m_filterKind.c_str());
    if (!filter)
        return nullptr;
    OperationParamsPtr set = params();
    configure(filter, *set, sourcePath, index);
    return filter;
}

COperationWidget::COperationWidget(QWidget *parent) : QWidget(parent) {}

COperationWidget::~COperationWidget()
{
    if (m_timerId)
        killTimer(m_timerId);
}

void COperationWidget::deferApply()
{
    m_deadline = operation_clock_ms() + 500;
}

void COperationWidget::applySoon()
{
    m_deadline = operation_clock_ms() - 100;
}

void COperationWidget::startTick()
{
    if (!m_timerId)
        m_timerId = startTimer(100);
}

void COperationWidget::tick()
{
    if (m_deadline > 0 && operation_clock_ms() - m_deadline > 100)
        applyPending();
}

void COperationWidget::applyPending()
{
    if (m_deadline > 0) {
        m_deadline = -1;
        updateParams();
    }
}

void COperationWidget::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_timerId)
        tick();
    else
        QWidget::timerEvent(event);
}
