// The translations stay whole: lupdate run over a copy of the sources finds
// every text that the checked-in .ts files translate (none would vanish at
// the next update), and every text it finds has a finished translation in
// each language's files.
#include "zv_test.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QXmlStreamReader>
#include <QtTest>

namespace
{

// The folders whose sources carry translatable texts.
const char *const k_folders[] = {"app", "operations", "skin"};

struct Entry {
    QString translation;
    QString type; // "", "unfinished", "obsolete" or "vanished"
    QString file;
};
// (context, source, disambiguation) joined with a character no text holds.
typedef QMap<QString, Entry> Entries;

QString keyOf(const QString &context, const QString &source, const QString &comment)
{
    return context + QChar(1) + source + QChar(1) + comment;
}

QString readable(const QString &key)
{
    QStringList parts = key.split(QChar(1));
    QString text = parts.value(0) + QStringLiteral(": \"") + parts.value(1) + QLatin1Char('"');
    if (!parts.value(2).isEmpty())
        text += QStringLiteral(" (") + parts.value(2) + QLatin1Char(')');
    return text;
}

// Every message of a .ts file; false when it does not parse.
bool readTs(const QString &path, Entries *entries)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QXmlStreamReader xml(&file);
    QString context, source, comment;
    Entry entry;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QStringRef name = xml.name();
            if (name == QLatin1String("context")) {
                context.clear();
            } else if (name == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (name == QLatin1String("message")) {
                source.clear();
                comment.clear();
                entry = Entry();
                entry.file = QFileInfo(path).fileName();
            } else if (name == QLatin1String("source")) {
                source = xml.readElementText();
            } else if (name == QLatin1String("comment")) {
                comment = xml.readElementText();
            } else if (name == QLatin1String("translation")) {
                entry.type = xml.attributes().value(QLatin1String("type")).toString();
                entry.translation =
                    xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message")) {
            entries->insert(keyOf(context, source, comment), entry);
        }
    }
    return !xml.hasError();
}

bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, {"*.cpp", "*.c", "*.h", "*.ui"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + path.mid(from.size());
        if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(path, target))
            return false;
    }
    return true;
}

} // namespace

class LupdateTest : public QObject
{
    Q_OBJECT

private slots:
    void everyTextIsFoundAndTranslated();
};

void LupdateTest::everyTextIsFoundAndTranslated()
{
    const QString lupdate = QStringLiteral(ZV_LUPDATE);
    if (lupdate.isEmpty())
        QSKIP("lupdate was not found when the build was configured (qttools5-dev-tools)");
    const QString sources = QStringLiteral(ZV_SOURCE_DIR);

    zvtest::TempDir dir;
    const QString copy = QString::fromStdString(dir.file("src"));
    QStringList arguments = {QStringLiteral("-silent"), QStringLiteral("-no-obsolete"),
                             QStringLiteral("-locations"), QStringLiteral("none")};
    for (const char *folder : k_folders) {
        const QString name = QString::fromLatin1(folder);
        QVERIFY2(copyTree(sources + QLatin1Char('/') + name, copy + QLatin1Char('/') + name),
                 folder);
        arguments << copy + QLatin1Char('/') + name;
    }
    const QString fresh = QString::fromStdString(dir.file("fresh.ts"));
    arguments << QStringLiteral("-ts") << fresh;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(lupdate, arguments);
    QVERIFY2(process.waitForFinished(60000), "lupdate did not end");
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             process.readAll().constData());
    Entries found;
    QVERIFY2(readTs(fresh, &found), "lupdate wrote no readable .ts");
    QVERIFY(!found.isEmpty());

    const QStringList languages = QDir(sources + QStringLiteral("/translations"))
                                      .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QVERIFY(!languages.isEmpty());
    for (const QString &language : languages) {
        const QDir folder(sources + QStringLiteral("/translations/") + language);
        Entries checkedIn;
        for (const QString &name : folder.entryList({QStringLiteral("*.ts")}, QDir::Files))
            QVERIFY2(readTs(folder.filePath(name), &checkedIn), qPrintable(name));

        QStringList vanishing, missing;
        for (auto it = checkedIn.constBegin(); it != checkedIn.constEnd(); ++it) {
            if (it->type == QLatin1String("obsolete") || it->type == QLatin1String("vanished"))
                continue;
            if (!found.contains(it.key()))
                vanishing << it->file + QStringLiteral(": ") + readable(it.key());
        }
        for (auto it = found.constBegin(); it != found.constEnd(); ++it) {
            const auto mine = checkedIn.constFind(it.key());
            if (mine == checkedIn.constEnd() || !mine->type.isEmpty() ||
                mine->translation.isEmpty())
                missing << readable(it.key());
        }
        QString report;
        if (!vanishing.isEmpty())
            report += QStringLiteral("\nlupdate no longer finds\n  ") +
                      vanishing.join(QStringLiteral("\n  "));
        if (!missing.isEmpty())
            report += QStringLiteral("\nno finished translation for\n  ") +
                      missing.join(QStringLiteral("\n  "));
        QVERIFY2(report.isEmpty(), qPrintable(language + report));
    }
}

QTEST_GUILESS_MAIN(LupdateTest)
#include "lupdate_test.moc"
