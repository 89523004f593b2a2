// The frameless dialog: its window flags; the rest it shares with the main
// window (FramelessBase).
#include "styledialog.h"

// The minimise hint lets the task bar minimise and restore a window that has
// no frame of its own. Qt::CustomizeWindowHint would make Qt drop the
// frameless hint in favour of the minimise hint.
StyleDialog::StyleDialog(int titleFlags, bool flag, QWidget *parent)
    : FramelessBase<QDialog>(titleFlags, flag,
                             Qt::Tool | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                                 Qt::WindowMinimizeButtonHint,
                             QStringLiteral("wStyleDialogContent"), parent)
{
}
