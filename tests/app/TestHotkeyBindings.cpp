// Hotkeys from the settings file: parsing the key-sequence texts, reading them from a settings file in a
// configuration folder of the test's own, and the main window registering, dispatching, naming and
// cleaning up after them. With no setting every text is the default's.

#include "MainWindowFixture.h"
#include "app/HotkeyBindings.h"
#include "app/SettingsFile.h"

#include <QAction>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace
{

constexpr int VK_F9 = 0x78, VK_F10 = 0x79, VK_F11 = 0x7A, VK_F12 = 0x7B;

} // namespace

class TestHotkeyBindings : public QObject
{
    Q_OBJECT

  private slots:
    void parse_data();
    void parse();
    void settingsFileOverridesSomeCommands();
    void defaultsKeepEveryText();
    void customHotkeysDriveTheWindow();
    void unusableOrRepeatedKeysLeaveTheirCommandWithout_data();
    void unusableOrRepeatedKeysLeaveTheirCommandWithout();

  private:
    // A main window over the fakes with the hotkeys of the settings file at `path`.
    void openWithSettings(const QString &path);

    MainWindowFixture m_ui;
};

void TestHotkeyBindings::openWithSettings(const QString &path)
{
    m_ui.fakes = std::make_unique<FakePlatform>();
    m_ui.desktop = std::make_unique<FakeDesktop>();
    m_ui.window = std::make_unique<TFmain>(m_ui.fakes->platform, *m_ui.desktop, offlineUpdateSettings(), nullptr,
                                           HotkeyBindings::fromSettings(SettingsFile(path)));
}

void TestHotkeyBindings::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<unsigned>("modifiers");
    QTest::addColumn<int>("virtualKey");
    QTest::addColumn<QString>("shown");
    QTest::newRow("default") << "Alt+F9" << true << Modifier::Alt << VK_F9 << "Alt+F9";
    QTest::newRow("three parts") << "Ctrl+Alt+R" << true << (Modifier::Control | Modifier::Alt) << 0x52 << "Ctrl+Alt+R";
    QTest::newRow("plain key") << " F12 " << true << 0u << VK_F12 << "F12";
    QTest::newRow("digit and shift") << "Shift+Ctrl+7" << true << (Modifier::Shift | Modifier::Control) << 0x37
                                     << "Ctrl+Shift+7";
    QTest::newRow("navigation key") << "Alt+Pause" << true << Modifier::Alt << 0x13 << "Alt+Pause";
    QTest::newRow("empty") << "" << false << 0u << 0 << "";
    QTest::newRow("modifier alone") << "Ctrl+" << false << 0u << 0 << "";
    QTest::newRow("logo key") << "Meta+F1" << false << 0u << 0 << "";
    QTest::newRow("two combinations") << "Alt+F9, Alt+F10" << false << 0u << 0 << "";
    QTest::newRow("nonsense") << "Alt+Banana" << false << 0u << 0 << "";
}

void TestHotkeyBindings::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(unsigned, modifiers);
    QFETCH(int, virtualKey);
    QFETCH(QString, shown);
    const auto binding = HotkeyBindings::parse(text);
    QCOMPARE(binding.has_value(), valid);
    if (!binding)
        return;
    QCOMPARE(binding->modifiers, modifiers);
    QCOMPARE(binding->virtualKey, virtualKey);
    QCOMPARE(binding->text, shown);
}

