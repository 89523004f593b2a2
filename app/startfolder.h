// Where the file dialogs start: the folder last used for a kind of file in
// this session, else one of the user's own folders, never the program's
// working folder.
#ifndef STARTFOLDER_H
#define STARTFOLDER_H

#include <QString>

namespace StartFolder
{

enum Kind { Profile, FileList };

// The folder last used for kind while it still exists, else home.
QString forKind(Kind kind);
// fileName in the start folder of kind: what a save dialog proposes.
QString proposedName(Kind kind, const QString &fileName);
// The folder of a chosen file becomes the start folder of its kind.
void remember(Kind kind, const QString &chosenFile);
// fileName in the folder of current while that folder exists, else in home:
// what a dialog choosing a new name for a file already set proposes.
QString besideFile(const QString &current, const QString &fileName);
// The photo dialogs: last while it exists, else the pictures folder while
// it exists, else home.
QString forPictures(const QString &last);
// Forgets every kind's folder (the tests start each case afresh).
void reset();

} // namespace StartFolder

#endif
