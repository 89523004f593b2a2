// Answers the skinned message boxes of a widget test: each StyleMsg that
// opens takes the next queued answer (a button, or Esc, or the title bar's
// close button, and whether to tick "Never show this again!" first). A box
// that opens with no answer queued is recorded and closed with Cancel, so
// that a test never hangs on it.
#ifndef MSGANSWER_H
#define MSGANSWER_H

#include <QDialogButtonBox>
#include <QString>
#include <QStringList>

namespace MsgAnswer
{

// Queues the answer to the next box.
void next(QDialogButtonBox::StandardButton button, bool neverAgain = false);

// Ways of ending a box without a button, by real input: the check box is
// ticked by a mouse click, then Esc is typed or the close button clicked.
enum Dismissal { Escape, CloseButton };
void dismiss(Dismissal way, bool neverAgain = false);
// The texts of the boxes seen so far, in order, as "title|text".
QStringList seen();
// Boxes that opened with no answer queued.
int unexpected();
// Answers still queued.
int pending();
// Forgets the queue and what was seen.
void clear();

} // namespace MsgAnswer

#endif
