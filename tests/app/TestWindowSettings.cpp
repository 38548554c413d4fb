// The settings of following windows and the mouse wheel: read from the settings file with their defaults,
// changed from the tray menu and the table's context menu, which write that one key and nothing else.

#include "MainWindowFixture.h"
#include "app/SettingsFile.h"
#include "app/WindowSettings.h"
#include "core/Errors.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace
{

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void writeAll(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

WindowSettings readSettings(const QString &path)
{
    return WindowSettings::fromSettings(SettingsFile(path));
}

} // namespace

class TestWindowSettings : public QObject
{
    Q_OBJECT

  private slots:
    void init();
    void cleanup() { m_fixture.close(); }
    void valuesAndDefaults_data();
    void valuesAndDefaults();
    void writingASwitchLeavesTheRestOfTheFile_data();
    void writingASwitchLeavesTheRestOfTheFile();
    void menusHoldTheSwitchesAfterTheirEntries();
    void aMenuEntryWritesItsKeyOnly();
    void theSwitchesReachTheRecording();
    void aMissingWindowEndsThePlayAfterTheSettingsWait();

  private:
    QTemporaryDir m_folder;
    MainWindowFixture m_fixture;
};

void TestWindowSettings::init()
{
    m_fixture.open();
}

void TestWindowSettings::valuesAndDefaults_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("windows");
    QTest::addColumn<bool>("wheel");
    QTest::addColumn<int>("wait");
    QTest::newRow("no file") << QByteArray() << false << false << 10;
    QTest::newRow("all set") << QByteArray("[record]\nwindows=true\nwheel=1\n[play]\nwindow_wait=3600\n") << true
                             << true << 3600;
    QTest::newRow("false") << QByteArray("[record]\nwindows=false\nwheel=0\n") << false << false << 10;
    QTest::newRow("upper case") << QByteArray("[record]\nwindows=TRUE\n") << true << false << 10;
    QTest::newRow("unreadable keep the defaults")
        << QByteArray("[record]\nwindows=yes\nwheel=\n[play]\nwindow_wait=ten\n") << false << false << 10;
    QTest::newRow("wait below the range") << QByteArray("[play]\nwindow_wait=0\n") << false << false << 10;
    QTest::newRow("wait above the range") << QByteArray("[play]\nwindow_wait=3601\n") << false << false << 10;
    QTest::newRow("smallest wait") << QByteArray("[play]\nwindow_wait=1\n") << false << false << 1;
}

void TestWindowSettings::valuesAndDefaults()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, windows);
    QFETCH(bool, wheel);
    QFETCH(int, wait);
    const QString path = m_folder.filePath(QStringLiteral("read.conf"));
    QFile::remove(path);
    if (!content.isEmpty())
        writeAll(path, content);
    const WindowSettings read = readSettings(path);
    QCOMPARE(read.recordWindows, windows);
    QCOMPARE(read.recordWheel, wheel);
    QCOMPARE(read.windowWaitSeconds, wait);
}

void TestWindowSettings::writingASwitchLeavesTheRestOfTheFile_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("no file") << QByteArray() << QByteArray("[record]\nwindows=true\n");
    QTest::newRow("replaces the line") << QByteArray("[record]\nwheel=true\n windows = false\n\n[ui]\nlanguage=en\n")
                                       << QByteArray("[record]\nwheel=true\nwindows=true\n\n[ui]\nlanguage=en\n");
    QTest::newRow("joins the section")
        << QByteArray("; mine\n[update]\nurl=\"http://a/b,c\"\n\n[record]\nwheel=false\n\n[ui]\nlanguage=en")
        << QByteArray("; mine\n[update]\nurl=\"http://a/b,c\"\n\n[record]\nwheel=false\nwindows=true\n\n[ui]\n"
                      "language=en\n");
    QTest::newRow("a new section at the end")
        << QByteArray("[hotkeys]\r\nstop=Ctrl+Alt+S\r\n")
        << QByteArray("[hotkeys]\r\nstop=Ctrl+Alt+S\r\n\r\n[record]\r\nwindows=true\r\n");
    QTest::newRow("a key of the same name elsewhere")
        << QByteArray("[other]\nwindows=false\n") << QByteArray("[other]\nwindows=false\n\n[record]\nwindows=true\n");
}

void TestWindowSettings::writingASwitchLeavesTheRestOfTheFile()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    const QString path = m_folder.filePath(QStringLiteral("sub/write.conf"));
    QFile::remove(path);
    if (!before.isEmpty()) {
        QDir().mkpath(m_folder.filePath(QStringLiteral("sub")));
        writeAll(path, before);
    }
    QVERIFY(WindowSettings::writeSwitch(path, SettingsFile::keyName(SettingsFile::RecordWindows), true));
    QCOMPARE(readAll(path), after);
    QVERIFY(readSettings(path).recordWindows);
}

