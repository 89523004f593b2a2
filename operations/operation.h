// The operation interface: the registry entry of a kind, the abstract
// operation the Step 2 page keeps in its pipeline, the published parameter
// sets that workers configure their filters from, and the base of the
// settings widgets with its deferred apply of typed edits.
#ifndef OPERATION_H
#define OPERATION_H

#include <stdint.h>

#include <QColor>
#include <QList>
#include <QPair>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QDoubleSpinBox;
class QSpinBox;

#include <memory>
#include <string>
#include <vector>

struct imagefilter;
typedef struct imagefilter imagefilter_t;
struct sn_image;
typedef struct sn_image sn_image_t;

class CAbstractOperation;
class PictureRecipe;

typedef QList<QPair<QString, QString>> OperationParamList;

struct operation_info_t {
    QString category;
    const char *name;
    CAbstractOperation *(*create)();
    QString (*title)();
    QString (*description)();
    QPixmap (*icon)();
};

// Fifteen kinds in their fixed order, then an entry with a null name.
extern const operation_info_t operation_registry[];
const operation_info_t *operation_registry_find(const QString &name);

typedef void (*operation_change_callback_t)(void *context, CAbstractOperation *operation);

// The millisecond clock of the deferred apply. Monotonic by default, so that
// a wall-clock step never leaves an edit unapplied; tests replace it.
int64_t operation_clock_ms(void);
void operation_set_clock(int64_t (*clock)(void));

// The value texts that the kinds write and read back from profiles, in one
// place so that every kind agrees with the filters' syntax.
// The integer a text begins with, as a decimal read of its 8-bit form
// ("640px" gives 640, "-5%" gives -5); 0 when it begins with no number.
int operation_text_int(const QString &text);
// A real read with '.' as the decimal point whatever the locale ("45.50"
// is 45.5 on a German desktop too); 0 when the text begins with no number.
double operation_text_real(const QString &text);
// A profile's value into its control, which holds one outside its range at
// the nearer end: a value the control cannot show never reaches a filter,
// and holding it is logged.
void operation_set_int(QSpinBox *box, const QString &text);
void operation_set_real(QDoubleSpinBox *box, const QString &text);
// A real with that many decimals and '.' as the decimal point ("%.2f").
QString operation_real_text(double value, int decimals);
// "%dpx" or "%d%%".
QString operation_length_text(int value, bool percent);
// The colour text of the filters: "0x%02X%02X%02X%02X" of blue, green, red
// and alpha.
QString operation_color_text(const QColor &color);
// Reads a colour text; true and *color set when all four fields are there,
// false with *color untouched otherwise.
bool operation_color_read(const QString &text, QColor *color);
// The swatch style sheet of a chosen colour:
// "background-color: rgba(r, g, b, a%);" with alpha as a percentage.
QString operation_swatch_style(const QColor &color);

class CAbstractOperation
{
public:
    virtual ~CAbstractOperation();

    // Made on the first call as a child of parent and kept; later calls
    // return the same widget whatever parent they name.
    virtual QWidget *getWidget(QWidget *parent);
    virtual bool getParams(OperationParamList &params);
    virtual bool setParams(const OperationParamList &params);
    // The kept filter (batch worker), configured anew on every call. index is
    // the file's place in the list, which a text's counter counts from.
    virtual imagefilter_t *getFilter(const QString &sourcePath, int index = 0) = 0;
    // The kept filter, made if need be but not configured: null exactly when
    // getFilter would give null. Counting a run's filters asks this, so that
    // no text is drawn on the interface thread (its worker draws it). The
    // base asks getFilter with an empty path.
    virtual imagefilter_t *keptFilter();
    // A new filter on every call; the caller destroys it (preview worker).
    virtual imagefilter_t *createFilter(const QString &sourcePath, int index = 0) = 0;

    const operation_info_t *info() const
    {
        return m_info;
    }
    QWidget *widget() const
    {
        return m_widget;
    }
    void setChangeCallback(operation_change_callback_t callback, void *context)
    {
        m_changeCallback = callback;
        m_changeContext = context;
    }
    // The settings widget calls this as the last step of every applied change.
    void notifyChanged();

