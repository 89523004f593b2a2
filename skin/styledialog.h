// StyleDialog: the frameless dialog base. The title bar over a content widget
// that the subclass fills with its form, and a 4-px resize band.
#ifndef STYLEDIALOG_H
#define STYLEDIALOG_H

#include "framelessbase.h"

#include <QDialog>

class StyleDialog : public FramelessBase<QDialog>
{
    Q_OBJECT

public:
    StyleDialog(int titleFlags, bool flag, QWidget *parent = nullptr);
};

#endif
