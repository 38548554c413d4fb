// The program started where no X display can be reached: it says so and exits with status 1.

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

class TestNoDisplay : public QObject
{
    Q_OBJECT

  private slots:
    void endsWithAMessageAndStatusOne_data();
    void endsWithAMessageAndStatusOne();
};

void TestNoDisplay::endsWithAMessageAndStatusOne_data()
{
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("named");
    QTest::newRow("no server there") << ":99999"
                                     << "\":99999\"";
    // No host part: a wrong name is found without asking a name server.
    QTest::newRow("not a display name") << ":x"
                                        << "\":x\"";
    QTest::newRow("unset") << QString() << "DISPLAY";
}

void TestNoDisplay::endsWithAMessageAndStatusOne()
{
    QFETCH(QString, display);
    QFETCH(QString, named);
    QTemporaryDir config;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    if (display.isNull())
        environment.remove(QStringLiteral("DISPLAY"));
    else
        environment.insert(QStringLiteral("DISPLAY"), display);

    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(TAPSMITH_EXECUTABLE), QStringList());
    QVERIFY(program.waitForFinished(30000));
    const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
    QCOMPARE(program.exitStatus(), QProcess::NormalExit); // no abort, no core
    QCOMPARE(program.exitCode(), 1);
    QVERIFY2(errors.contains(QStringLiteral("X11 display")), qPrintable(errors));
    QVERIFY2(errors.contains(named), qPrintable(errors));
    // One line of our own, not the toolkit's advice about platform plugins.
    QVERIFY2(!errors.contains(QStringLiteral("plugin")), qPrintable(errors));
}

QTEST_GUILESS_MAIN(TestNoDisplay)
#include "TestNoDisplay.moc"
