// FOptions: the settings dialog.
#ifndef FOPTIONS_H
#define FOPTIONS_H

#include "styledialog.h"

class FOptions : public StyleDialog
{
    Q_OBJECT

public:
    explicit FOptions(QWidget *parent = nullptr);
    ~FOptions() override;
};

#endif
