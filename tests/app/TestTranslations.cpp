// The English translation is complete: every text of the sources has a finished English entry, and no
// entry is still Russian. lupdate reads the sources afresh into a copy of the translation file, so a text
// added to the code without its translation shows up as unfinished.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

class TestTranslations : public QObject
{
    Q_OBJECT

  private slots:
    void everyTextHasAFinishedEnglishEntry();
};

void TestTranslations::everyTextHasAFinishedEnglishEntry()
{
    const QString lupdate = QStringLiteral(TAPSMITH_LUPDATE);
    if (lupdate.isEmpty() || !QFile::exists(lupdate))
        QSKIP("lupdate (qt6-l10n-tools) is not installed");
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("tapsmith_en.ts"));
    QVERIFY(QFile::copy(QStringLiteral(TAPSMITH_SOURCE_DIR "/resources/translations/tapsmith_en.ts"), copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    QProcess process;
    process.start(lupdate, {QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"),
                            QStringLiteral(TAPSMITH_SOURCE_DIR "/src"), QStringLiteral("-ts"), copy});
    QVERIFY(process.waitForFinished(120000));
    QCOMPARE(process.exitCode(), 0);

    QFile file(copy);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    const QRegularExpression cyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
    QString source;
    QStringList problems;
    int entries = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            const QString text = xml.readElementText();
            if (type == QLatin1String("vanished") || type == QLatin1String("obsolete"))
                continue;
            ++entries;
            if (type == QLatin1String("unfinished") || text.isEmpty())
                problems << QStringLiteral("unfinished: ") + source;
            else if (text.contains(cyrillic))
                problems << QStringLiteral("still Russian: ") + source + QStringLiteral(" -> ") + text;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(entries > 40);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

QTEST_GUILESS_MAIN(TestTranslations)
#include "TestTranslations.moc"
