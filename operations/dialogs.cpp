// The dialog seams: the platform's dialogs unless a hook answers.
#include "dialogs.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QStandardPaths>

namespace Dialogs
{

Hooks &hooks()
{
    static Hooks s_hooks;
    return s_hooks;
}

void reset()
{
    hooks() = Hooks();
}

QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                        const QString &filter)
{
    if (hooks().openFileName)
        return hooks().openFileName(parent, caption, dir, filter);
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QStringList getOpenFileNames(QWidget *parent, const QString &caption, const QString &dir,
                             const QString &filter)
{
    if (hooks().openFileNames)
        return hooks().openFileNames(parent, caption, dir, filter);
    return QFileDialog::getOpenFileNames(parent, caption, dir, filter);
}

QString getSaveFileName(QWidget *parent, const QString &caption, const QString &dir,
                        const QString &filter, QFileDialog::Options options)
{
    if (hooks().saveFileName)
        return hooks().saveFileName(parent, caption, dir, filter, options);
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, nullptr, options);
}

QString getExistingDirectory(QWidget *parent, const QString &caption, const QString &dir,
                             QFileDialog::Options options)
{
    if (hooks().existingDirectory)
        return hooks().existingDirectory(parent, caption, dir, options);
    return QFileDialog::getExistingDirectory(parent, caption, dir, options);
}

QColor getColor(const QColor &initial, QWidget *parent, const QString &title,
                QColorDialog::ColorDialogOptions options)
{
    if (hooks().color)
        return hooks().color(initial, parent, title, options);
    return QColorDialog::getColor(initial, parent, title, options);
}

QFont getFont(bool *ok, const QFont &initial, QWidget *parent, const QString &title)
{
    if (hooks().font)
        return hooks().font(ok, initial, parent, title);
    return QFontDialog::getFont(ok, initial, parent, title);
}

bool openUrl(const QUrl &url)
{
    if (hooks().openUrl)
        return hooks().openUrl(url);
    return QDesktopServices::openUrl(url);
}

QString picturesFolder()
{
    // The desktop names a pictures folder even where none was ever made, and
    // a file dialog started in a folder that does not exist puts its name
    // into the name box.
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

} // namespace Dialogs