void TestHotkeyBindings::settingsFileOverridesSomeCommands()
{
    QTemporaryDir config;
    const QString path = config.filePath(QStringLiteral("Tapsmith/tapsmith.conf"));
    QVERIFY(QDir().mkpath(config.filePath(QStringLiteral("Tapsmith"))));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[hotkeys]\nrecord=Ctrl+Alt+R\nstop=Ctrl+Shift+F12\nplay=Alt+Banana\n");
    file.close();

    const HotkeyBindings bindings = HotkeyBindings::fromSettings(SettingsFile(path));
    QCOMPARE(bindings.binding(HotkeyBindings::Record)->text, QStringLiteral("Ctrl+Alt+R"));
    QCOMPARE(bindings.binding(HotkeyBindings::Stop)->virtualKey, VK_F12);
    QVERIFY(!bindings.binding(HotkeyBindings::Play));
    QCOMPARE(bindings.binding(HotkeyBindings::Show)->text, QStringLiteral("Alt+Shift+F9"));
    QCOMPARE(bindings.stopModifierKeyNames(), (QList<QByteArray>{"VK_CONTROL", "VK_SHIFT"}));
    QCOMPARE(bindings.commandOf(Modifier::Control | Modifier::Alt, 0x52), std::optional(HotkeyBindings::Record));
    QCOMPARE(bindings.commandOf(Modifier::Alt, VK_F9), std::nullopt);
    // The file is only read.
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("[hotkeys]\nrecord=Ctrl+Alt+R\nstop=Ctrl+Shift+F12\nplay=Alt+Banana\n"));
}

void TestHotkeyBindings::defaultsKeepEveryText()
{
    m_ui.open();
    TFmain &window = *m_ui.window;
    QCOMPARE((QStringList{window.N1->text(), window.N2->text(), window.N3->text(), window.N4->text()}),
             (QStringList{"Запись (Alt+F9)", "Стоп (Alt+F10)", "Вопроизвести (Alt+F11)", "Окно (Alt+Shift+F9)"}));
    QCOMPARE((QStringList{window.ToolButton1->toolTip(), window.ToolButton2->toolTip(), window.ToolButton3->toolTip()}),
             (QStringList{"Alt+F9", "Alt+F10", "Alt+F11"}));
    const auto &registrations = m_ui.fakes->hotkeys->registrations;
    QCOMPARE(int(registrations.size()), 4);
    QCOMPARE(registrations[0].modifiers, Modifier::Alt | Modifier::Shift);
    QCOMPARE(registrations[3].virtualKey, VK_F11);
    m_ui.close();
}

void TestHotkeyBindings::customHotkeysDriveTheWindow()
{
    QTemporaryDir config;
    const QString path = config.filePath(QStringLiteral("tapsmith.conf"));
    QSettings writer(path, QSettings::IniFormat);
    writer.setValue(QStringLiteral("hotkeys/record"), QStringLiteral("Ctrl+Alt+R"));
    writer.setValue(QStringLiteral("hotkeys/stop"), QStringLiteral("Ctrl+Shift+F12"));
    writer.setValue(QStringLiteral("hotkeys/play"), QStringLiteral("Alt+Banana"));
    writer.sync();

    openWithSettings(path);
    TFmain &window = *m_ui.window;

    // The play hotkey did not parse: skipped; the others registered as set.
    const auto &registrations = m_ui.fakes->hotkeys->registrations;
    QCOMPARE(int(registrations.size()), 3);
    QCOMPARE(registrations[1].modifiers, Modifier::Control | Modifier::Alt);
    QCOMPARE(registrations[2].virtualKey, VK_F12);
    QCOMPARE(window.N1->text(), QStringLiteral("Запись (Ctrl+Alt+R)"));
    QCOMPARE(window.N2->text(), QStringLiteral("Стоп (Ctrl+Shift+F12)"));
    QCOMPARE(window.ToolButton2->toolTip(), QStringLiteral("Ctrl+Shift+F12"));
    // No combination is named for it: Alt+F11 does nothing now.
    QCOMPARE(window.N3->text(), QStringLiteral("Вопроизвести"));
    QCOMPARE(window.ToolButton3->toolTip(), QString());

    // The default record hotkey does nothing now; the custom one records.
    m_ui.fakes->hotkeys->press(Modifier::Alt, VK_F9);
    QCOMPARE(window.recordHook(), HookHandle(0));
    m_ui.fakes->hotkeys->press(Modifier::Control | Modifier::Alt, 0x52);
    QVERIFY(window.recordHook() != 0);
    // The stop hotkey's own modifiers, pressed before its key, leave key-down rows that the stop removes;
    // an Alt key-down is the user's own now and stays.
    FakeInputHook &hook = *m_ui.fakes->hook;
    hook.deliver({InputMessage::KeyDown, 0x41, 30, 100});
    hook.deliver({InputMessage::KeyUp, 0x41, 30, 110});
    hook.deliver({InputMessage::SysKeyDown, 0x12, 56, 120});
    hook.deliver({InputMessage::KeyDown, 0x11, 29, 130});
    hook.deliver({InputMessage::KeyDown, 0x10, 42, 140});
    m_ui.fakes->hotkeys->press(Modifier::Control | Modifier::Shift, VK_F12);
    QCOMPARE(window.recordHook(), HookHandle(0));
    QStringList parameters;
    for (int row = 1; row < window.Script->rows(); ++row)
        parameters << window.Script->cellText(ScriptTable::ParametersColumn, row).section(u';', 0, 0);
    QCOMPARE(parameters, (QStringList{"VK_A", "VK_A", "VK_MENU", ""})); // and the open row
    m_ui.close();
}

