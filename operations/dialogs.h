// Seams for the platform dialogs and the desktop's browser: every file,
// folder, colour and font dialog of the application, and every address it
// opens, goes through here, so that a test answers them without a window.
#ifndef DIALOGS_H
#define DIALOGS_H

#include <QColor>
#include <QColorDialog>
#include <QFileDialog>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QWidget;

namespace Dialogs
{

struct Hooks {
    std::function<QString(QWidget *parent, const QString &caption, const QString &dir,
                          const QString &filter)>
        openFileName;
    std::function<QStringList(QWidget *parent, const QString &caption, const QString &dir,
                              const QString &filter)>
        openFileNames;
    // The hooks that stand in for a dialog with options see them, so that a
    // test checks what the platform's dialog would have been asked for.
    std::function<QString(QWidget *parent, const QString &caption, const QString &dir,
                          const QString &filter, QFileDialog::Options options)>
        saveFileName;
    std::function<QString(QWidget *parent, const QString &caption, const QString &dir,
                          QFileDialog::Options options)>
        existingDirectory;
    // An invalid colour means cancelled.
    std::function<QColor(const QColor &initial, QWidget *parent, const QString &title,
                         QColorDialog::ColorDialogOptions options)>
        color;
    std::function<QFont(bool *ok, const QFont &initial, QWidget *parent, const QString &title)>
        font;
    std::function<bool(const QUrl &url)> openUrl;
};

// The hooks in force; a member left empty uses the platform's dialog. Tests
// set members and call reset() when done.
Hooks &hooks();
void reset();

QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                        const QString &filter);
QStringList getOpenFileNames(QWidget *parent, const QString &caption, const QString &dir,
                             const QString &filter);
QString getSaveFileName(QWidget *parent, const QString &caption, const QString &dir,
                        const QString &filter,
                        QFileDialog::Options options = QFileDialog::Options());
QString getExistingDirectory(QWidget *parent, const QString &caption, const QString &dir,
                             QFileDialog::Options options = QFileDialog::ShowDirsOnly);
QColor getColor(const QColor &initial, QWidget *parent, const QString &title,
                QColorDialog::ColorDialogOptions options = QColorDialog::ColorDialogOptions());
QFont getFont(bool *ok, const QFont &initial, QWidget *parent, const QString &title);
bool openUrl(const QUrl &url);

// The user's pictures folder while it exists, else home: where the photo and
// picture dialogs start.
QString picturesFolder();

} // namespace Dialogs

#endif
