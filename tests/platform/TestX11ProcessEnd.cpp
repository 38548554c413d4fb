#include "platform/Platform.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

#include <unistd.h>

namespace
{

using namespace std::chrono_literals;

constexpr const char *kChildFlag = "--hold-the-display";

// The child: the backend connected to the display (and, for "gui", Qt's own connection too) and an event
// loop, until the display goes away.
int runChild(int argc, char **argv, bool gui)
{
    std::unique_ptr<QCoreApplication> app;
    if (gui)
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    const auto platform = createPlatform();
    std::printf("ready\n");
    std::fflush(stdout);
    return app->exec();
}

} // namespace

// How the X11 backend lets the process end: on a signal from outside, through the program's own handler,
// and on a lost display, with a line that says so and status 1.
class TestX11ProcessEnd : public QObject
{
    Q_OBJECT

  private slots:
    void signalsWakeTheSleepAndReachTheHandler_data();
    void signalsWakeTheSleepAndReachTheHandler();
    void withoutAHandlerASignalEndsTheProcessAsBefore();
    void lostDisplayEndsWithOneLineAndStatus1_data();
    void lostDisplayEndsWithOneLineAndStatus1();
};

void TestX11ProcessEnd::signalsWakeTheSleepAndReachTheHandler_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestX11ProcessEnd::signalsWakeTheSleepAndReachTheHandler()
{
    QFETCH(int, signal);
    const auto platform = createPlatform();
    QVERIFY(platform->endRequests);
    int handled = 0;
    platform->endRequests->setHandler([&handled] { ++handled; });

    std::thread sender([signal] {
        std::this_thread::sleep_for(100ms);
        kill(getpid(), signal);
    });
    const std::int64_t start = platform->clock->monotonicMicros();
    const bool reached = platform->clock->sleepUntil(start + 5'000'000);
    const std::int64_t slept = platform->clock->monotonicMicros() - start;
    sender.join();
    QVERIFY(!reached);
    QVERIFY2(slept < 3'000'000, qPrintable(QString::number(slept)));
    QCOMPARE(handled, 0); // only on the GUI thread's next round of events
    QTRY_COMPARE(handled, 1);
}

void TestX11ProcessEnd::withoutAHandlerASignalEndsTheProcessAsBefore()
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kChildFlag), QStringLiteral("core")});
    QVERIFY(child.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine(), 10000);
    QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));
    child.terminate();
    QVERIFY(child.waitForFinished(10000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
}

void TestX11ProcessEnd::lostDisplayEndsWithOneLineAndStatus1_data()
{
    QTest::addColumn<bool>("gui");
    QTest::newRow("backend only") << false;
    QTest::newRow("with Qt's own connection") << true;
}

void TestX11ProcessEnd::lostDisplayEndsWithOneLineAndStatus1()
{
    QFETCH(bool, gui);
    QProcess server;
    server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                  QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("640x480x24")});
    QVERIFY(server.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(server.canReadLine(), 10000);
    const QString display = QLatin1Char(':') + QString::fromLatin1(server.readLine()).trimmed();

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(kChildFlag), gui ? QStringLiteral("gui") : QStringLiteral("core")});
    QVERIFY(child.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(child.canReadLine(), 10000);
    QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));

    server.terminate();
    QVERIFY(server.waitForFinished(10000));
    QVERIFY(child.waitForFinished(10000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 1);
    QStringList lines = QString::fromLocal8Bit(child.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    lines.removeIf([](const QString &line) { return line.startsWith(QStringLiteral("QStandardPaths:")); });
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().contains(QLatin1Char('"') + display + QLatin1Char('"')), qPrintable(lines.first()));
}

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], kChildFlag) == 0)
        return runChild(argc, argv, std::strcmp(argv[2], "gui") == 0);
    QCoreApplication app(argc, argv);
    TestX11ProcessEnd test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestX11ProcessEnd.moc"