    CAbstractOperation(const CAbstractOperation &) = delete;
    CAbstractOperation &operator=(const CAbstractOperation &) = delete;

protected:
    explicit CAbstractOperation(const char *kindName);
    // Builds the settings widget for getWidget; the base makes the one that
    // says there are no settings.
    virtual QWidget *createWidget(QWidget *parent);

    const operation_info_t *m_info = nullptr;
    operation_change_callback_t m_changeCallback = nullptr;
    void *m_changeContext = nullptr;
    QWidget *m_widget = nullptr;
    imagefilter_t *m_filter = nullptr;
};

// One immutable set of an operation's filter settings. The interface thread
// builds a whole new set on every applied change and publishes it at once, so
// a worker configuring a filter never sees half of an edit.
struct OperationParams {
    std::vector<std::string> values; // one per key of the kind, in its order
    // The image stamp's and image watermark's picture: the loaded picture,
    // its scale and turn, judged but not yet made (the first filter that
    // runs with it makes it). Each filter holds a reference, so that the
    // picture outlives every such filter; a refused one fails every photo.
    std::shared_ptr<const PictureRecipe> recipe;
};
typedef std::shared_ptr<const OperationParams> OperationParamsPtr;

// Base of the kinds whose filters take settings: the fixed key order, the
// published set, and filters configured from one whole set.
class CParamOperation : public CAbstractOperation
{
public:
    imagefilter_t *getFilter(const QString &sourcePath, int index = 0) override;
    imagefilter_t *createFilter(const QString &sourcePath, int index = 0) override;
    imagefilter_t *keptFilter() override;
    // The (key, value) pairs of the current set, in the kind's order.
    bool getParams(OperationParamList &params) override;
    // Hands the pairs to the widget; false while there is none.
    bool setParams(const OperationParamList &params) override;

    const std::vector<std::string> &keys() const
    {
        return m_keys;
    }
    // The current set; every value empty until the widget first applies.
    OperationParamsPtr params() const;
    // Replaces the current set (interface thread).
    void publish(OperationParamsPtr params);
    // Publishes values (one per key), keeping no picture.
    void publishValues(const std::vector<std::string> &values);

protected:
    CParamOperation(const char *kindName, const char *filterKind,
                    std::initializer_list<const char *> keys);
    // Hands one set to a filter; the default passes the keys and values to
    // imagefilter_set_settings. Returns its result.
    virtual int configure(imagefilter_t *filter, const OperationParams &params,
                          const QString &sourcePath, int index);

    std::string m_filterKind;
    std::vector<std::string> m_keys;

private:
    OperationParamsPtr m_params;
};

// Base of the settings widgets of the kinds that take typed numbers: a
// spin-box or line-edit change sets a deadline of now + 500 ms, an accepted
// colour or font dialog one of now - 100 ms, and the 100 ms tick applies the
// edit once now - deadline exceeds 100 ms.
class COperationWidget : public QWidget
{
    Q_OBJECT

public:
    explicit COperationWidget(QWidget *parent = nullptr);
    ~COperationWidget() override;

    // Writes every value of the kind, publishes them and calls the change
    // callback.
    virtual void updateParams() = 0;
    // Sets the controls from a profile's pairs (the keys it knows, in the
    // list's order), then applies. False when the settings cannot be taken
    // (an image kind's image that does not load).
    virtual bool loadParams(const OperationParamList &params) = 0;

    // One timer tick; tests deliver it directly.
    void tick();
    // Applies an edit still waiting for its deadline now, so that whatever
    // reads the parameters next (a profile, a run) sees what the widget
    // shows, as one state.
    void applyPending();
    int64_t deadline() const
    {
        return m_deadline;
    }

protected:
    // An edit of a spin box or line edit.
    void deferApply();
    // An accepted colour or font dialog.
    void applySoon();
    // Starts the 100 ms timer; the subclass calls it at the end of its
    // constructor, after its first updateParams.
    void startTick();
    void timerEvent(QTimerEvent *event) override;

    int64_t m_deadline = -1;
    int m_timerId = 0;
};

#endif
