// FAbout: the about box.
#ifndef FABOUT_H
#define FABOUT_H

#include "styledialog.h"

class FAbout : public StyleDialog
{
    Q_OBJECT

public:
    explicit FAbout(QWidget *parent = nullptr);
    ~FAbout() override;
};

#endif
