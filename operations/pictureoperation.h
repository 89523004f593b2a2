// CPictureOperation: the base of the stamp and watermark kinds, whose filters
// are lent a picture. Every filter it hands out holds the picture it was
// configured with, so a picture outlives every filter that may still run with
// it, however often the settings replace it.
#ifndef PICTUREOPERATION_H
#define PICTUREOPERATION_H

#include "operation.h"
#include "picturefilter.h"

class QComboBox;
class QSpinBox;

class CPictureOperation : public CParamOperation
{
public:
    // The settings texts shared by the four kinds' widgets.

    // The unit combo sets the offset's range and suffix: Percent -100..100
    // "%", Pixel -65536..65536 " px". Narrowing limits the value.
    static void applyUnit(const QComboBox *unit, QSpinBox *offset);
    // "left-10px", "bottom-5%", "left--5px": the anchor word by the position
    // combo, then the offset with its own sign, then the unit.
    static std::string positionText(const char *const words[3], const QComboBox *anchor,
                                    const QComboBox *unit, const QSpinBox *offset);
    // Sets the three controls from a position text: the anchor by the first
    // word it contains (case matters; none found keeps it), Percent when it
    // holds '%', and the number after its first '-'.
    static void readPosition(const QString &text, const char *const words[3], QComboBox *anchor,
                             QComboBox *unit, QSpinBox *offset);

    imagefilter_t *getFilter(const QString &sourcePath) override;
    imagefilter_t *createFilter(const QString &sourcePath) override;

protected:
    CPictureOperation(const char *kindName, const char *filterKind,
                      std::initializer_list<const char *> keys);
    // Configures filter from one published set: its picture, with its
    // address as the first key's value.
    int configure(imagefilter_t *filter, const OperationParams &params,
                  const QString &sourcePath) override;
};

#endif
