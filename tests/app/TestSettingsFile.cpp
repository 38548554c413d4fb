// The user's settings file, in a configuration folder of the test's own.

#include "app/SettingsFile.h"
#include "app/UpdateSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace
{

#ifdef Q_OS_WIN
const QString kFileName = QStringLiteral("Tapsmith/tapsmith.ini");
#else
const QString kFileName = QStringLiteral("Tapsmith/tapsmith.conf");
#endif

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();

    void livesInTheUserConfigurationFolder();
    void withoutFileOrKeyTheBuildDefaultsStay();
    void updateUrlComesFromTheFile_data();
    void updateUrlComesFromTheFile();
    void readingNeverWrites();
    void onlyARegularFileIsRead();
    void readmeTableListsEveryKey();

  private:
    void write(const QByteArray &contents);

    QTemporaryDir m_config;
    QString m_path;
};

void TestSettingsFile::initTestCase()
{
    QVERIFY(m_config.isValid());
#ifdef Q_OS_WIN
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
#else
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
#endif
    m_path = SettingsFile::userPath();
}

void TestSettingsFile::init()
{
    QDir(m_config.path()).removeRecursively();
    QDir().mkpath(m_config.path());
}

void TestSettingsFile::write(const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(m_path).path());
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

void TestSettingsFile::livesInTheUserConfigurationFolder()
{
    QCOMPARE(m_path, m_config.filePath(kFileName));
}

void TestSettingsFile::withoutFileOrKeyTheBuildDefaultsStay()
{
    QCOMPARE(SettingsFile().updateUrl(), std::nullopt);
    QCOMPARE(UpdateSettings::fromBuildAndFile(SettingsFile()).serverUrl, UpdateSettings::buildDefaults().serverUrl);
    write("[update]\nother=1\n[ui]\nlanguage=ru\n");
    QCOMPARE(SettingsFile().updateUrl(), std::nullopt);
}

void TestSettingsFile::updateUrlComesFromTheFile_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("url");
    QTest::newRow("plain") << QByteArray("[update]\nurl=http://127.0.0.1:8080/tapsmith/tapsmith.php\n")
                           << "http://127.0.0.1:8080/tapsmith/tapsmith.php";
    QTest::newRow("commas stay") << QByteArray("[update]\r\nurl=http://127.0.0.1/a,b,c\r\n")
                                 << "http://127.0.0.1/a,b,c";
    QTest::newRow("quoted") << QByteArray("[update]\nurl=\"http://127.0.0.1/x\"\n") << "http://127.0.0.1/x";
    // An empty value is a choice: no update check, whatever the build names.
    QTest::newRow("empty") << QByteArray("[update]\nurl=\n") << "";
}

void TestSettingsFile::updateUrlComesFromTheFile()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, url);
    write(contents);
    QCOMPARE(SettingsFile().updateUrl(), std::optional<QString>(url));
    QCOMPARE(UpdateSettings::fromBuildAndFile(SettingsFile()).serverUrl, QUrl(url));
    QCOMPARE(UpdateSettings::fromBuildAndFile(SettingsFile()).timeoutMs, 10000);
}

void TestSettingsFile::readingNeverWrites()
{
    // No file: none is made, nor its folder.
    {
        const SettingsFile settings;
        Q_UNUSED(settings.updateUrl());
    }
    QVERIFY(QDir(m_config.path()).isEmpty());

    const QByteArray contents = "; mine\n[update]\nurl = http://127.0.0.1/u\n\n[unknown]\nkey=value\n";
    write(contents);
    const QDateTime modified = QFileInfo(m_path).lastModified();
    {
        const SettingsFile settings;
        QVERIFY(settings.updateUrl().has_value());
    }
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), contents);
    QCOMPARE(QFileInfo(m_path).lastModified(), modified);
    QCOMPARE(QDir(QFileInfo(m_path).path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QFileInfo(kFileName).fileName()});
}

void TestSettingsFile::onlyARegularFileIsRead()
{
    // Absent, or a regular file (also through a symbolic link): read.
    QCOMPARE(SettingsFile::readablePath(), m_path);
    write("[update]\nurl=http://127.0.0.1/r\n");
    QCOMPARE(SettingsFile::readablePath(), m_path);
#ifdef Q_OS_UNIX
    const QString target = m_config.filePath(QStringLiteral("elsewhere.conf"));
    QVERIFY(QFile::rename(m_path, target));
    QVERIFY(QFile::link(target, m_path));
    QCOMPARE(SettingsFile::readablePath(), m_path);
    QCOMPARE(SettingsFile(SettingsFile::readablePath()).updateUrl(), std::optional<QString>("http://127.0.0.1/r"));
    QVERIFY(QFile::remove(m_path));

    // A pipe nobody writes to would hold the start for ever: it is not read, and the defaults hold.
    QCOMPARE(::mkfifo(QFile::encodeName(m_path).constData(), 0600), 0);
    QCOMPARE(SettingsFile::readablePath(), QString());
    QCOMPARE(SettingsFile(SettingsFile::readablePath()).updateUrl(), std::nullopt);
    const QSettings settings(SettingsFile::readablePath(), QSettings::IniFormat);
    QVERIFY(settings.allKeys().isEmpty());
    QVERIFY(QFile::remove(m_path));
#endif
    // A folder in its place is no settings file either.
    QFile::remove(m_path);
    QVERIFY(QDir().mkpath(m_path));
    QCOMPARE(SettingsFile::readablePath(), QString());
}

void TestSettingsFile::readmeTableListsEveryKey()
{
    QFile readme(QStringLiteral(TAPSMITH_README));
    QVERIFY2(readme.open(QIODevice::ReadOnly), qPrintable(readme.fileName()));
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype start = text.indexOf(QStringLiteral("| Key | Default | Meaning |"));
    QVERIFY(start >= 0);
    // The rows of the table: "| `name` | default | meaning |", up to the first line that is not one.
    QStringList names;
    QStringList defaults;
    for (const QString &line : text.mid(start).split(QLatin1Char('\n')).mid(2)) {
        if (!line.startsWith(QStringLiteral("| `")))
            break;
        const QStringList cells = line.split(QStringLiteral(" | "));
        QVERIFY2(cells.size() == 3, qPrintable(line));
        names << cells[0].mid(3, cells[0].size() - 4);
        defaults << cells[1];
    }
    QStringList expectedNames;
    for (const SettingsFile::KeyInfo &key : SettingsFile::keys())
        expectedNames << QString::fromLatin1(key.name);
    QCOMPARE(names, expectedNames);
    for (int key = 0; key < SettingsFile::KeyCount; ++key) {
        const QString value = QString::fromLatin1(SettingsFile::keys()[key].defaultValue);
        if (!value.isEmpty())
            QCOMPARE(defaults[key], QStringLiteral("`%1`").arg(value));
    }
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "TestSettingsFile.moc"