void TestWindowSettings::menusHoldTheSwitchesAfterTheirEntries()
{
    TFmain &window = *m_fixture.window;
    for (QMenu *menu : {window.PopupMenu1, window.scriptContextMenu}) {
        const QList<QAction *> actions = menu->actions();
        QVERIFY(actions.size() >= 3);
        QVERIFY(actions.at(actions.size() - 3)->isSeparator());
        QCOMPARE(actions.at(actions.size() - 2), window.followWindowsAction);
        QCOMPARE(actions.constLast(), window.mouseWheelAction);
    }
    QCOMPARE(window.followWindowsAction->text(), QStringLiteral("Привязка к окнам"));
    QCOMPARE(window.mouseWheelAction->text(), QStringLiteral("Колесо мыши"));
    QVERIFY(window.followWindowsAction->isCheckable() && !window.followWindowsAction->isChecked());
    QVERIFY(window.mouseWheelAction->isCheckable() && !window.mouseWheelAction->isChecked());
}

void TestWindowSettings::aMenuEntryWritesItsKeyOnly()
{
    const QString path = m_folder.filePath(QStringLiteral("menu.conf"));
    writeAll(path, "[record]\nwheel=true\n");
    TFmain &window = *m_fixture.window;
    window.useWindowSettings(readSettings(path), path);
    // Taking the file's state over writes nothing.
    QVERIFY(window.mouseWheelAction->isChecked());
    QCOMPARE(readAll(path), QByteArray("[record]\nwheel=true\n"));

    window.followWindowsAction->trigger();
    QVERIFY(window.windowSettings().recordWindows);
    QCOMPARE(readAll(path), QByteArray("[record]\nwheel=true\nwindows=true\n"));
    window.mouseWheelAction->trigger();
    QVERIFY(!window.windowSettings().recordWheel);
    QCOMPARE(readAll(path), QByteArray("[record]\nwheel=false\nwindows=true\n"));

    // Without a settings file (a pipe stood there) the switch works for this run only.
    window.useWindowSettings(WindowSettings(), QString());
    window.followWindowsAction->trigger();
    QVERIFY(window.windowSettings().recordWindows);
    QCOMPARE(readAll(path), QByteArray("[record]\nwheel=false\nwindows=true\n"));
}

void TestWindowSettings::theSwitchesReachTheRecording()
{
    TFmain &window = *m_fixture.window;
    TopLevelWindow editor;
    editor.handle = 3;
    editor.windowClass = "Mousepad";
    editor.instance = "mousepad";
    editor.title = "notes";
    editor.width = 500;
    editor.height = 400;
    m_fixture.fakes->windows->windows.push_back(editor);
    WindowSettings settings;
    settings.recordWindows = true;
    settings.recordWheel = true;
    window.useWindowSettings(settings, QString());
    window.ToolButton1Click();
    // The hook is asked to name the window of each press as it went down.
    QVERIFY(m_fixture.fakes->hook->pressWindows);
    EventMsg press{InputMessage::LButtonDown, 20, 30, 1000};
    m_fixture.fakes->hook->deliver(press);
    EventMsg turn{InputMessage::MouseWheel, 20, 30, 1010};
    turn.wheelDelta = -120;
    m_fixture.fakes->hook->deliver(turn);
    window.ToolButton2Click();
    QCOMPARE(window.Script->action(1), QByteArrayView("Window()"));
    QCOMPARE(window.Script->parameters(1), QByteArrayView("Mousepad,mousepad,notes;0,0,500,400;0"));
    QCOMPARE(window.Script->action(2), QByteArrayView("LDown()"));
    QCOMPARE(window.Script->action(3), QByteArrayView("Wheel()"));
    QCOMPARE(window.Script->parameters(3), QByteArrayView("-120;0;10"));

    settings.recordWindows = false;
    window.useWindowSettings(settings, QString());
    window.ToolButton1Click();
    QVERIFY(!m_fixture.fakes->hook->pressWindows);
    window.ToolButton2Click();
}

void TestWindowSettings::aMissingWindowEndsThePlayAfterTheSettingsWait()
{
    TFmain &window = *m_fixture.window;
    WindowSettings settings;
    settings.windowWaitSeconds = 1;
    window.useWindowSettings(settings, QString());
    m_fixture.row("KeyDown()", "VK_SHIFT;42;0");
    m_fixture.row("Window()", "XTerm,xterm,bash;0,0,640,480;0");
    m_fixture.row("LDown()", "1;1;0");
    try {
        window.ToolButton3Click();
        QFAIL("the run went on");
    } catch (const ApplicationError &error) {
        QCOMPARE(error.message(), QStringLiteral("Окно «XTerm — bash» не найдено."));
        QCOMPARE(error.title(), QCoreApplication::applicationName() + QStringLiteral(" - строка 2"));
    }
    // A second of looks every 50 ms, on the fake clock; what the script held is let go.
    QCOMPARE(m_fixture.fakes->windows->finds, 21);
    QCOMPARE(m_fixture.fakes->injector->calls, (QStringList{"key 16 0", "key 16 2"}));
}

QTEST_MAIN(TestWindowSettings)
#include "TestWindowSettings.moc"