void TestHotkeyBindings::unusableOrRepeatedKeysLeaveTheirCommandWithout_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("menu");
    QTest::addColumn<int>("registered");
    QTest::newRow("unreadable") << QByteArray("[hotkeys]\nrecord=Foo+Bar\n")
                                << QStringList{"Запись", "Стоп (Alt+F10)", "Вопроизвести (Alt+F11)",
                                               "Окно (Alt+Shift+F9)"}
                                << 3;
    QTest::newRow("empty") << QByteArray("[hotkeys]\nstop=\n")
                           << QStringList{"Запись (Alt+F9)", "Стоп", "Вопроизвести (Alt+F11)", "Окно (Alt+Shift+F9)"}
                           << 3;
    // The later command loses the key; the earlier one keeps it, here Record's own default.
    QTest::newRow("the record key again")
        << QByteArray("[hotkeys]\nstop=Alt+F9\n")
        << QStringList{"Запись (Alt+F9)", "Стоп", "Вопроизвести (Alt+F11)", "Окно (Alt+Shift+F9)"} << 3;
    QTest::newRow("a later default taken")
        << QByteArray("[hotkeys]\nrecord=Alt+F10\n")
        << QStringList{"Запись (Alt+F10)", "Стоп", "Вопроизвести (Alt+F11)", "Окно (Alt+Shift+F9)"} << 3;
    QTest::newRow("the same key written twice")
        << QByteArray("[hotkeys]\nplay=Ctrl+P\nshow=ctrl+p\n")
        << QStringList{"Запись (Alt+F9)", "Стоп (Alt+F10)", "Вопроизвести", "Окно (Ctrl+P)"} << 3;
}

void TestHotkeyBindings::unusableOrRepeatedKeysLeaveTheirCommandWithout()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, menu);
    QFETCH(int, registered);
    QTemporaryDir config;
    const QString path = config.filePath(QStringLiteral("tapsmith.conf"));
    QFile settings(path);
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.write(file);
    settings.close();

    openWithSettings(path);
    TFmain &window = *m_ui.window;
    QCOMPARE((QStringList{window.N1->text(), window.N2->text(), window.N3->text(), window.N4->text()}), menu);
    QCOMPARE(int(m_ui.fakes->hotkeys->registrations.size()), registered);
    // Each registered combination does one thing.
    for (const auto &registration : m_ui.fakes->hotkeys->registrations) {
        int commands = 0;
        for (const auto &other : m_ui.fakes->hotkeys->registrations)
            commands += other.modifiers == registration.modifiers && other.virtualKey == registration.virtualKey;
        QCOMPARE(commands, 1);
    }
    m_ui.close();
}

QTEST_MAIN(TestHotkeyBindings)
#include "TestHotkeyBindings.moc"
