// Hostile profiles and file lists for the loaders of the main window: random
// bytes, cut-off and NUL-poisoned copies of a good file, a 10-megabyte line,
// huge counts, unknown kinds, values far out of range, and paths that are no
// regular files. The seed is fixed and the number of cases bounded, so that
// every run tries the same files.
#ifndef HOSTILE_FILES_H
#define HOSTILE_FILES_H

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>

#include <random>

namespace hostile
{

struct Case {
    QString name;
    QByteArray bytes;
    // Instead of bytes: a path that is no regular file ("" = write bytes).
    QString path;
    // Loads what it can and says what it left out.
    bool partial = false;
};

inline QByteArray randomBytes(std::mt19937 &random, int size)
{
    QByteArray out(size, '\0');
    for (int i = 0; i < size; i++)
        out[i] = char(random() & 0xFF);
    return out;
}

// Cases made from a good file (a saved profile or list) and the few paths
// that no loader may open as one.
inline QList<Case> make(const QByteArray &good, const QString &fifo, const QString &folder,
                        bool profile)
{
    std::mt19937 random(19);
    QList<Case> cases;
    for (int size : {1, 97, 4096, 70000})
        cases << Case{QStringLiteral("random %1 bytes").arg(size), randomBytes(random, size), {}};
    // Cut inside a quoted value, so that the last line can never read as
    // a shorter but whole one (a list cut short is still a list).
    if (profile)
        for (int part : {1, 3, 5, 7}) {
            int quote = -1;
            bool open = false;
            for (int i = 0; i < good.size(); i++) {
                if (good[i] != '"')
                    continue;
                open = !open;
                if (open && i >= good.size() * part / 8) {
                    quote = i;
                    break;
                }
            }
            if (quote >= 0)
                cases << Case{QStringLiteral("cut inside a value near %1/8").arg(part),
                              good.left(quote + 2),
                              {}};
        }
    for (int n = 0; n < 3; n++) {
        QByteArray poisoned = good;
        poisoned[int(random() % poisoned.size())] = '\0';
        cases << Case{QStringLiteral("NUL byte %1").arg(n), poisoned, {}};
    }
    const QByteArray huge(10 * 1024 * 1024, 'A');
    if (profile) {
        cases << Case{
            QStringLiteral("10 MB line"), good + "output_folder = \"" + huge + "\"\r\n", {}};
        for (const char *count :
             {"2147483648", "2147483647", "-2147483648", "99999999999999999999"}) {
            QByteArray text = good;
            text.replace(QRegularExpression(QStringLiteral("operation_count = [0-9]+"))
                             .match(QString::fromUtf8(good))
                             .captured(0)
                             .toUtf8(),
                         QByteArray("operation_count = ") + count);
            cases << Case{QStringLiteral("count %1").arg(QLatin1String(count)), text, {}};
        }
        QByteArray unknown = good;
        unknown.replace("name = \"resize\"", "name = \"no_such_kind\"");
        cases << Case{QStringLiteral("unknown operation"), unknown, {}, true};
    } else {
        cases << Case{QStringLiteral("10 MB line"), good + huge + "\n", {}};
    }
    cases << Case{QStringLiteral("missing file"), {}, folder + QStringLiteral("/no/such/file")};
    cases << Case{QStringLiteral("a folder"), {}, folder};
    cases << Case{QStringLiteral("a FIFO"), {}, fifo};
    cases << Case{QStringLiteral("/dev/zero"), {}, QStringLiteral("/dev/zero")};
    return cases;
}

// The good profile with every value, one at a time, replaced by something
// far out of its range: loading such a file must not crash, and whatever it
// keeps stays inside the controls' ranges.
inline QList<Case> outOfRange(const QByteArray &good)
{
    QList<Case> cases;
    const QList<QByteArray> lines = good.split('\n');
    for (int i = 0; i < lines.size(); i++) {
        const int eq = lines[i].indexOf(" = ");
        if (eq < 0 || lines[i].contains("operation_count") || lines[i].contains("name ="))
            continue;
        for (const char *value : {"-99999999999999", "100000", "-7", "\"99999999%\""}) {
            QList<QByteArray> copy = lines;
            copy[i] = lines[i].left(eq) + " = " + value + "\r";
            cases << Case{QStringLiteral("line %1 = %2").arg(i).arg(QLatin1String(value)),
                          copy.join('\n'),
                          {}};
        }
    }
    return cases;
}

} // namespace hostile

#endif
